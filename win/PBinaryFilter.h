#ifndef WIN_PBINARYFILTER_H
#define WIN_PBINARYFILTER_H

#include "win/PFilter.h"

// Lets through the control characters and the binary digits.
class PBinaryFilter : public PFilter
{
public:
    PBinaryFilter() {}
    ~PBinaryFilter() override {}

    bool accept(WPARAM &ch, HWND edit) override;
};

#endif
