// The built LineTalk.exe, driven from outside as an operator would: start,
// open COM2, send and receive as text and as hex, change the line settings,
// send a file, capture, save, and "&Done" with exit status 0. Every window,
// dialog, subclass and thread procedure of the program runs on the way, in
// the program's own process. Screenshots of the way are written to LT_BUILD
// (screenshot-product-*.bmp) for the README.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "helpers/SerialPeer.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/ProductProcess.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace product;
using namespace rig;

namespace {

bool isDialog(HWND w) { return classOf(w) == "#32770"; }
bool isMessageBox(HWND w) { return isDialog(w) && GetDlgItem(w, 0xFFFF); }
bool isFileDialog(HWND w) { return isDialog(w) && (GetDlgItem(w, 0x47C) || GetDlgItem(w, 0x480)); }
bool isProgress(HWND w)
{
    HWND bar = GetDlgItem(w, IDC_PROG_BAR);
    return isDialog(w) && bar && classOf(bar) == "msctls_progress32";
}

// Answers the next message box of the process; its text, or "" when none came.
std::string answerBox(DWORD pid, int button)
{
    HWND box = waitWindow(pid, isMessageBox);
    if (!box)
        return std::string();
    std::string text = textOf(GetDlgItem(box, 0xFFFF));
    post(box, GetDlgItem(box, button) ? button : IDOK);
    waitFor([&] { return !IsWindow(box); }, productWaitMs);
    return text;
}

// Types a full path into the next open or save dialog of the process and
// presses OK, again while the dialog is still there (it takes input only once
// its folder view is filled). False when no dialog came or it did not go.
bool answerFileDialog(DWORD pid, const std::string &path)
{
    HWND dlg = waitWindow(pid, isFileDialog);
    if (!dlg)
        return false;
    HWND field = GetDlgItem(dlg, 0x47C) ? GetDlgItem(dlg, 0x47C) : GetDlgItem(dlg, 0x480);
    DWORD start = GetTickCount();
    while (IsWindow(dlg)) {
        if (GetTickCount() - start > 20000)
            return false;
        SendMessageTimeoutA(field, WM_SETTEXT, 0, LPARAM(path.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
        post(dlg, IDOK);
        waitFor([&] { return !IsWindow(dlg); }, 1000);
    }
    return true;
}

std::vector<unsigned char> bytes(const std::string &s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::vector<unsigned char> fileBytes(const std::string &path)
{
    std::string s = readAll(path);
    return bytes(s);
}

size_t sizeOf(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a))
        return 0;
    return size_t(a.nFileSizeLow);
}

bool writeBytes(const std::string &path, const std::vector<unsigned char> &data)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    bool ok = WriteFile(f, data.data(), DWORD(data.size()), &n, nullptr) && n == data.size();
    CloseHandle(f);
    return ok;
}

// What a grab shows once the other process has finished painting (two grabs
// 50 ms apart agree), or after three seconds.
template <class Grab>
Capture settled(Grab grab)
{
    Capture shot = grab(), before;
    DWORD start = GetTickCount();
    do {
        before = shot;
        Sleep(50);
        shot = grab();
    } while (shot != before && GetTickCount() - start < 3000);
    return shot;
}

// Saves the screen area covering the given windows, settled, as a .bmp in
// LT_BUILD for the README's pictures.
void screenshotOf(std::initializer_list<HWND> windows, const char *fileName)
{
    RECT all = {0, 0, 0, 0};
    for (HWND w : windows) {
        RECT r;
        if (w && GetWindowRect(w, &r))
            UnionRect(&all, &all, &r);
    }
    if (IsRectEmpty(&all) || env("LT_BUILD").empty())
        return;
    writeBmp(settled([&] { return captureScreen(all); }), fileName);
}

// A window's client area as the screen shows it, settled.
Capture settledCapture(HWND w)
{
    return settled([w] { return captureClient(w); });
}

// The first column right of an image button's picture: the picture is the
// coloured pixels on its left, inside the border and the focus frame. 0 while
// the button is not painted yet.
int pictureEnd(const Capture &face)
{
    int end = 0;
    for (int y = 3; y < face.cy - 3; ++y)
        for (int x = 3; x < face.cx / 2; ++x) {
            COLORREF c = face.colorAt(x, y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (std::abs(r - g) > 48 || std::abs(g - b) > 48)
                end = std::max(end, x + 1);
        }
    return end;
}

// Whether an image button's caption is drawn whole: in the default GUI font
// it is no wider than the face leaves beside the button's picture; a wider
// one is cut at the border. The room is counted from the picture's last
// coloured column, so it is if anything generous by the picture's
// transparent margin. Says what it saw when it is not.
testing::AssertionResult captionFits(HWND button)
{
    Capture face;
    waitFor([&] { return pictureEnd(face = settledCapture(button)) > 0; }, productWaitMs);
    const int picture = pictureEnd(face);
    std::string caption = textOf(button);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT text = {0, 0, 0, 0};
    DrawTextA(dc, caption.c_str(), int(caption.size()), &text, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // One pixel of border on the right.
    const int room = face.cx - 1 - picture;
    if (picture > 0 && text.right <= room)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "\"" << caption << "\" is " << text.right << " pixels wide, the face leaves "
                                       << room << " beside the picture (ending at " << picture << ") of a "
                                       << face.cx << "-pixel button";
}

// Bytes the peer got, collected until `count` have come.
std::vector<unsigned char> arrivals(SerialPeer &peer, size_t count) { return peer.receive(count, 20000); }

} // namespace

TEST(EndToEnd, OperatorSessionFromStartToDone)
{
    storeDword("Setup", 0x000AD061u);
    storeDword("DelayOnSend", 0);
    setPtySpeed("COM2", "38400");
    const std::string dir = tempFolder();
    const std::string sentFile = dir + "to-send.bin", captured = dir + "captured.bin", saved = dir + "saved.bin";
    DeleteFileA(captured.c_str());
    DeleteFileA(saved.c_str());

    SerialPeer peer("COM9");
    ASSERT_TRUE(peer.isOpen());
    Product p;
    ASSERT_TRUE(p.started) << productPath();
    ASSERT_NE(p.dialog, nullptr);
    // In the middle of the screen, where the program's dialogs appear, so
    // that the pictures show them over the terminal.
    RECT r;
    GetWindowRect(p.frame, &r);
    SetWindowPos(p.frame, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    // The port button's caption is drawn whole, in the dialog font of the
    // prefix as on Windows: the template's "&Open Com" now, the widest,
    // "&Close Comm", once the port is open.
    EXPECT_TRUE(captionFits(p.item(IDC_OPENCOMM)));

    // Open COM2 with the stored settings: 9600 baud.
    p.press(IDC_OPENCOMM);
    ASSERT_TRUE(waitFor([&] { return textOf(p.item(IDC_OPENCOMM)) == "&Close Comm"; }, productWaitMs));
    EXPECT_NE(sttyOf("COM2").find("speed 9600 baud"), std::string::npos);
    EXPECT_TRUE(captionFits(p.item(IDC_OPENCOMM)));

    // Text out: the send box with an escape, then one byte from the decimal field.
    p.setText(IDC_SENDBOX, "ATI\\0D");
    p.press(IDC_SENDSTRING);
    EXPECT_EQ(arrivals(peer, 4), bytes("ATI\r"));
    p.setText(IDC_DECFIELD, "65");
    p.press(IDC_SENDBYTE);
    EXPECT_EQ(arrivals(peer, 1), bytes("A"));

    // Text in.
    const std::string reply = "LineTalk 1.0 on COM2\r\nOK\r\n";
    ASSERT_TRUE(peer.send(reply.data(), DWORD(reply.size())));
    ASSERT_TRUE(p.waitView("LineTalk 1.0 on COM2"));
    screenshotOf({p.frame}, "screenshot-product-text.bmp");

    // The same history as a hex dump with running offsets.
    p.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(p.waitView("000000 4C696E6554616C6B LineTalk"));
    EXPECT_TRUE(p.waitView("000010 434F4D320D0A4F4B COM2..OK")) << viewText(p.item(IDC_VIEW));
    screenshotOf({p.frame}, "screenshot-product-hex.bmp");

    // Settings: 19200 baud and a pause of 2 ms after each byte sent. The port
    // is reopened with them.
    p.press(IDC_SETUP);
    HWND settings = waitWindow(p.pid(), [](HWND w) { return textOf(w) == "Communication Setting"; });
    ASSERT_NE(settings, nullptr);
    HWND baud = GetDlgItem(settings, IDC_SET_BAUD);
    LRESULT at = SendMessageA(baud, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("19.200"));
    ASSERT_NE(at, CB_ERR);
    SendMessageA(baud, CB_SETCURSEL, WPARAM(at), 0);
    SendMessageA(GetDlgItem(settings, IDC_SET_DELAY), WM_SETTEXT, 0, LPARAM("2"));
    screenshotOf({p.frame, settings}, "screenshot-product-settings.bmp");
    post(settings, IDOK);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(settings); }, productWaitMs));
    DWORD delay = 0, setup = 0;
    ASSERT_TRUE(waitFor([&] { return readDword("DelayOnSend", delay) && delay == 2; }, productWaitMs));
    ASSERT_TRUE(readDword("Setup", setup));
    EXPECT_NE(setup, 0x000AD061u);
    ASSERT_TRUE(waitFor([&] { return textOf(p.item(IDC_OPENCOMM)) == "&Close Comm"; }, productWaitMs));
    EXPECT_NE(sttyOf("COM2").find("speed 19200 baud"), std::string::npos);

    // A file, byte by byte with the pause, under the progress dialog.
    std::vector<unsigned char> file(1200);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = (unsigned char)(i * 7 + i / 256);
    ASSERT_TRUE(writeBytes(sentFile, file));
    p.press(IDC_SENDFILE);
    ASSERT_TRUE(answerFileDialog(p.pid(), sentFile));
    EXPECT_EQ(answerBox(p.pid(), IDYES), "Delay is not null!\r\nDo you want to use it anywhere?");
    HWND progress = waitWindow(p.pid(), isProgress, 10000);
    if (progress) {
        waitFor([&] { return textOf(GetDlgItem(progress, IDC_PROG_TEXT)).find("byte") != std::string::npos; }, 3000);
        screenshotOf({p.frame, progress}, "screenshot-product-transfer.bmp");
    }
    EXPECT_NE(progress, nullptr) << "no progress dialog during the transfer";
    EXPECT_EQ(arrivals(peer, file.size()), file);
    EXPECT_EQ(answerBox(p.pid(), IDOK), "File Transfered");

    // Capture starts a new history: what arrives goes raw into the file, not
    // into the view.
    p.check(IDC_CAPTURE, true);
    ASSERT_TRUE(answerFileDialog(p.pid(), captured));
    std::vector<unsigned char> raw = {0x00, 0x01, 0x7F, 0x80, 0xFF, '\r', '\n', 'z'};
    ASSERT_TRUE(peer.send(raw.data(), DWORD(raw.size())));
    // The program holds the file open without sharing reads: watch its size.
    EXPECT_TRUE(waitFor([&] { return sizeOf(captured) == raw.size(); }, productWaitMs)) << sizeOf(captured);
    EXPECT_EQ(viewText(p.item(IDC_VIEW)), "");
    p.check(IDC_CAPTURE, false);
    EXPECT_TRUE(waitFor([&] { return fileBytes(captured) == raw; }, productWaitMs)) << fileBytes(captured).size();
    // Unchecked, the bytes of the capture are shown.
    EXPECT_TRUE(p.waitView("000000 00017F80FF0D0A7A")) << viewText(p.item(IDC_VIEW));

    // Save: the history since the capture began.
    p.press(IDC_SAVE);
    ASSERT_TRUE(answerFileDialog(p.pid(), saved));
    EXPECT_EQ(answerBox(p.pid(), IDOK), "File Saved");
    EXPECT_EQ(fileBytes(saved), raw);

    p.press(IDCANCEL);
    EXPECT_EQ(p.exitStatus(), 0);
    EXPECT_TRUE(windowsOf(p.pid()).empty());
    EXPECT_TRUE(portFree("COM2"));
    storeDword("DelayOnSend", 0);
}
