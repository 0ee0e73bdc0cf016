#ifndef TESTS_WINE_HELPERS_PULLABLECABLE_H
#define TESTS_WINE_HELPERS_PULLABLECABLE_H

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/wine/helpers/LinuxProgram.h"

namespace rig {

// The cable COM6-COM13: pulled, its socat ends and both pseudo-terminals go;
// plugged in, a new pair appears under the same link names.
class Cable
{
public:
    Cable() : script(rig::env("LT_CABLE_COM6"))
    {
        if (script.size() > 3 && script.compare(script.size() - 3, 3, ".sh") == 0) {
            std::string dir = script.substr(0, script.rfind('/'));
            link = dir + "/com6";
            pidFile = windowsName(script.substr(0, script.size() - 3) + ".pid");
            unpluggedFile = windowsName(script.substr(0, script.size() - 3) + ".unplugged");
        }
    }
    bool present() const { return !pidFile.empty(); }
    bool plugged() const { return GetFileAttributesA(pidFile.c_str()) != INVALID_FILE_ATTRIBUTES; }
    // Pulls the cable; returns the moment it went (the script removes its
    // pid file just before it ends socat), 0 when it did not go. `meanwhile`
    // runs while the script is at work (the terminal's thread pumps there).
    DWORD pull(const std::function<void()> &meanwhile = nullptr)
    {
        if (!start("stop"))
            return 0;
        DWORD begin = GetTickCount();
        while (plugged()) {
            if (GetTickCount() - begin > 10000) {
                std::printf("the cable's pid file %s stayed\n", pidFile.c_str());
                return 0;
            }
            Sleep(1);
        }
        DWORD at = GetTickCount();
        finishedAfter = 0;
        // The script says so once socat has ended and the links are gone.
        while (GetFileAttributesA(unpluggedFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - at > 10000) {
                std::printf("the cable's script did not finish\n");
                return 0;
            }
            if (meanwhile)
                meanwhile();
            Sleep(2);
        }
        finishedAfter = GetTickCount() - at;
        return at;
    }
    // Returns once the new pseudo-terminals are in place.
    bool plugIn()
    {
        std::string out = rig::runLinux("/bin/sh -c \"" + script + " start; echo cable-in\"");
        return out.find("cable-in") != std::string::npos && plugged();
    }
    // The far end's pseudo-terminal (COM13) by its link, which stays the
    // same when the cable is plugged in again (LT_PTY_COM13 does not).
    std::string farLink() const { return link.empty() ? link : link.substr(0, link.size() - 4) + "com13"; }
    // What Linux says of the line settings of the pseudo-terminal at COM6.
    std::string stty() const { return rig::runLinux("/bin/sh -c \"/bin/stty -F " + link + " -a\""); }

private:
    static std::string windowsName(std::string path)
    {
        for (char &c : path)
            if (c == '/')
                c = '\\';
        return "Z:" + path;
    }
    bool start(const char *verb)
    {
        return rig::startLinux("/bin/sh " + script + " " + verb);
    }

    std::string script;
    std::string link;
    std::string pidFile;
    std::string unpluggedFile;

public:
    DWORD finishedAfter = 0;   // ms from the pull to the script's end
};

} // namespace rig

#endif
