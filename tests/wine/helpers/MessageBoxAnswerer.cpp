#include "tests/wine/helpers/MessageBoxAnswerer.h"

#include "tests/wine/helpers/Pump.h"

namespace {

const int messageTextId = 0xFFFF;   // the static holding a message box's text
const int wineIconId = 0x440;       // its icon static, as Wine numbers it
const int windowsIconId = 0x14;     // ... and as Windows does
const int fileNameComboId = 0x47C;  // cmb13 of the common file dialogs
const int fileNameEditId = 0x480;   // edt1 of the common file dialogs

std::string windowText(HWND wnd)
{
    char buf[1024];
    buf[0] = 0;
    GetWindowTextA(wnd, buf, sizeof buf);
    buf[sizeof buf - 1] = 0;
    return buf;
}

BOOL CALLBACK findBox(HWND wnd, LPARAM param)
{
    if (MessageBoxAnswerer::isMessageBox(wnd)) {
        *reinterpret_cast<HWND *>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool MessageBoxAnswerer::isMessageBox(HWND wnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(wnd))
        return false;
    char cls[16];
    if (!GetClassNameA(wnd, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0)
        return false;
    if (GetDlgItem(wnd, fileNameComboId) || GetDlgItem(wnd, fileNameEditId))
        return false;
    // Text and icon statics together tell a message box from a dialog of
    // the program that merely has an unnumbered label.
    HWND text = GetDlgItem(wnd, messageTextId);
    if (!text || !(GetDlgItem(wnd, wineIconId) || GetDlgItem(wnd, windowsIconId)))
        return false;
    char textCls[16];
    return GetClassNameA(text, textCls, sizeof textCls) && lstrcmpiA(textCls, "Static") == 0;
}

HWND MessageBoxAnswerer::findMessageBox()
{
    HWND found = nullptr;
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

MessageBoxAnswerer::MessageBoxAnswerer(int buttonId, int boxes, DWORD deadlineMs)
    : DriverThread(deadlineMs), button(buttonId), maxBoxes(boxes)
{
    start();
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    stop();
}

void MessageBoxAnswerer::run()
{
    while (answeredCount() < maxBoxes && !expired()) {
        if (stopped())
            return;
        HWND box = findMessageBox();
        if (!box)
            continue;
        Box seen;
        seen.shownAt = GetTickCount();
        seen.caption = windowText(box);
        seen.owner = GetWindow(box, GW_OWNER);
        char text[2048];
        text[0] = 0;
        GetDlgItemTextA(box, messageTextId, text, sizeof text);
        text[sizeof text - 1] = 0;
        seen.text = text;
        int id = button;
        if (!GetDlgItem(box, id))
            id = GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDOK;
        seen.pressed = id;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
        // Count the box only once it is gone, so the same box is not
        // answered twice and waitAnswered means "closed".
        while (IsWindow(box) && IsWindowVisible(box)) {
            if (stopped() || expired())
                return;
        }
        Hold hold(*this);
        answered.push_back(seen);
    }
}

// Keeps this thread's own windows alive while waiting.
bool MessageBoxAnswerer::waitAnswered(int n, DWORD timeoutMs) const
{
    return pumpUntil([&] { return answeredCount() >= n; }, timeoutMs);
}

int MessageBoxAnswerer::answeredCount() const
{
    Hold hold(*this);
    return int(answered.size());
}

std::vector<MessageBoxAnswerer::Box> MessageBoxAnswerer::boxes() const
{
    Hold hold(*this);
    return answered;
}

std::string MessageBoxAnswerer::caption(int i) const
{
    std::vector<Box> all = boxes();
    return i >= 0 && size_t(i) < all.size() ? all[size_t(i)].caption : std::string();
}

std::string MessageBoxAnswerer::text(int i) const
{
    std::vector<Box> all = boxes();
    return i >= 0 && size_t(i) < all.size() ? all[size_t(i)].text : std::string();
}
