#include "util/PRegKeyStr.h"

PRegKeyStr::PRegKeyStr(const char *name) : PRegKey(name, typeString) {}

PRegKeyStr::PRegKeyStr(const char *name, const void *bytes, uint32_t size) : PRegKey(name, typeString)
{
    setBuffer(bytes, size);
}

PRegKeyStr::~PRegKeyStr() {}
