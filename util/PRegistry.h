#ifndef UTIL_PREGISTRY_H
#define UTIL_PREGISTRY_H

#include <windows.h>

#include "util/PRegKey.h"

// A root key and the reading and writing of values below it. Subkeys are
// opened with full access and created when missing, for reads as well as
// for writes; every subkey handle is closed before the call returns.
class PRegistry
{
public:
    PRegistry(HKEY rootKey, bool owns);
    ~PRegistry();

    PRegistry(const PRegistry &) = delete;
    PRegistry &operator=(const PRegistry &) = delete;

    bool setRoot(HKEY rootKey, bool owns);

    // 0 opened (or created), 1 failed.
    int openKey(const char *subkey, HKEY *key);
    // 0 stored, 1 key not opened, 2 store failed.
    int writeValue(PRegKey &value, const char *subkey);
    // 0 read, 1 key not opened, 3 value missing or unreadable. A value with
    // no buffer gets one of exactly the stored size; a value with a buffer
    // offers getSize() bytes and fails when the data is larger.
    int readValue(PRegKey &value, const char *subkey);

private:
    HKEY root;
    BYTE ownsRoot;
};

#endif
