#include "util/PRegistry.h"

PRegistry::PRegistry(HKEY rootKey, bool owns) : root(rootKey), ownsRoot(owns ? 1 : 0) {}

PRegistry::~PRegistry()
{
    if (ownsRoot)
        RegCloseKey(root);
}

bool PRegistry::setRoot(HKEY rootKey, bool owns)
{
    if (ownsRoot)
        RegCloseKey(root);
    root = rootKey;
    ownsRoot = owns ? 1 : 0;
    return true;
}

int PRegistry::openKey(const char *subkey, HKEY *key)
{
    DWORD disposition = 0;
    LONG r = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                             &disposition);
    return r == ERROR_SUCCESS ? 0 : 1;
}

int PRegistry::writeValue(PRegKey &value, const char *subkey)
{
    HKEY key;
    if (openKey(subkey, &key) != 0)
        return 1;
    LONG r = RegSetValueExA(key, value.getName(), 0, value.getType(), value.getData(), value.getSize());
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? 0 : 2;
}

int PRegistry::readValue(PRegKey &value, const char *subkey)
{
    HKEY key;
    if (openKey(subkey, &key) != 0)
        return 1;
    int r = 0;
    DWORD type = 0;
    if (!value.getBuffer()) {
        DWORD size = 0;
        if (RegQueryValueExA(key, value.getName(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            r = 3;
        else
            value.allocBuffer(size);
    }
    if (r == 0) {
        // The registry speaks DWORD; the value keeps uint32_t, so go through
        // a local rather than aliasing one as the other.
        DWORD size = value.getSize();
        if (RegQueryValueExA(key, value.getName(), nullptr, &type, value.getBuffer(), &size) != ERROR_SUCCESS)
            r = 3;
        else
            *value.sizeRef() = size;
    }
    if (r == 0)
        *value.typeRef() = type;
    RegCloseKey(key);
    return r;
}
