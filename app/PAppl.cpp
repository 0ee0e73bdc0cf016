#include "app/PAppl.h"

#include "app/PMainWin.h"

static PAppl *theApp = nullptr;

const char *appClassName()
{
    return "pAppl Base";
}

PAppl::PAppl(HINSTANCE module, int show)
    : showCmd(show), idleCount(0), quitting(0), mainWindow(nullptr), dialogs(), dialogCount(0)
{
    appInstance = module;
    theApp = this;
    PMessagePump::install(this);
}

PAppl::~PAppl()
{
    delete mainWindow;
    mainWindow = nullptr;
}

PAppl *PAppl::instance()
{
    return theApp;
}

PWin *PAppl::createMainWindow(const char *title, HINSTANCE module)
{
    return new PMainWin(title, module);
}

int PAppl::quitCode(WPARAM code)
{
    return int(code);
}

int PAppl::run(const char *title)
{
    mainWindow = createMainWindow(title, appInstance);
    if (!mainWindow)
        return 0;
    if (!mainWindow->create())
        return 0;
    ShowWindow(mainWindow->hwnd, showCmd);
    UpdateWindow(mainWindow->hwnd);

    int result = 0;
    while (!quitting) {
        uint32_t n = idleCount;
        idleCount = n + 1;
        if (!mainWindow->idleWork(int(n))) {
            WaitMessage();
            idleCount = 0;
        }
        result = pumpMessages();
    }
    return result;
}

int PAppl::pumpMessages()
{
    bool more = true;
    int result = 0;
    while (more)
        result = pumpOne(more);
    return result;
}

int PAppl::pumpOne(bool &more)
{
    more = false;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return 0;
    int r = 0;
    if (msg.message == WM_QUIT) {
        quitting = 1;
        r = quitCode(msg.wParam);
    }
    if (!preTranslate(&msg) && !dialogMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    more = true;
    return r;
}

bool PAppl::preTranslate(MSG *msg)
{
    static HWND desktop = nullptr;
    if (!desktop)
        desktop = GetDesktopWindow();
    for (HWND h = msg->hwnd; h; h = GetParent(h)) {
        if (h == desktop)
            break;
        PWin *obj = PWin::fromHandle(h);
        if (obj && obj->preTranslate(msg))
            return true;
    }
    return false;
}

bool PAppl::addDialog(HWND dialog)
{
    for (uint32_t i = 0; i < dialogCount; ++i)
        if (dialogs[i] == dialog)
            return true;
    if (dialogCount == maxDialogs)
        return false;
    dialogs[dialogCount++] = dialog;
    return true;
}

void PAppl::removeDialog(HWND dialog)
{
    for (uint32_t i = 0; i < dialogCount; ++i) {
        if (dialogs[i] == dialog) {
            dialogs[i] = dialogs[--dialogCount];
            return;
        }
    }
}

bool PAppl::dialogMessage(MSG *msg)
{
    for (uint32_t i = 0; i < dialogCount; ++i)
        if (IsDialogMessageA(dialogs[i], msg))
            return true;
    return false;
}
