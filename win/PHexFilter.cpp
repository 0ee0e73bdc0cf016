#include "win/PHexFilter.h"

#include "win/FilterRules.h"

bool PHexFilter::accept(WPARAM &ch, HWND)
{
    return ch <= 255 && FilterRules::hexAccepts(int(ch));
}
