#include "win/PBinaryFilter.h"

#include "win/FilterRules.h"

bool PBinaryFilter::accept(WPARAM &ch, HWND)
{
    return ch <= 255 && FilterRules::binaryAccepts(int(ch));
}
