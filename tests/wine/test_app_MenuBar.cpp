#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"
#include "wine/helpers/SerialPeer.h"

// The frame's menu bar over the terminal: its menus and items, each running
// the command of its button, check box or view-menu item, greyed and checked
// as the terminal is; and the keyboard that reaches them.

namespace {

struct MenuShape
{
    const char *menu;
    std::vector<const char *> items;   // "" for a separator
};

const MenuShape shape[] = {
    {"&File", {"Send &File...", "&Receive File...", "Start &ZMODEM by Itself", "&Save Received...\tCtrl+S", "&Capture to File",
               "&Log to File...", "", "E&xit"}},
    {"&Edit",
     {"&Copy\tCtrl+C", "Select &All\tCtrl+A", "", "&Find...\tCtrl+F", "Find &Next\tF3", "Find &Previous\tShift+F3", "",
      "C&lear Received"}},
    {"&View", {"Show &Hex", "Show &Time", "Show &Sent", "ANSI &Colours", "Highlight &Rules..."}},
    {"&Port", {"&Open", "Se&ttings...", "", "&DTR", "&RTS", "P&ulse DTR", "Pu&lse RTS", "", "Send &Break"}},
    {"&Send", {"&Commands...", "&Stop Repeating"}},
    {"&Help", {"&About Line Talk..."}},
};

std::string menuText(HMENU menu, UINT position)
{
    char text[128] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

// The letter after the '&' of a caption, upper case; 0 without one.
char mnemonicOf(const std::string &caption)
{
    size_t at = caption.find('&');
    return at == std::string::npos || at + 1 >= caption.size() ? 0 : char(std::toupper(BYTE(caption[at + 1])));
}

class MenuBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig::removeValue("ShowTime");
        rig::removeValue("ShowSent");
        ASSERT_TRUE(term.ready());
        ASSERT_NE(term.menuBar(), nullptr);
    }
    void TearDown() override { rig::removeValue("ShowTime"); }

    HWND frame() const { return term.frame->hwnd; }
    // The item's state as a menu opening shows it.
    UINT state(UINT id)
    {
        SendMessageA(frame(), WM_INITMENUPOPUP, WPARAM(GetSubMenu(term.menuBar(), 0)), 0);
        return GetMenuState(term.menuBar(), id, MF_BYCOMMAND);
    }
    bool greyed(UINT id) { return (state(id) & MF_GRAYED) != 0; }
    bool checked(UINT id) { return (state(id) & MF_CHECKED) != 0; }
    std::string caption(UINT id)
    {
        state(id);
        char text[64] = "";
        GetMenuStringA(term.menuBar(), id, text, sizeof text, MF_BYCOMMAND);
        return text;
    }
    // As a click on the item: the menu sends the frame its command.
    void choose(UINT id) { SendMessageA(frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    void receive(const std::string &text)
    {
        SerialPeer peer("COM9");
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term.openPort());
        size_t before = term.history().size();
        ASSERT_TRUE(peer.send(text.data(), DWORD(text.size())));
        ASSERT_TRUE(term.waitFor([&] { return term.history().size() >= before + text.size(); }));
    }
    std::pair<DWORD, DWORD> viewSelection()
    {
        DWORD from = 0, to = 0;
        SendMessageA(term.view(), EM_GETSEL, WPARAM(&from), LPARAM(&to));
        return {from, to};
    }
    HWND findDialog() { return rig::findOwnWindow("Find"); }

    rig::Terminal term{rig::dataPath};
};

} // namespace

TEST_F(MenuBar, HasTheMenusAndItemsWithAMnemonicOfTheirOwnInEachMenu)
{
    HMENU bar = term.menuBar();
    ASSERT_EQ(GetMenuItemCount(bar), int(sizeof shape / sizeof shape[0]));
    std::string barLetters;
    for (UINT m = 0; m < sizeof shape / sizeof shape[0]; ++m) {
        EXPECT_EQ(menuText(bar, m), shape[m].menu);
        EXPECT_EQ(barLetters.find(mnemonicOf(shape[m].menu)), std::string::npos);
        barLetters += mnemonicOf(shape[m].menu);
        HMENU menu = GetSubMenu(bar, int(m));
        ASSERT_NE(menu, nullptr) << shape[m].menu;
        ASSERT_EQ(GetMenuItemCount(menu), int(shape[m].items.size())) << shape[m].menu;
        std::string letters;
        for (UINT i = 0; i < shape[m].items.size(); ++i) {
            std::string text = menuText(menu, i);
            EXPECT_EQ(text, shape[m].items[i]) << shape[m].menu;
            if (text.empty()) {
                EXPECT_TRUE(GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR);
                continue;
            }
            char letter = mnemonicOf(text);
            EXPECT_NE(letter, 0) << text;
            EXPECT_EQ(letters.find(letter), std::string::npos) << text << " in " << shape[m].menu;
            letters += letter;
        }
    }
}

// One row per item: how it is greyed (or checked) and made available, and
// what its command does, checked as its button's or box's would be.
TEST_F(MenuBar, EveryItemRunsItsCommandAndIsGreyedAndCheckedAsTheTerminalIs)
{
    std::string sendPath = rig::tempPath("menu-send.bin");
    ASSERT_TRUE(rig::writeFile(sendPath, rig::bytesOf("from the menu")));
    std::string savePath = rig::tempPath("menu-saved.bin");
    std::string capturePath = rig::tempPath("menu-capture.bin");
    DeleteFileA(savePath.c_str());
    DeleteFileA(capturePath.c_str());

    // Nothing received: Save, Copy, Select All and the finds are greyed.
    for (UINT id : {IDM_FILE_SAVE, IDM_EDIT_COPY, IDM_EDIT_SELECTALL, IDM_EDIT_FIND, IDM_EDIT_FINDNEXT,
                    IDM_EDIT_FINDPREVIOUS})
        EXPECT_TRUE(greyed(id)) << id;
    for (UINT id : {IDM_FILE_SENDFILE, IDM_FILE_CAPTURE, IDM_FILE_EXIT, IDM_EDIT_CLEAR, IDM_VIEW_HEX, IDM_VIEW_TIME,
                    IDM_VIEW_SENT, IDM_VIEW_COLOURS, IDM_VIEW_RULES, IDM_PORT_OPENCLOSE, IDM_PORT_SETTINGS, IDM_HELP_ABOUT})
        EXPECT_FALSE(greyed(id)) << id;

    struct Row
    {
        UINT id;
        std::function<void()> check;
    };
    const Row rows[] = {
        {IDM_PORT_OPENCLOSE,
         [&] {
             EXPECT_EQ(caption(IDM_PORT_OPENCLOSE), "&Open");
             choose(IDM_PORT_OPENCLOSE);
             EXPECT_TRUE(term.client->isPortOpen());
             EXPECT_EQ(caption(IDM_PORT_OPENCLOSE), "&Close");
             choose(IDM_PORT_OPENCLOSE);
             EXPECT_FALSE(term.client->isPortOpen());
             EXPECT_EQ(caption(IDM_PORT_OPENCLOSE), "&Open");
             // The button opened it: the item follows.
             term.command(IDC_OPENCOMM);
             EXPECT_EQ(caption(IDM_PORT_OPENCLOSE), "&Close");
         }},
        {IDM_FILE_SENDFILE,
         [&] {
             SerialPeer peer("COM9");
             ASSERT_TRUE(peer.isOpen());
             FileDialogDriver driver("menu-send.bin");
             MessageBoxAnswerer answerer(IDOK);
             choose(IDM_FILE_SENDFILE);
             EXPECT_TRUE(driver.waitDone());
             EXPECT_TRUE(answerer.waitAnswered(1));
             EXPECT_EQ(answerer.text(0), "File Transfered");
             EXPECT_EQ(peer.receive(13, 3000), rig::bytesOf("from the menu"));
         }},
        {IDM_FILE_SAVE,
         [&] {
             receive("abc abc abc");
             EXPECT_FALSE(greyed(IDM_FILE_SAVE));
             FileDialogDriver driver("menu-saved.bin");
             MessageBoxAnswerer answerer(IDOK);
             choose(IDM_FILE_SAVE);
             EXPECT_TRUE(driver.waitDone());
             EXPECT_TRUE(answerer.waitAnswered(1));
             EXPECT_EQ(answerer.caption(0), "Success");
             std::vector<unsigned char> saved;
             EXPECT_TRUE(rig::readFile(savePath, saved));
             EXPECT_EQ(saved, rig::bytesOf("abc abc abc"));
         }},
        {IDM_EDIT_SELECTALL,
         [&] {
             EXPECT_FALSE(greyed(IDM_EDIT_SELECTALL));
             EXPECT_TRUE(greyed(IDM_EDIT_COPY));   // nothing selected yet
             choose(IDM_EDIT_SELECTALL);
             EXPECT_EQ(viewSelection(), std::make_pair(DWORD(0), DWORD(11)));
         }},
        {IDM_EDIT_COPY,
         [&] {
             EXPECT_FALSE(greyed(IDM_EDIT_COPY));
             choose(IDM_EDIT_COPY);
             EXPECT_EQ(rig::clipboardText(), "abc abc abc");
         }},
        {IDM_EDIT_FIND,
         [&] {
             EXPECT_FALSE(greyed(IDM_EDIT_FIND));
             // From the start, as Select All left the whole text selected.
             SendMessageA(term.view(), EM_SETSEL, 0, 0);
             MessageBoxAnswerer notFound(IDOK, 1, 3000);   // a miss would say so
             choose(IDM_EDIT_FIND);
             HWND d = findDialog();
             ASSERT_NE(d, nullptr);
             SetDlgItemTextA(d, 0x480 /* edt1 */, "abc");
             SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(d, IDOK)));
             term.pump();
             EXPECT_EQ(viewSelection(), std::make_pair(DWORD(0), DWORD(3)));
             EXPECT_EQ(notFound.answeredCount(), 0);
         }},
        {IDM_EDIT_FINDNEXT,
         [&] {
             MessageBoxAnswerer notFound(IDOK, 1, 3000);
             choose(IDM_EDIT_FINDNEXT);
             EXPECT_EQ(viewSelection(), std::make_pair(DWORD(4), DWORD(7)));
             choose(IDM_EDIT_FINDNEXT);
             EXPECT_EQ(viewSelection(), std::make_pair(DWORD(8), DWORD(11)));
             EXPECT_EQ(notFound.answeredCount(), 0);
         }},
        {IDM_EDIT_FINDPREVIOUS,
         [&] {
             MessageBoxAnswerer notFound(IDOK, 1, 3000);
             choose(IDM_EDIT_FINDPREVIOUS);
             EXPECT_EQ(notFound.answeredCount(), 0);
             EXPECT_EQ(viewSelection(), std::make_pair(DWORD(4), DWORD(7)));
             if (HWND d = findDialog())
                 SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
             term.pump();
         }},
        {IDM_VIEW_HEX,
         [&] {
             EXPECT_FALSE(checked(IDM_VIEW_HEX));
             choose(IDM_VIEW_HEX);
             EXPECT_TRUE(term.isChecked(IDC_SHOWHEX));
             EXPECT_TRUE(checked(IDM_VIEW_HEX));
             EXPECT_EQ(term.viewText(), rig::hexDump(rig::bytesOf("abc abc abc")));
             // The box, clicked: the item follows.
             term.check(IDC_SHOWHEX, false);
             EXPECT_FALSE(checked(IDM_VIEW_HEX));
             EXPECT_EQ(term.viewText(), "abc abc abc");
         }},
        {IDM_VIEW_TIME,
         [&] {
             EXPECT_FALSE(checked(IDM_VIEW_TIME));
             choose(IDM_VIEW_TIME);
             EXPECT_TRUE(term.client->showsTime());
             EXPECT_TRUE(checked(IDM_VIEW_TIME));
             choose(IDM_VIEW_TIME);
             EXPECT_FALSE(term.client->showsTime());
             EXPECT_FALSE(checked(IDM_VIEW_TIME));
         }},
        {IDM_VIEW_SENT,
         [&] {
             EXPECT_FALSE(checked(IDM_VIEW_SENT));
             choose(IDM_VIEW_SENT);
             EXPECT_TRUE(term.client->showsSent());
             EXPECT_TRUE(checked(IDM_VIEW_SENT));
             choose(IDM_VIEW_SENT);
             EXPECT_FALSE(term.client->showsSent());
             EXPECT_FALSE(checked(IDM_VIEW_SENT));
         }},
        {IDM_VIEW_COLOURS,
         [&] {
             EXPECT_FALSE(checked(IDM_VIEW_COLOURS));
             choose(IDM_VIEW_COLOURS);
             EXPECT_TRUE(term.client->showsColours());
             EXPECT_TRUE(checked(IDM_VIEW_COLOURS));
             choose(IDM_VIEW_COLOURS);
             EXPECT_FALSE(term.client->showsColours());
             EXPECT_FALSE(checked(IDM_VIEW_COLOURS));
         }},
        {IDM_FILE_CAPTURE,
         [&] {
             EXPECT_FALSE(checked(IDM_FILE_CAPTURE));
             FileDialogDriver driver("menu-capture.bin");
             choose(IDM_FILE_CAPTURE);
             EXPECT_TRUE(driver.waitDone());
             EXPECT_TRUE(term.isChecked(IDC_CAPTURE));
             EXPECT_TRUE(term.client->isCapturing());
             EXPECT_TRUE(checked(IDM_FILE_CAPTURE));
             // Capturing cleared the view: the view's items grey again.
             EXPECT_TRUE(greyed(IDM_EDIT_FIND));
             term.check(IDC_CAPTURE, false);
             EXPECT_FALSE(term.client->isCapturing());
             EXPECT_FALSE(checked(IDM_FILE_CAPTURE));
         }},
        {IDM_EDIT_CLEAR,
         [&] {
             receive("xyz");
             EXPECT_FALSE(greyed(IDM_FILE_SAVE));
             choose(IDM_EDIT_CLEAR);
             EXPECT_EQ(term.viewLength(), 0u);
             EXPECT_TRUE(term.history().empty());
             EXPECT_TRUE(greyed(IDM_FILE_SAVE));
         }},
        {IDM_PORT_SETTINGS,
         [&] {
             rig::ModalDriver driver("Communication Setting", [](HWND d) { rig::click(d, IDCANCEL); });
             choose(IDM_PORT_SETTINGS);
             EXPECT_TRUE(driver.finish());
         }},
        {IDM_HELP_ABOUT,
         [&] {
             MessageBoxAnswerer answerer(IDOK);
             choose(IDM_HELP_ABOUT);
             ASSERT_TRUE(answerer.waitAnswered(1));
             EXPECT_EQ(answerer.caption(0), "About Line Talk");
             std::string text = answerer.text(0);
             EXPECT_NE(text.find("Line Talk " LT_VERSION_TEXT), std::string::npos) << text;
             EXPECT_NE(text.find(sizeof(void *) == 8 ? "64-bit build" : "32-bit build"), std::string::npos) << text;
             EXPECT_NE(text.find("HKEY_CURRENT_USER\\Software\\Kerovia_Apps\\lineTalk"), std::string::npos) << text;
         }},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.id);
        r.check();
    }
}

TEST_F(MenuBar, ExitEndsTheTerminalAsDoneDoes)
{
    choose(IDM_FILE_EXIT);
    EXPECT_FALSE(IsWindow(term.dialog()));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

namespace {

// Real keystrokes, through the system's input as an operator's.
void press(std::initializer_list<BYTE> mods, BYTE key)
{
    for (BYTE m : mods)
        keybd_event(m, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    for (BYTE m : mods)
        keybd_event(m, 0, KEYEVENTF_KEYUP, 0);
}

void tap(BYTE key)
{
    press({}, key);
}

class MenuKeys : public MenuBar
{
protected:
    void SetUp() override
    {
        MenuBar::SetUp();
        SetForegroundWindow(frame());
        focus(IDC_SENDBOX);
    }
    void focus(int id)
    {
        SetFocus(term.item(id));
        term.pump();
        ASSERT_EQ(GetFocus(), term.item(id));
    }
    std::pair<DWORD, DWORD> editSelection(int id)
    {
        DWORD from = 0, to = 0;
        SendMessageA(term.item(id), EM_GETSEL, WPARAM(&from), LPARAM(&to));
        return {from, to};
    }
    void setClipboard(const char *text)
    {
        ASSERT_TRUE(OpenClipboard(frame()));
        EmptyClipboard();
        size_t n = strlen(text) + 1;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
        memcpy(GlobalLock(h), text, n);
        GlobalUnlock(h);
        SetClipboardData(CF_TEXT, h);
        CloseClipboard();
    }
};

} // namespace

TEST_F(MenuKeys, CtrlCAndCtrlAActInTheSendBoxAndAByteFieldAndOnTheViewElsewhere)
{
    receive("line of the view");
    term.setText(IDC_SENDBOX, "send box text");

    // The send box: its own text.
    focus(IDC_SENDBOX);
    SendMessageA(term.item(IDC_SENDBOX), EM_SETSEL, 0, 0);
    press({VK_CONTROL}, 'A');
    EXPECT_TRUE(term.waitFor([&] { return editSelection(IDC_SENDBOX).second == 13; }, 2000));
    EXPECT_EQ(viewSelection().first, viewSelection().second);
    setClipboard("-");
    press({VK_CONTROL}, 'C');
    EXPECT_TRUE(term.waitFor([&] { return rig::clipboardText() == "send box text"; }, 2000));

    // A byte field: its own.
    term.setText(IDC_HEXFIELD, "41");
    focus(IDC_HEXFIELD);
    SendMessageA(term.item(IDC_HEXFIELD), EM_SETSEL, 0, 0);
    press({VK_CONTROL}, 'A');
    EXPECT_TRUE(term.waitFor([&] { return editSelection(IDC_HEXFIELD).second == 2; }, 2000));
    press({VK_CONTROL}, 'C');
    EXPECT_TRUE(term.waitFor([&] { return rig::clipboardText() == "41"; }, 2000));
    EXPECT_EQ(viewSelection().first, viewSelection().second);

    // A button: the view's, as the menu says.
    focus(IDC_SETUP);
    press({VK_CONTROL}, 'A');
    EXPECT_TRUE(term.waitFor([&] { return viewSelection() == std::make_pair(DWORD(0), DWORD(16)); }, 2000));
    press({VK_CONTROL}, 'C');
    EXPECT_TRUE(term.waitFor([&] { return rig::clipboardText() == "line of the view"; }, 2000));

    // The view itself.
    SendMessageA(term.view(), EM_SETSEL, 0, 4);
    focus(IDC_VIEW);
    press({VK_CONTROL}, 'C');
    EXPECT_TRUE(term.waitFor([&] { return rig::clipboardText() == "line"; }, 2000));
}

TEST_F(MenuKeys, CtrlSSavesFromTheSendBoxAByteFieldAndTheView)
{
    receive("to save");
    const int from[] = {IDC_SENDBOX, IDC_DECFIELD, IDC_VIEW};
    for (int id : from) {
        SCOPED_TRACE(id);
        std::string name = "ctrl-s-" + std::to_string(id) + ".bin";
        DeleteFileA(rig::tempPath(name.c_str()).c_str());
        focus(id);
        // Wine's file dialog can take seconds to come up on a loaded machine.
        FileDialogDriver driver(name.c_str(), IDOK, 60000);
        MessageBoxAnswerer answerer(IDOK, 1, 60000);
        press({VK_CONTROL}, 'S');
        EXPECT_TRUE(term.waitFor([&] { return driver.waitDone(0) && answerer.answeredCount() == 1; }, 40000));
        std::vector<unsigned char> saved;
        EXPECT_TRUE(rig::readFile(rig::tempPath(name.c_str()), saved));
        EXPECT_EQ(saved, rig::bytesOf("to save"));
    }
    // With nothing received the item is greyed and the key does nothing.
    term.command(IDC_CLEAR);
    MessageBoxAnswerer none(IDOK);
    focus(IDC_SENDBOX);
    press({VK_CONTROL}, 'S');
    term.settle(300);
    EXPECT_EQ(none.answeredCount(), 0);
    EXPECT_EQ(FileDialogDriver::findFileDialog(), nullptr);
}

TEST_F(MenuKeys, AltLetterPressesTheDialogsButtonsAndOpensTheOtherMenus)
{
    // Alt+F is "&File" the button: it sends a file (and asks to open first).
    {
        MessageBoxAnswerer answerer(IDNO);
        press({VK_MENU}, 'F');
        EXPECT_TRUE(term.waitFor([&] { return answerer.answeredCount() == 1; }, 5000));
        EXPECT_EQ(answerer.caption(0), "Comm is not opened");
    }
    // Alt+P: no button has P, so the "&Port" menu opens; O opens the port.
    press({VK_MENU}, 'P');
    tap('O');
    EXPECT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 5000));
    // Alt+V, H: Show Hex.
    press({VK_MENU}, 'V');
    tap('H');
    EXPECT_TRUE(term.waitFor([&] { return term.isChecked(IDC_SHOWHEX); }, 5000));
}

TEST_F(MenuKeys, AltOrF10ReleasedThenLettersRunAnyItem)
{
    // Alt alone, then F (the "&File" menu, not the button) and C: capture.
    {
        FileDialogDriver driver(nullptr);   // cancels the capture's file dialog
        tap(VK_MENU);
        tap('F');
        tap('C');
        EXPECT_TRUE(term.waitFor([&] { return driver.waitDone(0); }, 10000));
        EXPECT_TRUE(driver.sawDialog());
    }
    EXPECT_FALSE(term.client->isCapturing());
    // F10, P, O: the port opens; F10, P, C closes it.
    tap(VK_F10);
    tap('P');
    tap('O');
    EXPECT_TRUE(term.waitFor([&] { return term.client->isPortOpen(); }, 5000));
    // Now the item is "&Close".
    tap(VK_F10);
    tap('P');
    tap('C');
    EXPECT_TRUE(term.waitFor([&] { return !term.client->isPortOpen(); }, 5000));
}
