#ifndef TESTS_WINE_RES_CONTROLSIDS_H
#define TESTS_WINE_RES_CONTROLSIDS_H
// Identifiers of the controls and images test resources (2000-2999).

// Edits: three byte fields, a character field, two plain edits and an edit
// that no object takes over.
#define IDD_CT_EDITS 2000
#define IDC_CT_DEC 2001
#define IDC_CT_HEX 2002
#define IDC_CT_BIN 2003
#define IDC_CT_CHAR 2004
#define IDC_CT_PLAIN 2005
#define IDC_CT_PLAIN2 2006
#define IDC_CT_RAW 2007

// Buttons: an image button with a caption, a text-less image button, a
// text-less plain button, a long caption and an image that failed to load.
#define IDD_CT_BUTTONS 2100
#define IDC_CT_IMAGE 2101
#define IDC_CT_ICONONLY 2102
#define IDC_CT_PLAINBTN 2103
#define IDC_CT_LONG 2104
#define IDC_CT_BROKEN 2105

// Every picture on a button, in every state: ids 2201 + 4 * row + column.
#define IDD_CT_SHOWCASE 2200
#define IDC_CT_SHOW_FIRST 2201

#endif
