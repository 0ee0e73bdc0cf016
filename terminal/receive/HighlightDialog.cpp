#include "terminal/receive/HighlightDialog.h"

#include "res/resource.h"

HighlightDialog::HighlightDialog(PWin *parent, HighlightRules &edited, HINSTANCE module)
    : PDialog(parent, IDD_RULES, module), rules(edited)
{
}

HighlightDialog::~HighlightDialog()
{
    destroy();
}

// Row i shows rule i; the rows after the last rule are empty, in the first
// colour, their case not matched.
void HighlightDialog::fill(HWND dialog)
{
    for (unsigned row = 0; row < HighlightRules::maxRules; ++row) {
        HWND text = GetDlgItem(dialog, textId(row));
        HWND colour = GetDlgItem(dialog, colourId(row));
        SendMessageA(text, EM_LIMITTEXT, HighlightRules::maxText, 0);
        for (unsigned c = 0; c < HighlightRules::colourCount; ++c)
            SendMessageA(colour, CB_ADDSTRING, 0, LPARAM(HighlightRules::colourName(c)));
        bool used = row < rules.count();
        const HighlightRules::Rule *r = used ? &rules.rule(row) : nullptr;
        SetWindowTextA(text, r ? r->text : "");
        CheckDlgButton(dialog, caseId(row), r && r->matchCase ? BST_CHECKED : BST_UNCHECKED);
        SendMessageA(colour, CB_SETCURSEL, WPARAM(r ? r->colour : 0), 0);
    }
}

// A row without text is no rule; a text with characters a rule cannot hold
// (pasted control characters) is left out too.
void HighlightDialog::readBack(HWND dialog)
{
    HighlightRules read;
    for (unsigned row = 0; row < HighlightRules::maxRules; ++row) {
        char text[HighlightRules::maxText + 1];
        int n = GetDlgItemTextA(dialog, textId(row), text, int(sizeof text));
        if (n <= 0)
            continue;
        LRESULT colour = SendDlgItemMessageA(dialog, colourId(row), CB_GETCURSEL, 0, 0);
        read.add(text, size_t(n), IsDlgButtonChecked(dialog, caseId(row)) == BST_CHECKED,
                 colour >= 0 && colour < LRESULT(HighlightRules::colourCount) ? unsigned(colour) : 0u);
    }
    rules = read;
}

LRESULT HighlightDialog::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        PDialog::windowProc(wnd, msg, wParam, lParam);
        fill(wnd);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            readBack(wnd);
            EndDialog(wnd, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(wnd, IDCANCEL);
            return TRUE;
        default:
            break;
        }
    }
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
