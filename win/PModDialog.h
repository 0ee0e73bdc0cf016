#ifndef WIN_PMODDIALOG_H
#define WIN_PMODDIALOG_H

#include "win/PDialog.h"

// A dialog that ends itself on IDOK (1) and IDCANCEL (2): a modal one with that
// value, a modeless one by destroying its window (the object stays).
class PModDialog : public PDialog
{
public:
    PModDialog(PWin *parent, int templateId, HINSTANCE module = nullptr);
    ~PModDialog() override;

    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
};

#endif
