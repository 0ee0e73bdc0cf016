#include "util/PRegKey.h"

#include <cstring>

#include "util/dupString.h"

PRegKey::PRegKey(const char *name, uint32_t type)
    : valueName(dupString(name)), valueData(nullptr), valueType(type), valueSize(0)
{
}

PRegKey::~PRegKey()
{
    delete[] valueName;
    delete[] valueData;
}

const char *PRegKey::getName() const { return valueName; }
unsigned char *PRegKey::getBuffer() { return valueData; }
uint32_t *PRegKey::typeRef() { return &valueType; }
uint32_t *PRegKey::sizeRef() { return &valueSize; }
const unsigned char *PRegKey::getData() const { return valueData; }
uint32_t PRegKey::getType() const { return valueType; }
uint32_t PRegKey::getSize() const { return valueSize; }

void PRegKey::setName(const char *name)
{
    char *copy = dupString(name);
    delete[] valueName;
    valueName = copy;
}

void PRegKey::copyIn(const void *bytes)
{
    if (valueData && bytes && valueSize)
        std::memcpy(valueData, bytes, valueSize);
}

void PRegKey::setBuffer(const void *bytes, uint32_t size)
{
    if (!bytes) {
        delete[] valueData;
        valueData = nullptr;
        valueSize = 0;
        return;
    }
    // Copy first: bytes may point into the buffer being replaced.
    unsigned char *copy = new unsigned char[size ? size : 1];
    if (size)
        std::memcpy(copy, bytes, size);
    delete[] valueData;
    valueData = copy;
    valueSize = size;
}

void PRegKey::setType(uint32_t type) { valueType = type; }

unsigned char *PRegKey::allocBuffer(uint32_t size)
{
    delete[] valueData;
    valueData = nullptr;
    valueData = new unsigned char[size ? size : 1];
    valueSize = size;
    return valueData;
}

PRegKey &PRegKey::assign(const PRegKey &src)
{
    if (&src == this)
        return *this;
    setName(src.getName());
    setBuffer(src.getData(), src.getSize());
    setType(src.getType());
    return *this;
}
