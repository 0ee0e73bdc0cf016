#ifndef WIN_MYBINARYFILTER_H
#define WIN_MYBINARYFILTER_H

#include "win/PBinaryFilter.h"

// The byte field's filter: a byte in eight binary digits, at most 8 characters.
class myBinaryFilter : public PBinaryFilter
{
public:
    myBinaryFilter() {}
    ~myBinaryFilter() override {}

    void attach(HWND edit) override;
};

#endif
