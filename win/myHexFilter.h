#ifndef WIN_MYHEXFILTER_H
#define WIN_MYHEXFILTER_H

#include "win/PHexFilter.h"

// The byte field's filter: a byte in two hexadecimal digits, at most 2 characters.
class myHexFilter : public PHexFilter
{
public:
    myHexFilter() {}
    ~myHexFilter() override {}

    void attach(HWND edit) override;
};

#endif
