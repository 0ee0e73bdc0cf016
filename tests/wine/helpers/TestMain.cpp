#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tlhelp32.h>
#include <vector>

#include "tests/wine/helpers/StackReport.h"

namespace {

// A test that blocks for good (most often a modal box nobody answers, with the
// test's own thread inside SendMessage) would otherwise be seen only as the
// run's time limit killing the program, with no word on where it stood. The
// watchdog names the test, lists what windows the process shows and where its
// threads stand, and ends the process with a status of its own (3), leaving
// the test's name in hung-test.txt in the current folder.
class Watchdog : public testing::EmptyTestEventListener
{
public:
    explicit Watchdog(DWORD limitMs) : limit(limitMs), startedAt(0), running(0), testThread(nullptr), ownId(0)
    {
        name[0] = '\0';
        InitializeCriticalSection(&lock);
        // Made on the thread that runs the tests.
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &testThread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        CloseHandle(CreateThread(nullptr, 0, watch, this, 0, &ownId));
    }

private:
    void OnTestStart(const testing::TestInfo &info) override
    {
        EnterCriticalSection(&lock);
        std::snprintf(name, sizeof name, "%s.%s", info.test_suite_name(), info.name());
        startedAt = GetTickCount();
        running = 1;
        LeaveCriticalSection(&lock);
    }
    void OnTestEnd(const testing::TestInfo &) override
    {
        EnterCriticalSection(&lock);
        running = 0;
        LeaveCriticalSection(&lock);
    }

    static BOOL CALLBACK describe(HWND wnd, LPARAM)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        if (pid != GetCurrentProcessId() || !IsWindowVisible(wnd))
            return TRUE;
        char cls[64] = "", caption[256] = "", text[512] = "";
        GetClassNameA(wnd, cls, sizeof cls);
        cls[sizeof cls - 1] = '\0';
        textOf(wnd, caption, sizeof caption);
        // A message box keeps its text in the static numbered 0xFFFF.
        textOf(GetDlgItem(wnd, 0xFFFF), text, sizeof text);
        std::printf("watchdog:   window %p class \"%s\" caption \"%s\"%s%s%s%s\n", static_cast<void *>(wnd), cls,
                    caption, text[0] ? " text \"" : "", text, text[0] ? "\"" : "",
                    IsHungAppWindow(wnd) ? " (its thread does not answer)" : "");
        return TRUE;
    }

    // Read as the window manager keeps it: GetWindowText would send the
    // question to the window's thread and wait for ever on the very thread
    // that hangs.
    static void textOf(HWND wnd, char *text, int size)
    {
        WCHAR wide[512];
        text[0] = '\0';
        if (!wnd || InternalGetWindowText(wnd, wide, 512) <= 0)
            return;
        wide[511] = 0;
        if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr) <= 0)
            text[0] = '\0';
        text[size - 1] = '\0';
    }

    // A stack as a few lines of "a < b < c", innermost first.
    static void printFrames(const char *title, const std::vector<std::string> &frames)
    {
        std::string line = std::string("watchdog: ") + title + ":";
        for (size_t i = 0; i < frames.size(); ++i) {
            std::string next = (i ? " < " : " ") + frames[i];
            if (line.size() + next.size() > 78 && line.size() > 20) {
                std::printf("%s\n", line.c_str());
                line = "watchdog:    ";
            }
            line += next;
        }
        std::printf("%s\n", line.c_str());
    }

    // The test's thread at length, every other thread but this one briefly.
    void printStacks()
    {
        StackReport report;
        printFrames("the test's thread, innermost first", report.framesOf(testThread, 6, 14));
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snap == INVALID_HANDLE_VALUE)
            return;
        THREADENTRY32 entry;
        entry.dwSize = sizeof entry;
        DWORD testId = GetThreadId(testThread);
        int shown = 0;
        for (BOOL more = Thread32First(snap, &entry); more && shown < 6; more = Thread32Next(snap, &entry)) {
            if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == ownId ||
                entry.th32ThreadID == testId)
                continue;
            HANDLE other = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE,
                                      entry.th32ThreadID);
            if (!other)
                continue;
            char title[48];
            std::snprintf(title, sizeof title, "thread %lu", static_cast<unsigned long>(entry.th32ThreadID));
            printFrames(title, report.framesOf(other, 8));
            CloseHandle(other);
            ++shown;
        }
        CloseHandle(snap);
    }

    static DWORD WINAPI watch(LPVOID self)
    {
        Watchdog &w = *static_cast<Watchdog *>(self);
        for (;;) {
            Sleep(1000);
            EnterCriticalSection(&w.lock);
            bool over = w.running && GetTickCount() - w.startedAt > w.limit;
            std::string test = w.name;
            LeaveCriticalSection(&w.lock);
            if (!over)
                continue;
            std::printf("\nwatchdog: %s has run for more than %lu s; the windows this process shows:\n",
                        test.c_str(), static_cast<unsigned long>(w.limit / 1000));
            EnumWindows(describe, 0);
            w.printStacks();
            std::fflush(stdout);
            // The runner reads the name from here: the log's lines are cut
            // at the width of its terminal.
            if (FILE *f = std::fopen("hung-test.txt", "w")) {
                std::fprintf(f, "%s\n", test.c_str());
                std::fclose(f);
            }
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }

    DWORD limit;
    CRITICAL_SECTION lock;
    char name[256];
    DWORD startedAt;
    int running;
    HANDLE testThread;
    DWORD ownId;
};

} // namespace

// Windows test programs run unattended: a crash must end the process with a
// report, never wait on the system's error dialog.
int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Unbuffered, so the log of a program that dies shows how far it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    setvbuf(stderr, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    // The runner gives the limit of one test in seconds; none means no watch.
    const char *limit = std::getenv("LT_TEST_LIMIT");
    long seconds = limit ? std::strtol(limit, nullptr, 10) : 0;
    if (seconds > 0)
        testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(DWORD(seconds) * 1000));
    return RUN_ALL_TESTS();
}
