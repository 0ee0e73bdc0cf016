#ifndef TESTS_WINE_HELPERS_FARENDPROGRAM_H
#define TESTS_WINE_HELPERS_FARENDPROGRAM_H

// A Linux program at the far end of a cable (lrzsz's receivers, say): its
// standard input and output are the pseudo-terminal behind a port, it runs
// in a fresh folder under the temporary folder, and it is ended by its PID
// when the object goes, unless it has ended by itself. Its standard error
// goes to far.log in that folder, its exit status to far.exit.

#include <windows.h>

#include <string>

#include "tests/wine/helpers/TerminalRig.h"

namespace rig {

// The Linux path of a path on Wine's Z: drive (the whole root); empty for
// any other drive.
inline std::string unixPath(const std::string &path)
{
    if (path.size() < 2 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':')
        return std::string();
    std::string out = path.substr(2);
    for (char &c : out)
        if (c == '\\')
            c = '/';
    return out;
}

class FarEndProgram
{
public:
    // command is a shell command line; "cd" into the folder comes first.
    // ptyPath, when given, is the far end's pseudo-terminal instead of the
    // port's LT_PTY_ (a pullable cable's link, which outlives a plug-in).
    FarEndProgram(const char *port, const std::string &command, const std::string &ptyPath = std::string())
        : pid(0)
    {
        static int runs = 0;
        folder = tempPath(("far-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs)).c_str());
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string pty = ptyPath.empty() ? env(("LT_PTY_" + std::string(port)).c_str()) : ptyPath;
        std::string dir = unixPath(folder);
        if (pty.empty() || dir.empty())
            return;
        // The program runs in the background of a shell that waits for it
        // and writes its status; the outer shell says "started" at once.
        runLinux("/bin/sh -c \"cd '" + dir + "' && { " + command + " <" + pty + " >" + pty +
                 " 2>far.log & echo $! >far.pid; wait $!; echo $? >far.exit; } </dev/null >/dev/null 2>&1 & "
                 "echo started\"");
        DWORD start = GetTickCount();
        while (pid == 0 && GetTickCount() - start < 10000) {
            pid = atoi(readAll(path("far.pid")).c_str());
            if (pid == 0)
                Sleep(10);
        }
    }
    ~FarEndProgram()
    {
        if (pid != 0 && !exited())
            signal("TERM");
    }
    FarEndProgram(const FarEndProgram &) = delete;
    FarEndProgram &operator=(const FarEndProgram &) = delete;

    bool started() const { return pid != 0; }
    bool exited() const { return !readAll(path("far.exit")).empty(); }
    // The exit status; -1 while it runs.
    int exitStatus() const
    {
        std::string s = readAll(path("far.exit"));
        return s.empty() ? -1 : atoi(s.c_str());
    }
    std::string log() const { return readAll(path("far.log")); }
    // A file in the program's folder, as this side names it.
    std::string path(const char *name) const { return folder + "\\" + name; }
    void signal(const char *name)
    {
        if (pid != 0)
            runLinux("/bin/sh -c \"kill -" + std::string(name) + " " + std::to_string(pid) +
                     " 2>/dev/null; echo sent\"");
    }

private:
    std::string folder;
    int pid;
};

} // namespace rig

#endif
