#ifndef WIN_PNUMBFILTER_H
#define WIN_PNUMBFILTER_H

#include "win/PFilter.h"

// Lets through the control characters and the decimal digits.
class PNumbFilter : public PFilter
{
public:
    PNumbFilter() {}
    ~PNumbFilter() override {}

    bool accept(WPARAM &ch, HWND edit) override;
};

#endif
