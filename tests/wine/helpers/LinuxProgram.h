#ifndef TESTS_WINE_HELPERS_LINUXPROGRAM_H
#define TESTS_WINE_HELPERS_LINUXPROGRAM_H

#include <windows.h>

#include <string>
#include <vector>

namespace rig {

// Starts a Linux program, which Wine runs when given its path. Wine does not
// follow such a child: CreateProcess succeeds with no process handle and no
// id, and the thread handle it hands back is whatever its own stack held.
// Closing that closed one of this process's handles at random; once it was
// the test thread's message queue, and every GetMessage after it waited for
// ever. So only a child with a process handle has handles to close. With an
// `output` handle the program writes there (both streams) and shares this
// program's input. False when the program could not be started.
inline bool startLinux(const std::string &commandLine, HANDLE output = nullptr)
{
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output;
        si.hStdError = output;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi;
    ZeroMemory(&pi, sizeof pi);
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return true;
}

} // namespace rig

#endif
