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
    if (hwnd && noticeOn)
        KillTimer(hwnd, noticeTimer);
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
    // The lamps at the right, each as wide as its label with a margin; of
    // what is left, port, line, counts and a note in the rest. The line
    // takes the most: "19200 8N1 RTS/CTS and DTR/DSR".
    int lamp = 30;
    if (HDC dc = GetDC(status.window())) {
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(status.window(), WM_GETFONT, 0, 0)));
        SIZE size;
        if (GetTextExtentPoint32A(dc, "DCD", 3, &size))
            lamp = size.cx + 12;
        SelectObject(dc, old);
        ReleaseDC(status.window(), dc);
    }
    int rest = wantWidth - 4 * lamp;
    int widths[partCount] = {rest * 19 / 100, rest * 35 / 100, rest * 23 / 100, 0, lamp, lamp, lamp, lamp};
    widths[notePart] = rest - widths[portPart] - widths[linePart] - widths[countsPart];
    status.setParts(widths, partCount);
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

// Greyed while a transfer runs: it would disturb it.
bool notTransferring(const mainClient &c)
{
    return !c.isTransferring();
}

// A stored command's item: it sends as the send box does, so it is greyed
// with the sends; checked while it repeats.
template <uint32_t row>
void sendRow(mainWin &w)
{
    w.getClient()->commandStoredRow(row);
}

template <uint32_t row>
bool rowRepeats(const mainClient &c)
{
    return c.commandKeys().repeating(row);
}

bool sendsOn(const mainClient &c)
{
    return c.sendsEnabled();
}

} // namespace

const mainWin::MenuItem mainWin::menuItems[] = {
    {IDM_FILE_SENDFILE, [](mainWin &w) { w.client->commandSendFile(); },
     [](const mainClient &c) { return c.sendsEnabled(); }, nullptr},
    {IDM_FILE_RECEIVE, [](mainWin &w) { w.client->commandReceiveFile(); },
     [](const mainClient &c) { return c.sendsEnabled(); }, nullptr},
    {IDM_FILE_ZMODEMAUTO, [](mainWin &w) { w.client->commandZmodemAutoStart(); }, nullptr,
     [](const mainClient &c) { return c.startsZmodemByItself(); }},
    {IDM_FILE_SAVE, [](mainWin &w) { w.client->commandSave(); },
     [](const mainClient &c) { return c.hasReceived() && !c.isTransferring(); }, nullptr},
    {IDM_FILE_CAPTURE, [](mainWin &w) { w.client->commandCapture(); }, notTransferring,
     [](const mainClient &c) { return c.isCapturing(); }},
    {IDM_FILE_LOG, [](mainWin &w) { w.client->commandLog(); }, nullptr,
     [](const mainClient &c) { return c.isLogging(); }},
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
    {IDM_EDIT_CLEAR, [](mainWin &w) { w.client->commandClear(); }, notTransferring, nullptr},
    {IDM_VIEW_HEX, [](mainWin &w) { w.client->commandHex(); }, notTransferring,
     [](const mainClient &c) { return c.showsHex(); }},
    {IDM_VIEW_TIME, [](mainWin &w) { w.client->commandTime(); }, notTransferring,
     [](const mainClient &c) { return c.showsTime(); }},
    {IDM_VIEW_COLOURS, [](mainWin &w) { w.client->commandColours(); }, notTransferring,
     [](const mainClient &c) { return c.showsColours(); }},
    {IDM_VIEW_SENT, [](mainWin &w) { w.client->commandSent(); }, notTransferring,
     [](const mainClient &c) { return c.showsSent(); }},
    {IDM_VIEW_RULES, [](mainWin &w) { w.client->commandRules(); }, notTransferring, nullptr},
    {IDM_PORT_OPENCLOSE, [](mainWin &w) { w.client->commandPort(); }, notTransferring, nullptr},
    {IDM_PORT_SETTINGS, [](mainWin &w) { w.client->commandSettings(); }, notTransferring, nullptr},
    {IDM_PORT_DTR, [](mainWin &w) { w.client->lineSignals().toggle(ModemLines::dtr); w.showStatus(); },
     [](const mainClient &c) { return c.lineSignals().canMove(ModemLines::dtr) && !c.lineSignals().isPulsing(ModemLines::dtr); },
     [](const mainClient &c) { return c.lineSignals().isRaised(ModemLines::dtr); }},
    {IDM_PORT_RTS, [](mainWin &w) { w.client->lineSignals().toggle(ModemLines::rts); w.showStatus(); },
     [](const mainClient &c) { return c.lineSignals().canMove(ModemLines::rts) && !c.lineSignals().isPulsing(ModemLines::rts); },
     [](const mainClient &c) { return c.lineSignals().isRaised(ModemLines::rts); }},
    {IDM_PORT_PULSEDTR, [](mainWin &w) { w.client->lineSignals().pulseAsSet(ModemLines::dtr); w.showStatus(); },
     [](const mainClient &c) { return c.lineSignals().canMove(ModemLines::dtr); }, nullptr},
    {IDM_PORT_PULSERTS, [](mainWin &w) { w.client->lineSignals().pulseAsSet(ModemLines::rts); w.showStatus(); },
     [](const mainClient &c) { return c.lineSignals().canMove(ModemLines::rts); }, nullptr},
    {IDM_PORT_BREAK, [](mainWin &w) { w.client->lineSignals().breakAsSet(); w.showStatus(); },
     [](const mainClient &c) { return c.lineSignals().canBreak(); }, nullptr},
    {IDM_SEND_COMMANDS, [](mainWin &w) { w.client->commandEditCommands(); }, notTransferring, nullptr},
    {IDM_SEND_STOP, [](mainWin &w) { w.client->commandKeys().stopRepeating(); },
     [](const mainClient &c) { return c.commandKeys().anyRepeating(); }, nullptr},
    {IDM_SEND_ROW + 0, sendRow<0>, sendsOn, rowRepeats<0>},
    {IDM_SEND_ROW + 1, sendRow<1>, sendsOn, rowRepeats<1>},
    {IDM_SEND_ROW + 2, sendRow<2>, sendsOn, rowRepeats<2>},
    {IDM_SEND_ROW + 3, sendRow<3>, sendsOn, rowRepeats<3>},
    {IDM_SEND_ROW + 4, sendRow<4>, sendsOn, rowRepeats<4>},
    {IDM_SEND_ROW + 5, sendRow<5>, sendsOn, rowRepeats<5>},
    {IDM_SEND_ROW + 6, sendRow<6>, sendsOn, rowRepeats<6>},
    {IDM_SEND_ROW + 7, sendRow<7>, sendsOn, rowRepeats<7>},
    {IDM_SEND_ROW + 8, sendRow<8>, sendsOn, rowRepeats<8>},
    {IDM_SEND_ROW + 9, sendRow<9>, sendsOn, rowRepeats<9>},
    {IDM_SEND_ROW + 10, sendRow<10>, sendsOn, rowRepeats<10>},
    {IDM_SEND_ROW + 11, sendRow<11>, sendsOn, rowRepeats<11>},
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
    showStoredCommands(bar);
    for (const MenuItem &item : menuItems) {
        EnableMenuItem(bar, item.id, MF_BYCOMMAND | (isEnabled(item) ? MF_ENABLED : MF_GRAYED));
        bool on = item.checked && client && client->hwnd && item.checked(*client);
        CheckMenuItem(bar, item.id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    // While a lost port is awaited, the item ends the waiting, as the
    // button does.
    bool open = client && (client->isPortOpen() || client->isWaitingForPort());
    // ModifyMenu sets the item's state anew: its greying goes with it.
    const MenuItem *port = findItem(IDM_PORT_OPENCLOSE);
    UINT grey = port && isEnabled(*port) ? MF_ENABLED : MF_GRAYED;
    ModifyMenuA(bar, IDM_PORT_OPENCLOSE, MF_BYCOMMAND | MF_STRING | grey, IDM_PORT_OPENCLOSE, open ? "&Close" : "&Open");
}

// The Send menu lists the stored commands that have a text, after its own
// two items and a separator, as they are now.
void mainWin::showStoredCommands(HMENU bar)
{
    HMENU menu = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar) && !menu; ++i) {
        HMENU sub = GetSubMenu(bar, i);
        if (sub && GetMenuItemID(sub, 0) == IDM_SEND_COMMANDS)
            menu = sub;
    }
    if (!menu || !client)
        return;
    while (GetMenuItemCount(menu) > 2)
        DeleteMenu(menu, 2, MF_BYPOSITION);
    const CommandKeys &keys = client->commandKeys();
    char label[CommandKeys::labelSize];
    for (uint32_t r = 0; r < CommandKeys::rows; ++r) {
        if (!keys.hasText(r))
            continue;
        if (GetMenuItemCount(menu) == 2)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        keys.menuLabel(r, label);
        AppendMenuA(menu, MF_STRING, IDM_SEND_ROW + r, label);
    }
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
    if (!msg || !hwnd || !client || !client->hwnd)
        return false;
    if (msg->hwnd != hwnd && !IsChild(hwnd, msg->hwnd))
        return false;
    // F1 to F12 with a stored command (F10 comes as a system key); the
    // others keep what they do (F3: Find Next).
    int row = client->commandKeys().rowOfKey(msg);
    if (row >= 0) {
        runItem(UINT(IDM_SEND_ROW + row));
        return true;
    }
    if (msg->message != WM_KEYDOWN)
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
        if (wParam == noticeTimer) {
            KillTimer(hwnd, noticeTimer);
            noticeOn = false;
            showStatus();
            return 0;
        }
        break;
    case WM_DRAWITEM:
        if (wParam == IDC_STATUSBAR && lParam) {
            drawLamp(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
            return TRUE;
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
    status.setText(portPart, text);
    StatusText::line(facts, text, sizeof text);
    status.setText(linePart, text);
    StatusText::counts(facts, text, sizeof text);
    status.setText(countsPart, text);
    countsShownAt = GetTickCount();
    noteText(facts, text, sizeof text);
    status.setText(notePart, text);
    showLines();

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
    status.setText(countsPart, text);
    countsShownAt = GetTickCount();
}

// The note: the line errors once there are any, what the terminal notes
// (a capture, a full history), and for a while after a port's driver
// turned out to carry no modem signals, that.
void mainWin::noteText(const StatusFacts &facts, char *buffer, size_t size)
{
    LineControl &lines = client->lineSignals();
    if (lines.takeRefusal())
        noticeOn = SetTimer(hwnd, noticeTimer, noticeMs, nullptr) != 0;
    if (noticeOn && facts.state != StatusFacts::portOpen) {
        KillTimer(hwnd, noticeTimer);
        noticeOn = false;
    }
    char errors[StatusText::partSize];
    lines.errorText(errors, sizeof errors);
    char note[StatusText::partSize];
    StatusText::note(facts, note, sizeof note);
    const char *parts[3] = {errors, note, noticeOn ? LineControl::noSignalsNotice : ""};
    size_t used = 0;
    buffer[0] = '\0';
    for (const char *p : parts) {
        if (!*p || used + 1 >= size)
            continue;
        int n = std::snprintf(buffer + used, size - used, "%s%s", used ? "  " : "", p);
        if (n < 0)
            break;
        used += size_t(n);
        if (used >= size)
            used = size - 1;
    }
}

// The lamps of the modem inputs: lit, dark, or grey while the port is
// closed or its driver cannot say. A lamp that changed is drawn at once, so
// a flood of bytes waiting in the queue does not hold it back.
void mainWin::showLines()
{
    LineControl &lines = client->lineSignals();
    for (unsigned i = 0; i < ModemLines::inputCount; ++i) {
        if (status.setOwnerDrawn(firstLampPart + int(i), LONG_PTR(lines.lamp(i)) + 1))
            UpdateWindow(status.window());
    }
}

void mainWin::drawLamp(const DRAWITEMSTRUCT &item)
{
    const int part = int(item.itemID);
    if (part < firstLampPart || part >= partCount || !item.hDC)
        return;
    const char *label = ModemLines::inputLabel(unsigned(part - firstLampPart));
    const LONG_PTR look = LONG_PTR(item.itemData) - 1;
    RECT r = item.rcItem;
    InflateRect(&r, -2, -1);
    COLORREF textColour = GetSysColor(COLOR_GRAYTEXT);
    if (look == LineControl::lit || look == LineControl::dark) {
        // Lit: bright green with dark text; dark: deep green with pale text.
        const bool on = look == LineControl::lit;
        HGDIOBJ brush = GetStockObject(DC_BRUSH);
        COLORREF before = SetDCBrushColor(item.hDC, on ? RGB(0, 224, 0) : RGB(0, 72, 0));
        FillRect(item.hDC, &r, HBRUSH(brush));
        SetDCBrushColor(item.hDC, before);
        textColour = on ? RGB(0, 0, 0) : RGB(150, 190, 150);
    }
    int mode = SetBkMode(item.hDC, TRANSPARENT);
    COLORREF colour = SetTextColor(item.hDC, textColour);
    DrawTextA(item.hDC, label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(item.hDC, colour);
    SetBkMode(item.hDC, mode);
}
