#include "terminal/settings/P_Param.h"

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
    return true;
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
    if (delayPtr)
        *delayPtr = uint32_t(GetDlgItemInt(hwnd, IDC_SET_DELAY, nullptr, FALSE));
    readTransfer();
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
            break;
        default:
            break;
        }
    }
    return PDialog::windowProc(wnd, msg, wParam, lParam);
}
