#ifndef WIN_PEDITSEND_H
#define WIN_PEDITSEND_H

#include "win/PEdit.h"

// An edit whose Enter tells the dialog that its value is to be used
// (PWM_EDITENTER) and selects the text, so that the next entry replaces it.
class PEditSend : public PEdit
{
public:
    PEditSend(PWin *parent, int id, int textLimit);
    ~PEditSend() override;

    bool onChar(WPARAM &ch) override;
};

#endif
