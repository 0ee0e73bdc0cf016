#include "terminal/send/CommandsDialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "terminal/send/StoredCommands.h"

namespace {

const int buttonBitmaps[] = {IDB_OK, IDB_CANCEL};

// The most digits an interval field takes: StoredCommands::maxInterval has 7.
const int repeatDigits = 7;

} // namespace

CommandsDialog::CommandsDialog(StoredCommands &commands, PWin *parent)
    : PDialog(parent, IDD_COMMANDS, nullptr), commands(commands), images(instance(), buttonBitmaps, 2)
{
    images.attach(this, IDOK, 0);
    images.attach(this, IDCANCEL, 1);
}

CommandsDialog::~CommandsDialog()
{
    destroy();
}

bool CommandsDialog::create()
{
    if (!PDialog::create())
        return false;
    fill();
    return true;
}

void CommandsDialog::fill()
{
    if (!hwnd)
        return;
    // One byte more than a row keeps, for the NUL the edits want.
    char *buffer = new (std::nothrow) char[StoredCommands::maxText + 1];
    for (unsigned r = 0; r < StoredCommands::rows; ++r) {
        SendDlgItemMessageA(hwnd, nameField(r), EM_LIMITTEXT, WPARAM(StoredCommands::maxName), 0);
        SendDlgItemMessageA(hwnd, textField(r), EM_LIMITTEXT, WPARAM(StoredCommands::maxText), 0);
        SendDlgItemMessageA(hwnd, repeatField(r), EM_LIMITTEXT, WPARAM(repeatDigits), 0);
        uint32_t length = 0;
        const char *name = commands.name(r, &length);
        char shortText[StoredCommands::maxName + 1];
        std::snprintf(shortText, sizeof shortText, "%.*s", int(length), name);
        SetDlgItemTextA(hwnd, nameField(r), shortText);
        const char *text = commands.text(r, &length);
        if (buffer) {
            std::snprintf(buffer, StoredCommands::maxText + 1, "%.*s", int(length), text);
            SetDlgItemTextA(hwnd, textField(r), buffer);
        }
        if (commands.interval(r))
            SetDlgItemInt(hwnd, repeatField(r), UINT(commands.interval(r)), FALSE);
        else
            SetDlgItemTextA(hwnd, repeatField(r), "");
    }
    delete[] buffer;
}

bool CommandsDialog::interval(unsigned row, uint32_t &value) const
{
    char digits[repeatDigits + 2] = "";
    int n = GetDlgItemTextA(hwnd, repeatField(row), digits, sizeof digits);
    if (n <= 0) {
        value = 0;
        return true;
    }
    if (n > repeatDigits)
        return false;
    digits[n] = '\0';
    char *end = nullptr;
    unsigned long v = std::strtoul(digits, &end, 10);
    if (!end || *end != '\0' || v > StoredCommands::maxInterval)
        return false;
    value = uint32_t(v);
    return true;
}

bool CommandsDialog::validate()
{
    for (unsigned r = 0; r < StoredCommands::rows; ++r) {
        uint32_t v = 0;
        if (interval(r, v))
            continue;
        char warning[96];
        std::snprintf(warning, sizeof warning, "The repeat of F%u must be 0 to %u ms.", r + 1,
                      unsigned(StoredCommands::maxInterval));
        MessageBoxA(hwnd, warning, "Commands", MB_OK | MB_ICONWARNING);
        HWND field = GetDlgItem(hwnd, repeatField(r));
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

// Into a fresh table first: a row that cannot be kept leaves the caller's
// table as it was, so "&Cancel" after the warning still cancels everything.
bool CommandsDialog::readBack()
{
    StoredCommands fresh;
    char *text = new (std::nothrow) char[StoredCommands::maxText + 1];
    bool kept = text != nullptr;
    for (unsigned r = 0; r < StoredCommands::rows && kept; ++r) {
        char name[StoredCommands::maxName + 1] = "";
        int nameLength = GetDlgItemTextA(hwnd, nameField(r), name, sizeof name);
        int textLength = GetDlgItemTextA(hwnd, textField(r), text, int(StoredCommands::maxText + 1));
        // The edits' limits hold them to these already.
        nameLength = nameLength < 0 ? 0 : nameLength > int(StoredCommands::maxName) ? int(StoredCommands::maxName) : nameLength;
        textLength = textLength < 0 ? 0 : textLength > int(StoredCommands::maxText) ? int(StoredCommands::maxText) : textLength;
        uint32_t every = 0;
        interval(r, every);
        kept = fresh.set(r, name, uint32_t(strnlen(name, size_t(nameLength))), text,
                         uint32_t(strnlen(text, size_t(textLength))), every);
    }
    delete[] text;
    unsigned char *form = nullptr;
    if (kept) {
        uint32_t size = fresh.storedSize();
        form = new (std::nothrow) unsigned char[size];
        kept = form && commands.load(form, fresh.store(form, size));
    }
    delete[] form;
    if (!kept)
        MessageBoxA(hwnd, "Not enough memory to keep the commands.", "Commands", MB_OK | MB_ICONWARNING);
    return kept;
}

LRESULT CommandsDialog::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            if (validate() && readBack())
                EndDialog(wnd, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(wnd, IDCANCEL);
            return TRUE;
        default:
            break;
        }
    }
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
