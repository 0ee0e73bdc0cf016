#ifndef WIN_PEDITSEL_H
#define WIN_PEDITSEL_H

#include "win/PEditSend.h"

// A PEditSend in which every typed character replaces the whole text.
class PEditSel : public PEditSend
{
public:
    PEditSel(PWin *parent, int id, int textLimit);
    ~PEditSel() override;

    bool onChar(WPARAM &ch) override;
};

#endif
