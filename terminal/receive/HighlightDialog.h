#ifndef TERMINAL_HIGHLIGHTDIALOG_H
#define TERMINAL_HIGHLIGHTDIALOG_H

#include <windows.h>

#include "res/resource.h"
#include "terminal/receive/HighlightRules.h"
#include "win/PDialog.h"

// "Highlight Rules" (template 12), run modally with execute: eight rows of
// a text, "Match case" and a colour, filled from the rules given. After
// "&OK" (execute answers IDOK) the rules hold the rows that have a text, in
// their order; after "&Cancel" they are as they were.
class HighlightDialog : public PDialog
{
public:
    HighlightDialog(PWin *parent, HighlightRules &rules, HINSTANCE module = nullptr);
    ~HighlightDialog() override;

    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The controls of row `row` (0..7).
    static int textId(unsigned row) { return IDC_RULE_FIRST + 4 * int(row) + 1; }
    static int caseId(unsigned row) { return IDC_RULE_FIRST + 4 * int(row) + 2; }
    static int colourId(unsigned row) { return IDC_RULE_FIRST + 4 * int(row) + 3; }

private:
    void fill(HWND dialog);
    void readBack(HWND dialog);

    HighlightRules &rules;
};

#endif
