#ifndef WIN_PHEXFILTER_H
#define WIN_PHEXFILTER_H

#include "win/PFilter.h"

// Lets through the control characters and the hexadecimal digits.
class PHexFilter : public PFilter
{
public:
    PHexFilter() {}
    ~PHexFilter() override {}

    bool accept(WPARAM &ch, HWND edit) override;
};

#endif
