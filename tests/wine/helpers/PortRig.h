#ifndef TESTS_WINE_HELPERS_PORTRIG_H
#define TESTS_WINE_HELPERS_PORTRIG_H

// Ports beyond COM8 for the tests: the system's list of serial devices kept
// the way Windows keeps it, and a cable between two of them that a test
// pulls out and plugs back in (the run's pullable cables, LT_CABLE_COMn).

#include <windows.h>

#include <string>

#include "tests/wine/helpers/Pump.h"
#include "tests/wine/helpers/TerminalRig.h"

namespace rig {

const char serialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

inline std::string windowsPathOf(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

// True when the prefix's ports folder has a device behind port n (a link to a
// pseudo-terminal); an empty folder stands in for a port that is absent.
inline bool deviceBehind(unsigned n)
{
    std::string ports = env("LT_PORTS");
    if (ports.empty())
        return false;
    std::string path = windowsPathOf(ports + "/com" + std::to_string(n));
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Wine answers a pseudo-terminal with ERROR_INVALID_PARAMETER.
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Under Wine the system's list of serial devices names every port the prefix
// maps (here all 256), device or not, and is made again each time Wine's
// server starts. Windows lists the ports that have a device and updates the
// list as devices come and go: this makes the list so. False when the list
// never appeared.
inline bool syncSerialComm()
{
    HKEY key = nullptr;
    // Wine's mount manager makes the list shortly after its server starts.
    bool opened = waitFor([&] {
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, serialCommKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    }, 10000);
    if (!opened)
        return false;
    for (unsigned n = 1; n <= 256; ++n) {
        std::string name = "\\Device\\Serial" + std::to_string(n - 1);
        if (deviceBehind(n)) {
            std::string port = "COM" + std::to_string(n);
            RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(port.c_str()),
                           DWORD(port.size() + 1));
        } else {
            RegDeleteValueA(key, name.c_str());
        }
    }
    RegCloseKey(key);
    return true;
}

// The ports the system's list names now, in its order.
inline std::vector<std::string> listedPorts()
{
    std::vector<std::string> ports;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, serialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        char name[256], data[64];
        DWORD nameLength = sizeof name, size = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) !=
            ERROR_SUCCESS)
            break;
        data[size] = '\0';
        ports.push_back(data);
    }
    RegCloseKey(key);
    return ports;
}

// A pullable cable of the run, named by its first end ("COM16"). Pulling it
// ends its socat and leaves empty folders for both ends, as an unplugged
// adapter takes its names along; plugging it makes a new pair. Either way the
// system's list follows, as Windows' does.
class PortCable
{
public:
    explicit PortCable(const char *port) : script(env((std::string("LT_CABLE_") + port).c_str())) {}
    bool present() const { return !script.empty(); }
    bool pull() { return run("stop") && syncSerialComm(); }
    bool plugIn() { return run("start") && syncSerialComm(); }

private:
    bool run(const char *verb)
    {
        std::string out = runLinux("/bin/sh -c \"" + script + " " + verb + "; echo cable-done\"", 20000);
        return out.find("cable-done") != std::string::npos;
    }

    std::string script;
};

} // namespace rig

#endif
