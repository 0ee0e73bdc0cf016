#ifndef UTIL_PREGKEY_H
#define UTIL_PREGKEY_H

#include <cstdint>

// One named registry value: its name, type and data bytes, as read from or
// to be written to the registry by PRegistry. Holds no handle; the platform
// part lives in PRegistry, so this class builds anywhere.
class PRegKey
{
public:
    // The registry's own type numbers.
    static const uint32_t typeString = 1;   // REG_SZ
    static const uint32_t typeDword = 4;    // REG_DWORD

    // A value with the given name (null: the key's default value), no data.
    PRegKey(const char *name, uint32_t type);
    virtual ~PRegKey();

    PRegKey(const PRegKey &) = delete;
    PRegKey &operator=(const PRegKey &src) { return assign(src); }

    virtual const char *getName() const;
    virtual unsigned char *getBuffer();     // null while nothing was read or set
    virtual uint32_t *typeRef();
    virtual uint32_t *sizeRef();
    virtual const unsigned char *getData() const;
    virtual uint32_t getType() const;
    virtual uint32_t getSize() const;
    // Stores a copy of the text; null is stored as the empty name.
    virtual void setName(const char *name);
    // Copies getSize() bytes from bytes into the existing buffer.
    virtual void copyIn(const void *bytes);
    // Replaces the data with a copy of size bytes. Null bytes leave the
    // value with no data (size 0), so that copying a value that was never
    // read gives one that was never read either.
    virtual void setBuffer(const void *bytes, uint32_t size);
    virtual void setType(uint32_t type);
    // Replaces the data with size bytes of undefined content and returns them.
    virtual unsigned char *allocBuffer(uint32_t size);

    // Takes name, data and type of src; assigning an object to itself
    // changes nothing.
    PRegKey &assign(const PRegKey &src);

private:
    char *valueName;
    unsigned char *valueData;
    uint32_t valueType;
    uint32_t valueSize;
};

#endif
