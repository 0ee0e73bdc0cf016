#ifndef LINETALK_RES_RESOURCE_H
#define LINETALK_RES_RESOURCE_H
// Resource identifiers shared by the resource script and the code.

// Bitmaps and icon

#define IDI_LINETALK 1

// 16-colour button images; the top-left pixel is the transparent colour.
#define IDB_SETUP 1        // list sheet with a tool (18 x 16, magenta)
#define IDB_SEND 3         // computer with a modem (white)
#define IDB_DONE 4         // open door with an arrow (white)
#define IDB_DEFAULT 6      // yellow pushpin (white)
#define IDB_CANCEL 7       // red cross (light grey)
#define IDB_OK 8           // green tick (light grey)
#define IDB_SAVE 9         // floppy disk (light grey)
#define IDB_CLEAR 10       // paint brush (magenta)
#define IDB_PORTOPEN 11    // traffic light showing green (white)
#define IDB_PORTCLOSED 12  // traffic light showing red (white)

// Dialogs and controls

// Dialog templates
#define IDD_TERMINAL 1
#define IDD_PROGRESS 2
#define IDD_SETTINGS 5
#define IDD_COMMANDS 6
#define IDD_RULES 12

// Terminal dialog (template 1); "&Done" is IDCANCEL (2)
#define IDC_STRINGFRAME 101
#define IDC_BYTEFRAME 102
#define IDC_SENDFILE 103
#define IDC_DECLABEL 104
#define IDC_HEXLABEL 105
#define IDC_BINLABEL 106
#define IDC_SENDBOX 107
#define IDC_DECFIELD 108
#define IDC_HEXFIELD 109
#define IDC_BINFIELD 110
#define IDC_OPENCOMM 111
#define IDC_SENDSTRING 112
#define IDC_SENDBYTE 113
#define IDC_SETUP 114
#define IDC_VIEW 115
#define IDC_RECEIVEDTITLE 116
#define IDC_CLEAR 117
#define IDC_SAVE 118
#define IDC_CHARFIELD 119
#define IDC_SHOWHEX 120
#define IDC_CAPTURE 121
#define IDC_CHECKFRAME 122
#define IDC_CHARLABEL 123
// Commands the terminal adds to the receive view's context menu
#define IDM_VIEW_SHOWTIME 130
#define IDM_VIEW_FIND 131
#define IDM_VIEW_SHOWSENT 132

// Settings dialog (template 5); "&OK" is IDOK (1), "&Cancel" IDCANCEL (2)
#define IDC_SET_BAUDLABEL 101
#define IDC_SET_DATALABEL 102
#define IDC_SET_PARITYLABEL 103
#define IDC_SET_STOPLABEL 104
#define IDC_SET_BAUD 105
#define IDC_SET_DATA 106
#define IDC_SET_PARITY 107
#define IDC_SET_STOP 108
#define IDC_SET_DEFAULT 109
#define IDC_SET_FRAME 110
#define IDC_SET_PORTLABEL 111
#define IDC_SET_PORT 112
#define IDC_SET_DELAYLABEL 113
#define IDC_SET_DELAY 114
#define IDC_SET_FLOWLABEL 115
#define IDC_SET_FLOW 116
#define IDC_SET_TRANSFERLABEL 117
#define IDC_SET_TRANSFER 118
#define IDC_SET_TRANSFERNOTE 119
// Each field follows its label in the dialog's control order.
#define IDC_SET_LINEENDLABEL 120
#define IDC_SET_LINEEND 121
#define IDC_SET_DTRLABEL 122
#define IDC_SET_DTRATOPEN 123
#define IDC_SET_RTSLABEL 124
#define IDC_SET_RTSATOPEN 125
#define IDC_SET_PULSELABEL 126
#define IDC_SET_PULSE 127
#define IDC_SET_BREAKLABEL 128
#define IDC_SET_BREAK 129
#define IDC_SET_PAUSELABEL 130
#define IDC_SET_PAUSE 131
#define IDC_SET_FOLDERLABEL 132
#define IDC_SET_FOLDER 133
#define IDC_SET_FOLDERPICK 134

// Stored commands dialog (template 6): a row per key, F1 to F12, each its
// key's label and its name, text and repeat fields, in that control order.
// Row r (0 to 11) uses IDC_CMD_KEY + 4 * r and the three after it.
#define IDC_CMD_NAMEHEAD 101
#define IDC_CMD_TEXTHEAD 102
#define IDC_CMD_REPEATHEAD 103
#define IDC_CMD_KEY 110
#define IDC_CMD_NAME 111
#define IDC_CMD_TEXT 112
#define IDC_CMD_REPEAT 113

// The frame's menu bar. Each menu has a block of its own, with room for the
// items later work adds: File "&Receive File...", "&Log to File...",
// "Start &ZMODEM by Itself"; View "Show &Sent", "ANSI &Colours",
// "Highlight &Rules..."; Port "&DTR", "&RTS", "P&ulse DTR", "Pu&lse RTS",
// "Send &Break"; and a "&Send" menu of its own.
#define IDR_MAINMENU 1
#define IDM_FILE_SENDFILE 200
#define IDM_FILE_SAVE 201
#define IDM_FILE_CAPTURE 202
#define IDM_FILE_RECEIVE 203
#define IDM_FILE_ZMODEMAUTO 204
#define IDM_FILE_LOG 205
#define IDM_FILE_EXIT 219
#define IDM_EDIT_COPY 220
#define IDM_EDIT_SELECTALL 221
#define IDM_EDIT_FIND 222
#define IDM_EDIT_FINDNEXT 223
#define IDM_EDIT_FINDPREVIOUS 224
#define IDM_EDIT_CLEAR 225
#define IDM_VIEW_HEX 240
#define IDM_VIEW_TIME 241
#define IDM_VIEW_COLOURS 250
#define IDM_VIEW_RULES 251
#define IDM_VIEW_SENT 252
#define IDM_PORT_OPENCLOSE 260
#define IDM_PORT_SETTINGS 261
#define IDM_PORT_DTR 265
#define IDM_PORT_RTS 266
#define IDM_PORT_PULSEDTR 267
#define IDM_PORT_PULSERTS 268
#define IDM_PORT_BREAK 269
#define IDM_SEND_FIRST 280      // the "&Send" menu: 280 to 299
#define IDM_SEND_COMMANDS 280
#define IDM_SEND_STOP 281
#define IDM_SEND_ROW 282        // F1's row
#define IDM_SEND_LASTROW 293    // F12's
#define IDM_HELP_ABOUT 300

// The frame's status bar
#define IDC_STATUSBAR 400

// The version the About box names and the version resource carries.
#define LT_VERSION_TEXT "1.0"

// Highlight rules dialog (template 12): rule i (0..7) has its label, text,
// case box and colour list at IDC_RULE_FIRST + 4 * i + 0..3.
#define IDC_RULE_FIRST 600
#define IDC_RULE_LAST 631

// Progress dialog (template 2)
#define IDC_PROG_BAR 101
#define IDC_PROG_TEXT 102
#define IDC_PROG_ABORT 103

#endif
