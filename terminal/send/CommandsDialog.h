#ifndef TERMINAL_COMMANDSDIALOG_H
#define TERMINAL_COMMANDSDIALOG_H

#include <windows.h>

#include "res/resource.h"
#include "win/ButtonImages.h"
#include "win/PDialog.h"

class StoredCommands;

// The "Commands" dialog (template 6), run modally with execute: the twelve
// stored commands, F1 to F12, each a name, a text in the send box's escape
// syntax and a repeat interval in ms (0, or empty: sent once).
//
// execute answers IDOK after "&OK" with every row of the table set from its
// fields, IDCANCEL after "&Cancel", Esc or the close box with the table as it
// was. An interval out of range is named in a warning and gets the focus;
// the dialog stays.
class CommandsDialog : public PDialog
{
public:
    CommandsDialog(StoredCommands &commands, PWin *parent);
    ~CommandsDialog() override;

    bool create() override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    static int nameField(unsigned row) { return IDC_CMD_NAME + 4 * int(row); }
    static int textField(unsigned row) { return IDC_CMD_TEXT + 4 * int(row); }
    static int repeatField(unsigned row) { return IDC_CMD_REPEAT + 4 * int(row); }

private:
    void fill();
    // The field's interval; false when it holds more than the most allowed.
    bool interval(unsigned row, uint32_t &value) const;
    bool validate();
    // False (said) when a text could not be kept for want of memory.
    bool readBack();

    StoredCommands &commands;
    ButtonImages images;   // "&OK" and "&Cancel"
};

#endif
