#include "app/mainWin.h"

#include <cstdio>
#include <cstring>

#include "app/PAppl.h"
#include "res/resource.h"
#include "terminal/mainClient.h"
#include "terminal/settings/Settings.h"
#include "terminal/ui/StatusText.h"

mainWin::mainWin(HINSTANCE module)
    : PMainWin("Line Talk by QV", module), client(nullptr), countsShownAt(0), countsTimerOn(false)
{
    // Linked into this frame's child list, which owns it; its window is made
    // when the frame creates its children.
    client = new mainClient(this, module);
    // Fixed size: no sizing border, no minimise or maximise box; the children
    // are not painted over. The size follows the dialog once it exists.
    style &= ~uint32_t(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CLIPCHILDREN;
    width = 30;
    height = 30;
}

mainWin::~mainWin()
{
    // The terminal outlives the bar for a moment (the child list deletes
    // it): it must not tell a bar that is gone.
    if (client)
        client->setStatusListener(nullptr);
    if (hwnd && countsTimerOn)
        KillTimer(hwnd, countsTimer);
    status.destroy();
    // The menu bar is the window's and goes with it.
    destroy();
}

const char *mainWin::className()
{
    return appClassName();
}

bool mainWin::create()
{
    if (!PMainWin::create())
        return false;
    setIcon(IDI_LINETALK);
    if (HMENU bar = LoadMenuA(instance(), MAKEINTRESOURCEA(IDR_MAINMENU))) {
        if (!SetMenu(hwnd, bar))
            DestroyMenu(bar);
    }
    // Without a status bar the terminal works as ever; nothing is told.
    // Behind the dialog in the children's order: the terminal stays the
    // frame's first child, where tools that look into the frame find it.
    if (status.create(hwnd, IDC_STATUSBAR, instance()))
        SetWindowPos(status.window(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (client) {
        fitToClient(client);
        fitAroundBars();
        client->setStatusListener(this);
    }
    showStatus();
    return true;
}

// The frame's client area holds the dialog and, below it, the status bar;
// the menu bar comes out of the frame's non-client part. The client area is
// measured after the bar is set, as a menu bar that wraps takes two rows.
void mainWin::fitAroundBars()
{
    if (!hwnd || !client || !client->hwnd)
        return;
    status.reposition();
    RECT d, c, f;
    GetWindowRect(client->hwnd, &d);
    GetClientRect(hwnd, &c);
    GetWindowRect(hwnd, &f);
    int wantWidth = d.right - d.left;
    int wantHeight = (d.bottom - d.top) + status.height();
    SetWindowPos(hwnd, nullptr, 0, 0, (f.right - f.left) + wantWidth - c.right,
                 (f.bottom - f.top) + wantHeight - c.bottom, SWP_NOZORDER | SWP_NOMOVE);
    status.reposition();
    // Port, line, counts, and a note in what is left.
    // The line takes the most: "19200 8N1 RTS/CTS and DTR/DSR".
    int widths[4] = {wantWidth * 19 / 100, wantWidth * 35 / 100, wantWidth * 25 / 100, 0};
    widths[3] = wantWidth - widths[0] - widths[1] - widths[2];
    status.setParts(widths, 4);
}

// ---------------------------------------------------------------------------
// The menu bar. One row per item: what it runs, when it is available and
// when it is checked, asked of the terminal each time a menu opens, so the
// items follow the state however it changed.

namespace {

bool always(const mainClient &)
{
    return true;
}

} // namespace

const mainWin::MenuItem mainWin::menuItems[] = {
    {IDM_FILE_SENDFILE, [](mainWin &w) { w.client->commandSendFile(); },
     [](const mainClient &c) { return c.sendsEnabled(); }, nullptr},
    {IDM_FILE_SAVE, [](mainWin &w) { w.client->commandSave(); },
     [](const mainClient &c) { return c.hasReceived(); }, nullptr},
    {IDM_FILE_CAPTURE, [](mainWin &w) { w.client->commandCapture(); }, nullptr,
     [](const mainClient &c) { return c.isCapturing(); }},
    {IDM_FILE_EXIT, [](mainWin &w) { w.client->commandExit(); }, nullptr, nullptr},
    {IDM_EDIT_COPY, [](mainWin &w) { w.client->commandCopy(); },
     [](const mainClient &c) { return c.viewHasSelection(); }, nullptr},
    {IDM_EDIT_SELECTALL, [](mainWin &w) { w.client->commandSelectAll(); },
     [](const mainClient &c) { return c.viewHasText(); }, nullptr},
    {IDM_EDIT_FIND, [](mainWin &w) { w.client->commandFind(); },
     [](const mainClient &c) { return c.viewHasText(); }, nullptr},
    {IDM_EDIT_FINDNEXT, [](mainWin &w) { w.client->commandFindAgain(false); },
     [](const mainClient &c) { return c.viewHasText(); }, nullptr},
    {IDM_EDIT_FINDPREVIOUS, [](mainWin &w) { w.client->commandFindAgain(true); },
     [](const mainClient &c) { return c.viewHasText(); }, nullptr},
    {IDM_EDIT_CLEAR, [](mainWin &w) { w.client->commandClear(); }, nullptr, nullptr},
    {IDM_VIEW_HEX, [](mainWin &w) { w.client->commandHex(); }, nullptr,
     [](const mainClient &c) { return c.showsHex(); }},
    {IDM_VIEW_TIME, [](mainWin &w) { w.client->commandTime(); }, nullptr,
     [](const mainClient &c) { return c.showsTime(); }},
    {IDM_VIEW_COLOURS, [](mainWin &w) { w.client->commandColours(); }, nullptr,
     [](const mainClient &c) { return c.showsColours(); }},
    {IDM_PORT_OPENCLOSE, [](mainWin &w) { w.client->commandPort(); }, nullptr, nullptr},
    {IDM_PORT_SETTINGS, [](mainWin &w) { w.client->commandSettings(); }, nullptr, nullptr},
    {IDM_HELP_ABOUT, [](mainWin &w) { w.showAbout(); }, always, nullptr},
};

const mainWin::MenuItem *mainWin::findItem(UINT id)
{
    for (const MenuItem &item : menuItems)
        if (item.id == id)
            return &item;
    return nullptr;
}

bool mainWin::isEnabled(const MenuItem &item) const
{
    if (!client || !client->hwnd)
        return item.id == IDM_HELP_ABOUT;
    return !item.enabled || item.enabled(*client);
}

// A greyed item runs nothing, whichever road its command came by.
void mainWin::runItem(UINT id)
{
    const MenuItem *item = findItem(id);
    if (item && isEnabled(*item))
        item->run(*this);
}

void mainWin::updateMenu()
{
    HMENU bar = GetMenu(hwnd);
    if (!bar)
        return;
    for (const MenuItem &item : menuItems) {
        EnableMenuItem(bar, item.id, MF_BYCOMMAND | (isEnabled(item) ? MF_ENABLED : MF_GRAYED));
        bool on = item.checked && client && client->hwnd && item.checked(*client);
        CheckMenuItem(bar, item.id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    // While a lost port is awaited, the item ends the waiting, as the
    // button does.
    bool open = client && (client->isPortOpen() || client->isWaitingForPort());
    ModifyMenuA(bar, IDM_PORT_OPENCLOSE, MF_BYCOMMAND | MF_STRING, IDM_PORT_OPENCLOSE, open ? "&Close" : "&Open");
}

void mainWin::showAbout()
{
    char text[400];
    std::snprintf(text, sizeof text,
                  "Line Talk %s\r\n%s build\r\n\r\nThe settings are kept in the registry under\r\n"
                  "HKEY_CURRENT_USER\\%s",
                  LT_VERSION_TEXT, sizeof(void *) == 8 ? "64-bit" : "32-bit", settingsKey);
    MessageBoxA(hwnd, text, "About Line Talk", MB_ICONINFORMATION);
}

namespace {

bool isEditWindow(HWND w)
{
    char cls[16] = "";
    return w && GetClassNameA(w, cls, sizeof cls) > 0 && lstrcmpiA(cls, "Edit") == 0;
}

} // namespace

bool mainWin::takeShortcut(const MSG *msg)
{
    if (!msg || msg->message != WM_KEYDOWN || !hwnd || !client || !client->hwnd)
        return false;
    if (msg->hwnd != hwnd && !IsChild(hwnd, msg->hwnd))
        return false;
    // Ctrl+Alt is AltGr on many layouts, and Ctrl+Shift another key.
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0 || GetKeyState(VK_SHIFT) < 0)
        return false;
    UINT id;
    switch (msg->wParam) {
    case 'S': id = IDM_FILE_SAVE; break;
    case 'C': id = IDM_EDIT_COPY; break;
    case 'A': id = IDM_EDIT_SELECTALL; break;
    default: return false;
    }
    HWND focus = GetFocus();
    if (id != IDM_FILE_SAVE && isEditWindow(focus)) {
        // The send box or a byte field: its own text. Said to the edit
        // directly, as a byte field's filter lets no control character by
        // and not every edit selects all on Ctrl+A.
        if (id == IDM_EDIT_COPY)
            SendMessageA(focus, WM_COPY, 0, 0);
        else
            SendMessageA(focus, EM_SETSEL, 0, -1);
        return true;
    }
    runItem(id);
    return true;
}

LRESULT mainWin::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITMENUPOPUP:
        updateMenu();
        return 0;
    case WM_COMMAND:
        // From the menu bar (0) or an accelerator (1); the dialog's own
        // commands stay with the dialog.
        if (lParam == 0 && HIWORD(wParam) <= 1) {
            runItem(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == countsTimer) {
            showCounts();
            return 0;
        }
        break;
    default:
        break;
    }
    return PMainWin::windowProc(wnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// The status bar.

void mainWin::statusChanged()
{
    showStatus();
}

// From the drain, after every read: shown now when the last showing is a
// tenth of a second old, otherwise by the timer.
void mainWin::countsMoved()
{
    if (GetTickCount() - countsShownAt >= countsMs)
        showCounts();
}

void mainWin::showStatus()
{
    if (!status.window() || !client || !client->hwnd)
        return;
    StatusFacts facts = client->statusFacts();
    char text[StatusText::partSize];
    StatusText::port(facts, text, sizeof text);
    status.setText(0, text);
    StatusText::line(facts, text, sizeof text);
    status.setText(1, text);
    StatusText::counts(facts, text, sizeof text);
    status.setText(2, text);
    countsShownAt = GetTickCount();
    StatusText::note(facts, text, sizeof text);
    status.setText(3, text);

    // The counts move only while a port is open.
    bool wantTimer = facts.state == StatusFacts::portOpen;
    if (wantTimer && !countsTimerOn)
        countsTimerOn = SetTimer(hwnd, countsTimer, countsMs, nullptr) != 0;
    else if (!wantTimer && countsTimerOn) {
        KillTimer(hwnd, countsTimer);
        countsTimerOn = false;
    }
}

void mainWin::showCounts()
{
    if (!status.window() || !client || !client->hwnd)
        return;
    StatusFacts facts;
    facts.received = client->receivedCount();
    facts.sent = client->sentCount();
    char text[StatusText::partSize];
    StatusText::counts(facts, text, sizeof text);
    status.setText(2, text);
    countsShownAt = GetTickCount();
}
