#include "tests/wine/helpers/FileDialogDriver.h"

#include <commdlg.h>

#include "tests/wine/helpers/MessageBoxAnswerer.h"
#include "tests/wine/helpers/Pump.h"

namespace {

const int fileNameComboId = 0x47C;   // cmb13
const int fileNameEditId = 0x480;    // edt1

bool isFileDialog(HWND wnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(wnd))
        return false;
    char cls[16];
    if (!GetClassNameA(wnd, cls, sizeof cls) || lstrcmpA(cls, "#32770") != 0)
        return false;
    return GetDlgItem(wnd, fileNameComboId) || GetDlgItem(wnd, fileNameEditId);
}

BOOL CALLBACK findDialog(HWND wnd, LPARAM param)
{
    if (isFileDialog(wnd)) {
        *reinterpret_cast<HWND *>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

// Asks the dialog for the folder it shows; 0 until it has one.
std::string shownFolder(HWND dlg)
{
    char path[MAX_PATH + 1];
    path[0] = 0;
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(dlg, CDM_GETFOLDERPATH, sizeof path - 1, reinterpret_cast<LPARAM>(path),
                             SMTO_ABORTIFHUNG, 2000, &got))
        return std::string();
    path[sizeof path - 1] = 0;
    if (LONG_PTR(got) <= 0)
        return std::string();
    std::string s = path;
    if (s.size() > 3 && s.back() == '\\')
        s.pop_back();
    return s;
}

} // namespace

HWND FileDialogDriver::findFileDialog()
{
    HWND found = nullptr;
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

FileDialogDriver::FileDialogDriver(const char *fileName, int answer, DWORD deadlineMs)
    : DriverThread(deadlineMs), name(fileName ? fileName : ""), cancel(fileName == nullptr), boxAnswer(answer),
      doneEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)), seenDialog(false), cancelledAfterPress(false)
{
    start();
}

FileDialogDriver::~FileDialogDriver()
{
    stop();
    CloseHandle(doneEvent);
}

void FileDialogDriver::setResult(bool seen, const std::string &cap, const std::string &dir)
{
    Hold hold(*this);
    seenDialog = seen;
    seenCaption = cap;
    seenFolder = dir;
}

void FileDialogDriver::run()
{

    HWND dlg = nullptr;
    while (!(dlg = findFileDialog())) {
        if (stopped() || expired())
            return;
    }
    // The dialog fills its folder view after it becomes visible; wait until
    // it can name the folder, which also means it is ready for input.
    // A dialog that never names its folder is driven after a few seconds.
    std::string dir;
    DWORD readyBy = GetTickCount() + 3000;
    while ((dir = shownFolder(dlg)).empty() && IsWindow(dlg)) {
        if (stopped())
            return;
        if (expired() || LONG(GetTickCount() - readyBy) >= 0)
            break;
    }
    char cap[512];
    cap[0] = 0;
    GetWindowTextA(dlg, cap, sizeof cap);
    cap[sizeof cap - 1] = 0;
    setResult(true, cap, dir);

    if (cancel) {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        int field = GetDlgItem(dlg, fileNameComboId) ? fileNameComboId : fileNameEditId;
        SendMessageTimeoutA(GetDlgItem(dlg, field), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()),
                            SMTO_ABORTIFHUNG, 2000, nullptr);
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    }

    // Until the dialog has gone: answer what it asks; a dialog that stays
    // open with nothing to answer has refused the name, so cancel it.
    DWORD quietSince = GetTickCount();
    bool cancelled = cancel;
    while (IsWindow(dlg) && IsWindowVisible(dlg)) {
        if (stopped())
            return;
        HWND box = MessageBoxAnswerer::findMessageBox();
        if (box) {
            char text[2048];
            text[0] = 0;
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            text[sizeof text - 1] = 0;
            {
                Hold hold(*this);
                seenMessages.push_back(text);
            }
            int id = GetDlgItem(box, boxAnswer) ? boxAnswer : (GetDlgItem(box, IDOK) ? IDOK : IDCANCEL);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
            while (IsWindow(box) && IsWindowVisible(box) && !expired()) {
                if (stopped())
                    return;
            }
            quietSince = GetTickCount();
            continue;
        }
        if (!cancelled && (GetTickCount() - quietSince > 1500 || expired())) {
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            cancelled = true;
            Hold hold(*this);
            cancelledAfterPress = true;
        }
        if (cancelled && overdue() > 5000)
            return;
    }
    SetEvent(doneEvent);
}

// Keeps this thread's own windows alive while waiting.
bool FileDialogDriver::waitDone(DWORD timeoutMs) const
{
    return pumpUntil([this] { return WaitForSingleObject(doneEvent, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

bool FileDialogDriver::sawDialog() const
{
    Hold hold(*this);
    return seenDialog;
}

std::string FileDialogDriver::caption() const
{
    Hold hold(*this);
    return seenCaption;
}

std::string FileDialogDriver::folder() const
{
    Hold hold(*this);
    return seenFolder;
}

std::vector<std::string> FileDialogDriver::messages() const
{
    Hold hold(*this);
    return seenMessages;
}

bool FileDialogDriver::cancelledAfterOk() const
{
    Hold hold(*this);
    return cancelledAfterPress;
}
