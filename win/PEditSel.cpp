#include "win/PEditSel.h"

PEditSel::PEditSel(PWin *parentObj, int controlId, int limit) : PEditSend(parentObj, controlId, limit)
{
}

PEditSel::~PEditSel()
{
}

bool PEditSel::onChar(WPARAM &ch)
{
    selectAll();
    return PEditSend::onChar(ch);
}
