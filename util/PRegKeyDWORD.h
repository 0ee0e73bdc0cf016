#ifndef UTIL_PREGKEYDWORD_H
#define UTIL_PREGKEYDWORD_H

#include <cstdint>

#include "util/PRegKey.h"

// A REG_DWORD value: 4 bytes, little-endian.
class PRegKeyDWORD : public PRegKey
{
public:
    explicit PRegKeyDWORD(const char *name);
    PRegKeyDWORD(const char *name, uint32_t value);
    ~PRegKeyDWORD() override;
};

#endif
