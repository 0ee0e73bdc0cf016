#ifndef TESTS_WINE_HELPERS_LINUXPROGRAM_H
#define TESTS_WINE_HELPERS_LINUXPROGRAM_H

// The Linux side of a test: programs started on the host (a cable's script,
// stty on the pseudo-terminal behind a port), their output read back from
// the test's temporary folder. Nothing of the product is needed here, so
// the tests of every folder can use it.

#include <windows.h>

#include <string>
#include <vector>

namespace rig {

inline std::string env(const char *name)
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return std::string(buf, n);
}

// The test program's temporary folder, with a trailing backslash.
inline std::string tempFolder()
{
    std::string dir = env("LT_TMP");
    if (dir.empty()) {
        char buf[MAX_PATH];
        DWORD n = GetTempPathA(sizeof buf, buf);
        dir = std::string(buf, n < sizeof buf ? n : 0);
    }
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir;
}

inline std::string readAll(const std::string &path)
{
    std::string text;
    HANDLE r = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (r == INVALID_HANDLE_VALUE)
        return text;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(r, buf, sizeof buf, &n, nullptr) && n > 0)
        text.append(buf, n);
    CloseHandle(r);
    return text;
}

// Starts a Linux program, which Wine runs when given its path. Wine does not
// follow such a child: CreateProcess succeeds with no process handle and no
// id, and the thread handle it hands back is whatever its own stack held.
// Closing that closed whichever handle of this process had that value; once it was
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

// Runs a Linux program (Wine starts those too) with its output in a fresh
// file under the temporary folder; returns the output, "" when none came.
// Wine does not follow a Linux child to its end, so the output is taken
// once it is complete (ends with a line break and stops changing).
inline std::string runLinux(const std::string &commandLine, DWORD timeoutMs = 10000)
{
    static int runs = 0;
    std::string out = tempFolder() + "linux-output-" + std::to_string(++runs) + ".txt";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE f = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return std::string();
    DWORD start = GetTickCount();
    bool started = startLinux(commandLine, f);
    DWORD error = GetLastError();
    CloseHandle(f);
    if (!started)
        return "CreateProcess failed: " + std::to_string(error);
    std::string last = readAll(out);
    for (;;) {
        if (GetTickCount() - start >= timeoutMs)
            return last;
        Sleep(20);
        std::string now = readAll(out);
        if (!now.empty() && now == last && now.back() == '\n')
            return now;
        last = now;
    }
}

// The line settings Linux sees on the pseudo-terminal behind a port.
inline std::string sttyOf(const char *port)
{
    std::string pty = env((std::string("LT_PTY_") + port).c_str());
    if (pty.empty())
        return std::string();
    // Through a shell, as everywhere else: a bare /bin/stty started from here
    // has been seen to take the calling test program down with it under Wine.
    return runLinux("/bin/sh -c \"/bin/stty -F " + pty + " -a\"");
}

// Sets the line speed Linux keeps on the pseudo-terminal behind a port, so
// a later open can be seen to change it.
inline void setPtySpeed(const char *port, const char *speed)
{
    std::string pty = env((std::string("LT_PTY_") + port).c_str());
    // The settings are printed afterwards so that the run has an output
    // whose end shows it is over.
    if (!pty.empty())
        runLinux("/bin/sh -c \"/bin/stty -F " + pty + " " + speed + "; /bin/stty -F " + pty + " -a\"");
}

} // namespace rig

#endif
