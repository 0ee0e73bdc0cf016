#ifndef UTIL_DUPSTRING_H
#define UTIL_DUPSTRING_H

// Heap copy of a text, allocated with new[]; a null text gives a fresh empty
// text. The caller owns the result and releases it with delete[].
char *dupString(const char *text);

#endif
