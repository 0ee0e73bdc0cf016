#ifndef WIN_MYNUMBFILTER_H
#define WIN_MYNUMBFILTER_H

#include "win/PNumbFilter.h"

// The byte field's filter: a decimal byte value (0 to 255), at most 3 characters.
class myNumbFilter : public PNumbFilter
{
public:
    myNumbFilter() {}
    ~myNumbFilter() override {}

    void attach(HWND edit) override;
    bool accept(WPARAM &ch, HWND edit) override;
};

#endif
