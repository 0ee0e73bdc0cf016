#include "win/PNumbFilter.h"

#include "win/FilterRules.h"

bool PNumbFilter::accept(WPARAM &ch, HWND)
{
    return ch <= 255 && FilterRules::decimalAccepts(int(ch));
}
