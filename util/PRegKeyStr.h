#ifndef UTIL_PREGKEYSTR_H
#define UTIL_PREGKEYSTR_H

#include <cstdint>

#include "util/PRegKey.h"

// A REG_SZ value. Data given to the constructor is the text with its
// terminating NUL, and size counts that NUL.
class PRegKeyStr : public PRegKey
{
public:
    explicit PRegKeyStr(const char *name);
    PRegKeyStr(const char *name, const void *bytes, uint32_t size);
    ~PRegKeyStr() override;
};

#endif
