#ifndef TESTS_WINE_RES_TEXTVIEWIDS_H
#define TESTS_WINE_RES_TEXTVIEWIDS_H
// Identifiers of the text view's test resources (3000-3099).

// A dialog holding a text view as the terminal's template holds it, between
// two edits for the tab order.
#define IDD_TV_DIALOG 3000
#define IDC_TV_BEFORE 3001
#define IDC_TV_VIEW 3002
#define IDC_TV_AFTER 3003

#endif
