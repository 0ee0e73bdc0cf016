#include "util/PRegKeyDWORD.h"

PRegKeyDWORD::PRegKeyDWORD(const char *name) : PRegKey(name, typeDword) {}

PRegKeyDWORD::PRegKeyDWORD(const char *name, uint32_t value) : PRegKey(name, typeDword)
{
    // The registry keeps a DWORD little-endian, as the machine does.
    unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    setBuffer(bytes, 4);
}

PRegKeyDWORD::~PRegKeyDWORD() {}
