#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A test that blocks for good (most often a modal box nobody answers, with the
// test's own thread inside SendMessage) would otherwise be seen only as the
// run's time limit killing the program, with no word on where it stood. The
// watchdog names the test, lists what windows the process shows, and ends the
// process with a status of its own (3), leaving the test's name in
// hung-test.txt in the current folder.
class Watchdog : public testing::EmptyTestEventListener
{
public:
    explicit Watchdog(DWORD limitMs) : limit(limitMs), startedAt(0), running(0)
    {
        name[0] = '\0';
        InitializeCriticalSection(&lock);
        CloseHandle(CreateThread(nullptr, 0, watch, this, 0, nullptr));
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

    // Asked with a time-out: GetWindowText would send the question to the
    // window's thread and wait for ever on the very thread that hangs. That
    // thread not answering is worth saying.
    static void textOf(HWND wnd, char *text, int size)
    {
        DWORD_PTR copied = 0;
        text[0] = '\0';
        if (wnd && !SendMessageTimeoutA(wnd, WM_GETTEXT, WPARAM(size), LPARAM(text), SMTO_BLOCK | SMTO_ABORTIFHUNG,
                                        500, &copied))
            std::snprintf(text, size_t(size), "(its thread does not answer)");
        text[size - 1] = '\0';
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
        std::printf("watchdog:   window %p class \"%s\" caption \"%s\"%s%s%s\n", static_cast<void *>(wnd), cls,
                    caption, text[0] ? " text \"" : "", text, text[0] ? "\"" : "");
        return TRUE;
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
