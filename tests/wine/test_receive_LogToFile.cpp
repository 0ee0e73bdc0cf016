#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/FarEndProgram.h"
#include "tests/wine/helpers/FileDialogDriver.h"
#include "tests/wine/helpers/MessageBoxAnswerer.h"

// "Log to File...": the lines the view shows, received and sent, each with
// its date, time and direction, added to a chosen file within a second;
// the menu item checked and the status bar naming the file while it runs.

using rig::bytesOf;

namespace {

enum { notePart = 3 };
const size_t stampChars = 24;   // "2026-12-09 14:03:07.125 "

// The file's lines, each without its CR LF; a line not ended yet is left out.
std::vector<std::string> linesOf(const std::string &path)
{
    std::vector<unsigned char> bytes;
    std::vector<std::string> lines;
    if (!rig::readFile(path, bytes))
        return lines;
    std::string text(bytes.begin(), bytes.end());
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// A log line's stamp as local milliseconds from 1601; -1 when the line does
// not begin with a well-formed "YYYY-MM-DD hh:mm:ss.mmm ".
long long stampOf(const std::string &line)
{
    SYSTEMTIME t = {};
    int y, mo, d, h, mi, s, ms;
    char tail = 0;
    if (line.size() < stampChars || line[stampChars - 1] != ' ' ||
        std::sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d%c", &y, &mo, &d, &h, &mi, &s, &ms, &tail) != 8 ||
        tail != ' ')
        return -1;
    t.wYear = WORD(y), t.wMonth = WORD(mo), t.wDay = WORD(d);
    t.wHour = WORD(h), t.wMinute = WORD(mi), t.wSecond = WORD(s), t.wMilliseconds = WORD(ms);
    FILETIME f;
    if (!SystemTimeToFileTime(&t, &f))
        return -1;
    return (((long long)f.dwHighDateTime << 32) | f.dwLowDateTime) / 10000;
}

long long localNowMs()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    return (((long long)f.dwHighDateTime << 32) | f.dwLowDateTime) / 10000;
}

// Direction and content: the line after its stamp.
std::string bodyOf(const std::string &line)
{
    return line.size() >= stampChars ? line.substr(stampChars) : "(short) " + line;
}

class LogToFile : public rig::DataPathTest
{
protected:
    // The File menu's item, as the operator chooses it; the file dialog is
    // answered with name (in the dialog's folder, the temporary one).
    void chooseLog(const char *name)
    {
        FileDialogDriver driver(name);
        chooseLog();
        ASSERT_TRUE(driver.waitDone());
        // An existing file is added to: nothing asks whether to replace it.
        EXPECT_TRUE(driver.messages().empty()) << driver.messages().front();
    }
    void chooseLog() { SendMessageA(term.frame->hwnd, WM_COMMAND, MAKEWPARAM(IDM_FILE_LOG, 0), 0); }
    bool logChecked()
    {
        SendMessageA(term.frame->hwnd, WM_INITMENUPOPUP, WPARAM(GetSubMenu(term.menuBar(), 0)), 0);
        return (GetMenuState(term.menuBar(), IDM_FILE_LOG, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool noteSays(const char *text) const { return term.status(notePart).find(text) != std::string::npos; }
    void send(const std::string &text)
    {
        term.setText(IDC_SENDBOX, text);
        term.command(IDC_SENDSTRING);
    }
};

} // namespace

TEST_F(LogToFile, AddsSentAndReceivedLinesWithTheirTimesToTheFileWithinASecond)
{
    std::string path = rig::tempPath("session.log");
    ASSERT_TRUE(rig::writeFile(path, bytesOf("from before\r\n")));
    chooseLog("session.log");
    EXPECT_TRUE(logChecked());
    EXPECT_TRUE(noteSays("Logging session.log")) << term.status(notePart);

    long long before = localNowMs();
    send("AT");
    ASSERT_TRUE(term.waitFor([&] { return peer.received() == bytesOf("AT"); }));
    ASSERT_TRUE(receive("OK\r\n"));
    DWORD arrived = GetTickCount();
    ASSERT_TRUE(term.waitFor([&] { return linesOf(path).size() >= 3; }, 5000));
    // A second, and some room for a loaded machine.
    EXPECT_LE(GetTickCount() - arrived, 1500u);
    long long after = localNowMs();

    std::vector<std::string> lines = linesOf(path);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "from before");
    EXPECT_EQ(bodyOf(lines[1]), "TX AT");
    EXPECT_EQ(bodyOf(lines[2]), "RX OK");
    long long sentAt = stampOf(lines[1]), receivedAt = stampOf(lines[2]);
    EXPECT_GE(sentAt, before - 1000) << lines[1];
    EXPECT_LE(sentAt, receivedAt);
    EXPECT_LE(receivedAt, after + 1000) << lines[2];

    // Chosen again it ends, without asking; what comes later is not logged.
    chooseLog();
    EXPECT_FALSE(logChecked());
    EXPECT_FALSE(noteSays("Logging")) << term.status(notePart);
    ASSERT_TRUE(receive("late\r\n"));
    term.settle(800);
    EXPECT_EQ(linesOf(path).size(), 3u);
}

TEST_F(LogToFile, InHexTheDumpLinesAreLoggedAndTheLastGoesOutWhenTheLogEnds)
{
    std::string path = rig::tempPath("hex.log");
    DeleteFileA(path.c_str());
    term.check(IDC_SHOWHEX, true);
    chooseLog("hex.log");
    ASSERT_TRUE(receive("OK\r\n"));
    send("AT");
    ASSERT_TRUE(term.waitFor([&] { return peer.received() == bytesOf("AT"); }));
    ASSERT_TRUE(receive("0123456789"));
    // What is held is written as the log ends: the half line of "89" too.
    chooseLog();
    std::vector<std::string> bodies;
    for (const std::string &line : linesOf(path)) {
        EXPECT_GE(stampOf(line), 0) << line;
        bodies.push_back(bodyOf(line));
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{
                          "RX 000000 4F4B0D0A         OK..",
                          "TX 000000 4154             AT",   // the send cuts the received line
                          "RX 000004 30313233         0123",
                          "RX 000008 343536373839     456789",
                      }));
}

TEST_F(LogToFile, GoesOnBesideACaptureWhichKeepsTheReceivedBytesOnly)
{
    std::string capture = rig::tempPath("beside.bin"), log = rig::tempPath("beside.log");
    DeleteFileA(capture.c_str());
    DeleteFileA(log.c_str());
    chooseLog("beside.log");
    {
        FileDialogDriver driver("beside.bin");
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(term.client->isCapturing());
    EXPECT_TRUE(noteSays("Capturing beside.bin  Logging beside.log")) << term.status(notePart);
    ASSERT_TRUE(receive("OK\r\n"));
    send("AT");
    ASSERT_TRUE(term.waitFor([&] { return peer.received() == bytesOf("AT"); }));
    ASSERT_TRUE(term.waitFor([&] { return linesOf(log).size() >= 2; }, 5000));
    std::vector<std::string> lines = linesOf(log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(bodyOf(lines[0]), "RX OK");
    EXPECT_EQ(bodyOf(lines[1]), "TX AT");
    EXPECT_EQ(term.viewText(), "");
    term.check(IDC_CAPTURE, false);
    std::vector<unsigned char> captured;
    ASSERT_TRUE(rig::readFile(capture, captured));
    EXPECT_EQ(captured, bytesOf("OK\r\n"));
    EXPECT_TRUE(logChecked());
}

TEST_F(LogToFile, AFailedWriteIsToldOnceAndEndsTheLogWhileTheTerminalGoesOn)
{
    // A log file whose writes fail as on a full disk: Linux's /dev/full
    // under the name the dialog is given.
    std::string unixFolder = rig::unixPath(rig::tempFolder());
    ASSERT_FALSE(unixFolder.empty()) << "the temporary folder is not on Z:";
    DeleteFileA(rig::tempPath("full.log").c_str());
    ASSERT_EQ(rig::runLinux("/bin/sh -c \"ln -s /dev/full '" + unixFolder + "full.log' && echo linked\""),
              "linked\n");
    MessageBoxAnswerer answerer(IDOK, 3, 30000);
    chooseLog("full.log");
    ASSERT_TRUE(logChecked()) << answerer.text(0);
    ASSERT_TRUE(receive("abc\r\n"));
    ASSERT_TRUE(term.waitFor([&] { return answerer.answeredCount() >= 1; }, 5000));
    EXPECT_EQ(answerer.text(0), "Unable to write to the log file; the log has ended.");
    EXPECT_EQ(answerer.caption(0), "Error on file");
    EXPECT_FALSE(logChecked());
    EXPECT_FALSE(noteSays("Logging")) << term.status(notePart);
    ASSERT_TRUE(receive("def\r\n"));
    term.settle(800);
    EXPECT_EQ(answerer.answeredCount(), 1);
    EXPECT_EQ(term.history(), bytesOf("abc\r\ndef\r\n"));
    DeleteFileA(rig::tempPath("full.log").c_str());
}
