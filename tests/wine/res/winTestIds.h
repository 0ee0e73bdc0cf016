#ifndef TESTS_WINE_RES_WINTESTIDS_H
#define TESTS_WINE_RES_WINTESTIDS_H
// Identifiers of the window library's test resources (1000-1999).

// A popup dialog with an edit, an owner-drawn button, a static and OK/Cancel.
#define IDD_WT_POPUP 1000
#define IDC_WT_EDIT 1001
#define IDC_WT_OWNERDRAW 1002
#define IDC_WT_STATIC 1003
#define IDC_WT_EDIT2 1004

// A child dialog of fixed size, the client of a test frame.
#define IDD_WT_CHILD 1010
#define IDC_WT_CHILDEDIT 1011

#endif
