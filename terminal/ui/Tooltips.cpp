#include "terminal/ui/Tooltips.h"

#include <commctrl.h>

#include "res/resource.h"

namespace {

struct Tip
{
    int id;
    const char *text;
};

const Tip tips[] = {
    {IDC_SETUP, "Communication Setting"},
    {IDC_OPENCOMM, "Open/Close communication"},
    {IDC_SENDSTRING, "Send content of Window Text"},
    {IDC_SENDBYTE, "Send single byte"},
    {IDC_SENDFILE, "Send the specified file"},
    {IDCANCEL, "Exit program"},
    {IDC_CLEAR, "Clear buffer of received"},
    {IDC_SAVE, "Save buffer to file"},
    {IDC_SHOWHEX, "Change the show in Hex Or String"},
    {IDC_CAPTURE, "Capture all the receipt in a file"},
};

} // namespace

Tooltips::Tooltips() : control(nullptr) {}

Tooltips::~Tooltips()
{
    destroy();
}

void Tooltips::destroy()
{
    if (control) {
        DestroyWindow(control);
        control = nullptr;
    }
}

void Tooltips::create(HWND dialog, HINSTANCE module)
{
    control = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, module, nullptr);
    if (!control)
        return;
    for (const Tip &t : tips) {
        TOOLINFOA info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = dialog;
        info.uId = UINT_PTR(GetDlgItem(dialog, t.id));
        info.hinst = module;
        info.lpszText = const_cast<char *>(t.text);
        if (!SendMessageA(control, TTM_ADDTOOLA, 0, LPARAM(&info)))
            break;
    }
}

void Tooltips::relay(const MSG *msg)
{
    switch (msg->message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (control) {
            MSG copy = *msg;
            SendMessageA(control, TTM_RELAYEVENT, 0, LPARAM(&copy));
        }
        break;
    default:
        break;
    }
}
