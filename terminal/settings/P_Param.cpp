#include "terminal/settings/P_Param.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"
#include "terminal/settings/Settings.h"
#include "terminal/settings/TransferProtocol.h"

namespace {

const int buttonBitmaps[] = {IDB_DEFAULT, IDB_OK, IDB_CANCEL};

// Reads item i of a combo box into buffer; false when the item does not fit
// or does not exist.
bool itemText(HWND combo, unsigned i, char *buffer, size_t size)
{
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0);
    if (length == CB_ERR || length < 0 || size_t(length) >= size)
        return false;
    if (SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(buffer)) == CB_ERR)
        return false;
    buffer[length] = '\0';
    return true;
}

} // namespace

P_Param::P_Param(CommSettings *settings, uint32_t *delay, PWin *parent, int templateId,
                 HINSTANCE module)
    : PDialog(parent, templateId, module), settingsPtr(settings), delayPtr(delay),
      images(instance(), buttonBitmaps, 3), extrasPtr(&ownExtras)
{
    images.attach(this, IDC_SET_DEFAULT, 0);
    images.attach(this, IDOK, 1);
    images.attach(this, IDCANCEL, 2);
}

P_Param::~P_Param()
{
    destroy();
}

bool P_Param::create()
{
    if (!PDialog::create())
        return false;
    // An adapter plugged in while the program runs shows at the next opening.
    ports.scan();
    fillCombos();
    SetDlgItemInt(hwnd, IDC_SET_DELAY, delayPtr ? UINT(*delayPtr) : 0u, FALSE);
    fillTransferList();
    fillOptions(optionsPtr ? *optionsPtr : Options());
    return true;
}

void P_Param::fillOnOff(int id, bool on)
{
    HWND list = GetDlgItem(hwnd, id);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, CB_ADDSTRING, 0, LPARAM("On"));
    SendMessageA(list, CB_ADDSTRING, 0, LPARAM("Off"));
    SendMessageA(list, CB_SETCURSEL, on ? 0 : 1, 0);
}

void P_Param::fillOptions(const Options &shown)
{
    HWND lineEnd = GetDlgItem(hwnd, IDC_SET_LINEEND);
    SendMessageA(lineEnd, CB_RESETCONTENT, 0, 0);
    for (uint32_t i = 0; i < Options::lineEndCount; ++i)
        SendMessageA(lineEnd, CB_ADDSTRING, 0, LPARAM(Options::lineEndLabel(i)));
    SendMessageA(lineEnd, CB_SETCURSEL, WPARAM(Options::lineEndValid(shown.lineEnd) ? shown.lineEnd : 0), 0);
    fillOnOff(IDC_SET_DTRATOPEN, shown.dtrAtOpen);
    fillOnOff(IDC_SET_RTSATOPEN, shown.rtsAtOpen);
    SetDlgItemInt(hwnd, IDC_SET_PULSE, UINT(shown.pulseMs), FALSE);
    SetDlgItemInt(hwnd, IDC_SET_BREAK, UINT(shown.breakMs), FALSE);
    SetDlgItemInt(hwnd, IDC_SET_PAUSE, UINT(shown.pauseNewLineMs), FALSE);
    SendDlgItemMessageA(hwnd, IDC_SET_FOLDER, EM_LIMITTEXT, WPARAM(Options::folderSize - 1), 0);
    SetDlgItemTextA(hwnd, IDC_SET_FOLDER, shown.receiveFolder);
}

void P_Param::resetOptionFields()
{
    Options shown;
    char folder[Options::folderSize] = "";
    int length = GetDlgItemTextA(hwnd, IDC_SET_FOLDER, folder, sizeof folder);
    folder[length > 0 && length < int(sizeof folder) ? length : 0] = '\0';
    shown.setReceiveFolder(folder);
    fillOptions(shown);
}

bool P_Param::fieldNumber(int id, bool (*valid)(uint32_t), bool emptyAllowed, uint32_t &value)
{
    char text[16] = "";
    int length = GetDlgItemTextA(hwnd, id, text, sizeof text);
    if (length <= 0) {
        if (emptyAllowed)
            value = 0;
        return emptyAllowed;
    }
    // More digits than a field's range can need is out of range too.
    if (length >= int(sizeof text) - 1)
        return false;
    BOOL ok = FALSE;
    UINT number = GetDlgItemInt(hwnd, id, &ok, FALSE);
    if (!ok || !valid(uint32_t(number)))
        return false;
    value = uint32_t(number);
    return true;
}

namespace {

struct NumberField
{
    int id;
    bool (*valid)(uint32_t);
    bool emptyAllowed;
    const char *warning;
};

const NumberField numberFields[] = {
    {IDC_SET_DELAY, Options::sendDelayValid, true, "The delay between bytes is 0 to 10000 ms."},
    {IDC_SET_PULSE, Options::pulseValid, false, "Pulse (ms) is 1 to 10000 ms."},
    {IDC_SET_BREAK, Options::breakValid, false, "Break (ms) is 1 to 10000 ms."},
    {IDC_SET_PAUSE, Options::pauseNewLineValid, true, "The pause that ends a line is 0 (off) to 60000 ms."},
};

// Where the folder dialog opens.
int CALLBACK folderDialogEvent(HWND dialog, UINT msg, LPARAM, LPARAM start)
{
    if (msg == BFFM_INITIALIZED && start)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

} // namespace

bool P_Param::validate()
{
    if (!hwnd)
        return true;
    for (const NumberField &f : numberFields) {
        uint32_t value = 0;
        if (fieldNumber(f.id, f.valid, f.emptyAllowed, value))
            continue;
        MessageBoxA(hwnd, f.warning, "Communication Setting", MB_OK | MB_ICONWARNING);
        HWND field = GetDlgItem(hwnd, f.id);
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

void P_Param::readOptions()
{
    if (!optionsPtr)
        return;
    Options &o = *optionsPtr;
    LRESULT lineEnd = SendDlgItemMessageA(hwnd, IDC_SET_LINEEND, CB_GETCURSEL, 0, 0);
    if (lineEnd >= 0 && Options::lineEndValid(uint32_t(lineEnd)))
        o.lineEnd = uint32_t(lineEnd);
    o.dtrAtOpen = SendDlgItemMessageA(hwnd, IDC_SET_DTRATOPEN, CB_GETCURSEL, 0, 0) != 1;
    o.rtsAtOpen = SendDlgItemMessageA(hwnd, IDC_SET_RTSATOPEN, CB_GETCURSEL, 0, 0) != 1;
    fieldNumber(IDC_SET_PULSE, Options::pulseValid, false, o.pulseMs);
    fieldNumber(IDC_SET_BREAK, Options::breakValid, false, o.breakMs);
    fieldNumber(IDC_SET_PAUSE, Options::pauseNewLineValid, true, o.pauseNewLineMs);
    char folder[Options::folderSize] = "";
    int length = GetDlgItemTextA(hwnd, IDC_SET_FOLDER, folder, sizeof folder);
    folder[length > 0 && length < int(sizeof folder) ? length : 0] = '\0';
    o.setReceiveFolder(folder);
}

void P_Param::pickFolder()
{
    char start[MAX_PATH] = "";
    int length = GetDlgItemTextA(hwnd, IDC_SET_FOLDER, start, sizeof start);
    if (length <= 0 || length >= int(sizeof start))
        receiveFolderInUse(start, sizeof start);
    char chosen[MAX_PATH] = "";
    BROWSEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.hwndOwner = hwnd;
    info.pszDisplayName = chosen;
    info.lpszTitle = "Receive into";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = folderDialogEvent;
    info.lParam = start[0] ? LPARAM(start) : 0;
    // The shell's folder tree is made of COM objects.
    HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (!item) {
        if (SUCCEEDED(com))
            CoUninitialize();
        return;
    }
    // The path a folder item names is at most MAX_PATH long.
    char path[MAX_PATH] = "";
    if (SHGetPathFromIDListA(item, path) && path[0] != '\0')
        SetDlgItemTextA(hwnd, IDC_SET_FOLDER, path);
    CoTaskMemFree(item);
    if (SUCCEEDED(com))
        CoUninitialize();
}

void P_Param::fillTransferList()
{
    HWND list = GetDlgItem(hwnd, IDC_SET_TRANSFER);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (uint32_t i = 0; i < transferProtocolCount; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, LPARAM(transferProtocolLabel(TransferProtocol(i))));
    selectTransfer(transferPtr ? *transferPtr : 0);
}

// A stored value beyond the list sends raw, and the list says so.
void P_Param::selectTransfer(uint32_t protocol)
{
    SendDlgItemMessageA(hwnd, IDC_SET_TRANSFER, CB_SETCURSEL, WPARAM(transferProtocolFrom(protocol)), 0);
}

void P_Param::readTransfer()
{
    LRESULT chosen = SendDlgItemMessageA(hwnd, IDC_SET_TRANSFER, CB_GETCURSEL, 0, 0);
    if (transferPtr && chosen != CB_ERR)
        *transferPtr = uint32_t(transferProtocolFrom(uint32_t(chosen)));
}

int P_Param::comboFor(LineField field)
{
    switch (field) {
    case linePort: return IDC_SET_PORT;
    case lineBaud: return IDC_SET_BAUD;
    case lineStopBits: return IDC_SET_STOP;
    case lineDataBits: return IDC_SET_DATA;
    case lineParity: return IDC_SET_PARITY;
    }
    return 0;
}

void P_Param::fillCombo(HWND combo, LineField field)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (unsigned i = 0; i < lineFieldCount(field); ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(lineFieldLabel(field, i)));
}

void P_Param::fillCombos()
{
    if (!hwnd || !settingsPtr)
        return;
    for (LineField field : lineFieldOrder) {
        HWND combo = GetDlgItem(hwnd, comboFor(field));
        if (field == linePort) {
            fillPortCombo(combo);
            continue;
        }
        fillCombo(combo, field);
        // An index beyond the table (an edited registry value) has no label:
        // the box then shows no selection.
        selectByText(combo, lineFieldLabel(field, lineFieldIndex(*settingsPtr, field)));
    }
    fillFlowCombo(GetDlgItem(hwnd, IDC_SET_FLOW));
}

void P_Param::fillPortCombo(HWND combo)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const unsigned chosen = extrasPtr->portNumber(*settingsPtr);
    // The list opens as wide as its longest item needs.
    HDC dc = GetDC(combo);
    HGDIOBJ oldFont = dc ? SelectObject(dc, HGDIOBJ(SendMessageA(combo, WM_GETFONT, 0, 0))) : nullptr;
    LONG widest = 0;
    for (unsigned number = 1; number <= CommSettings::maxPort; ++number) {
        // A stored port that has gone away stays the choice shown.
        if (number > CommSettings::portCount && number != chosen && !ports.isPresent(number))
            continue;
        // A present port shows the system's name for its device after its
        // own, which also tells which of COM1 to COM8 are there.
        char text[8 + PortPresence::deviceNameSize + 3];
        CommSettings::portName(number, text, sizeof text);
        const char *device = ports.deviceName(number);
        if (device[0] != '\0') {
            size_t at = std::strlen(text);
            std::snprintf(text + at, sizeof text - at, " (%s)", device);
        }
        LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text));
        if (item < 0)
            continue;
        SendMessageA(combo, CB_SETITEMDATA, WPARAM(item), LPARAM(number));
        if (number == chosen)
            SendMessageA(combo, CB_SETCURSEL, WPARAM(item), 0);
        SIZE size;
        if (dc && GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size) && size.cx > widest)
            widest = size.cx;
    }
    if (dc) {
        SelectObject(dc, oldFont);
        ReleaseDC(combo, dc);
    }
    // Room for the margins and a scroll bar; never narrower than the box.
    SendMessageA(combo, CB_SETDROPPEDWIDTH, WPARAM(widest + 8 + GetSystemMetrics(SM_CXVSCROLL)), 0);
}

void P_Param::fillFlowCombo(HWND combo)
{
    if (!combo)
        return;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (unsigned i = 0; i < CommExtras::flowCount; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(CommExtras::flowLabel(i)));
    CommExtras::Flow flow = extrasPtr->flowOf(*settingsPtr);
    // A combination set by other means is shown for what it is, and kept
    // unless another choice is made.
    if (flow == CommExtras::flowUnnamed) {
        char text[64];
        CommExtras::describeHandshake(*settingsPtr, text, sizeof text);
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(text));
        RECT r;
        GetWindowRect(combo, &r);
        SendMessageA(combo, CB_SETDROPPEDWIDTH, WPARAM(2 * (r.right - r.left)), 0);
    }
    SendMessageA(combo, CB_SETCURSEL, WPARAM(flow), 0);
}

void P_Param::selectByText(HWND combo, const char *label)
{
    SendMessageA(combo, CB_SETCURSEL, WPARAM(-1), 0);
    if (!label)
        return;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    char text[500];
    for (LRESULT i = 0; i < count; ++i) {
        if (itemText(combo, unsigned(i), text, sizeof text) && std::strcmp(text, label) == 0) {
            SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
            return;
        }
    }
}

unsigned P_Param::selectedIndex(HWND combo, unsigned count)
{
    char current[50];
    int length = GetWindowTextA(combo, current, sizeof current);
    if (length < 0)
        length = 0;
    current[length < int(sizeof current) ? length : int(sizeof current) - 1] = '\0';
    char text[500];
    for (unsigned i = 0; i < count; ++i)
        if (itemText(combo, i, text, sizeof text) && std::strcmp(text, current) == 0)
            return i;
    return 0;
}

void P_Param::readBack()
{
    if (!hwnd)
        return;
    if (settingsPtr) {
        for (LineField field : lineFieldOrder) {
            if (field == linePort)
                continue;
            HWND combo = GetDlgItem(hwnd, comboFor(field));
            setLineFieldIndex(*settingsPtr, field, selectedIndex(combo, lineFieldCount(field)));
        }
        readBackPortAndFlow();
    }
    if (delayPtr) {
        uint32_t delay = 0;
        if (fieldNumber(IDC_SET_DELAY, Options::sendDelayValid, true, delay))
            *delayPtr = delay;
    }
    readTransfer();
    readOptions();
}

void P_Param::readBackPortAndFlow()
{
    HWND portCombo = GetDlgItem(hwnd, IDC_SET_PORT);
    LRESULT item = SendMessageA(portCombo, CB_GETCURSEL, 0, 0);
    LRESULT number = item < 0 ? 1 : SendMessageA(portCombo, CB_GETITEMDATA, WPARAM(item), 0);
    extrasPtr->setPort(*settingsPtr, number > 0 ? unsigned(number) : 1u);
    LRESULT flow = SendMessageA(GetDlgItem(hwnd, IDC_SET_FLOW), CB_GETCURSEL, 0, 0);
    if (flow >= 0 && flow < CommExtras::flowCount)
        extrasPtr->setFlow(*settingsPtr, CommExtras::Flow(flow));
}

LRESULT P_Param::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            if (!validate())
                return TRUE;
            readBack();
            EndDialog(wnd, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(wnd, IDCANCEL);
            return TRUE;
        case IDC_SET_DEFAULT:
            if (settingsPtr)
                *settingsPtr = defaultSettings();
            *extrasPtr = CommExtras();
            fillCombos();
            selectTransfer(uint32_t(TransferProtocol::raw));
            resetOptionFields();
            break;
        case IDC_SET_FOLDERPICK:
            if (HIWORD(wParam) == BN_CLICKED)
                pickFolder();
            return TRUE;
        default:
            break;
        }
    }
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
