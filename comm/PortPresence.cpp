#include "comm/PortPresence.h"

#include <windows.h>

#include <cstring>

PortPresence::PortPresence() : found(0)
{
    std::memset(present, 0, sizeof present);
    std::memset(device, 0, sizeof device);
}

void PortPresence::scan()
{
    std::memset(present, 0, sizeof present);
    std::memset(device, 0, sizeof device);
    found = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        char data[64];
        DWORD nameLength = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        LONG r = RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE *>(data), &dataSize);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        // A value too long for a port name is somebody else's: skip it.
        if (r == ERROR_SUCCESS && type == REG_SZ)
            note(name, data, dataSize);
        else if (r != ERROR_MORE_DATA && r != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
}

void PortPresence::note(const char *valueName, const char *data, unsigned long size)
{
    char text[64];
    size_t length = size < sizeof text ? size : sizeof text - 1;
    std::memcpy(text, data, length);
    text[length] = '\0';
    unsigned number = CommSettings::parsePortName(text);
    if (number == 0 || present[number])
        return;
    present[number] = true;
    ++found;
    // "\Device\Silabser0" shows as "Silabser0"; a name too long is cut,
    // and anything unprintable in it becomes "?".
    const char *last = std::strrchr(valueName, '\\');
    const char *from = last ? last + 1 : valueName;
    size_t n = 0;
    for (; from[n] != '\0' && n + 1 < deviceNameSize; ++n) {
        unsigned char c = static_cast<unsigned char>(from[n]);
        device[number][n] = c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    device[number][n] = '\0';
}

const char *PortPresence::deviceName(unsigned number) const
{
    return isPresent(number) ? device[number] : "";
}

bool PortPresence::isPresent(unsigned number) const
{
    return number >= 1 && number <= CommSettings::maxPort && present[number];
}
