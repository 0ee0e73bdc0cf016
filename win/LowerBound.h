#ifndef WIN_LOWERBOUND_H
#define WIN_LOWERBOUND_H

#include <cstddef>

// The first index in [lo, hi) for which below(i) is false, where below is
// true up to some index and false from there on; hi when it is true for all.
// The one binary search of the text view's indexes.
template <class Below>
size_t lowerBound(size_t lo, size_t hi, Below below)
{
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (below(mid))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

#endif
