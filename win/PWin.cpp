#include "win/PWin.h"

#include "util/dupString.h"

HINSTANCE appInstance = nullptr;

const char *const PWin::propName = "QVWinBase";

void reportSystemError(DWORD code)
{
    char text[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), text,
                             sizeof text - 1, nullptr);
    text[n < sizeof text ? n : sizeof text - 1] = '\0';
    MessageBoxA(nullptr, text, "Descrizione Errore", MB_OK);
}

static char *copyTitle(const char *text)
{
    return text ? dupString(text) : nullptr;
}

void PWin::init(PWin *parentObj, const char *text, HINSTANCE mod)
{
    flags = 0;
    exStyle = 0;
    menuName = nullptr;
    hwnd = nullptr;
    lastChild = nullptr;
    nextSibling = nullptr;
    trackFlags = 0;
    childOrder = 0;
    prevProc = nullptr;
    parent = parentObj;
    module = mod;
    title = copyTitle(text);
    if (parent)
        parent->addChild(this);
}

PWin::PWin(PWin *parentObj, const char *text, HINSTANCE mod)
    : x(int(CW_USEDEFAULT)), y(int(CW_USEDEFAULT)), width(int(CW_USEDEFAULT)),
      height(int(CW_USEDEFAULT)), id(0), style(WS_VISIBLE)
{
    init(parentObj, text, mod);
}

PWin::PWin(PWin *parentObj, int childId, int left, int top, int w, int h, const char *text,
           HINSTANCE mod)
    : x(left), y(top), width(w), height(h), id(childId), style(WS_CHILD | WS_VISIBLE | WS_TABSTOP)
{
    init(parentObj, text, mod);
}

PWin::PWin(PWin *parentObj, int childId, const RECT &r, const char *text, HINSTANCE mod)
    : x(r.left), y(r.top), width(r.right - r.left), height(r.bottom - r.top), id(childId),
      style(WS_CHILD | WS_VISIBLE | WS_TABSTOP)
{
    init(parentObj, text, mod);
}

PWin::~PWin()
{
    // Each child destroys its own window and unlinks itself, so the list
    // shrinks from the front until it is empty.
    while (lastChild)
        delete firstChild();
    destroy();
    if (parent)
        parent->removeChild(this);
    delete[] title;
}

HINSTANCE PWin::instance() const
{
    if (module)
        return module;
    if (appInstance)
        return appInstance;
    return GetModuleHandleA(nullptr);
}

// ---- child list ----

void PWin::addChild(PWin *child)
{
    if (!child)
        return;
    if (!lastChild) {
        child->nextSibling = child;
    } else {
        child->nextSibling = lastChild->nextSibling;
        lastChild->nextSibling = child;
    }
    lastChild = child;
}

void PWin::removeChild(PWin *child)
{
    if (!lastChild || !child)
        return;
    PWin *prev = lastChild;
    do {
        if (prev->nextSibling == child) {
            if (prev == child) {
                lastChild = nullptr;
            } else {
                prev->nextSibling = child->nextSibling;
                if (lastChild == child)
                    lastChild = prev;
            }
            child->nextSibling = nullptr;
            return;
        }
        prev = prev->nextSibling;
    } while (prev != lastChild);
}

int PWin::childCount() const
{
    if (!lastChild)
        return 0;
    int n = 0;
    const PWin *c = lastChild;
    do {
        ++n;
        c = c->nextSibling;
    } while (c != lastChild);
    return n;
}

// ---- virtual operations ----

bool PWin::create()
{
    if (hasFlag(fromTemplate)) {
        if (!hwnd)
            hwnd = parent && parent->hwnd ? GetDlgItem(parent->hwnd, id) : nullptr;
    } else {
        if (!registerClass())
            return false;
        hwnd = createHandle();
        if (!hwnd)
            reportSystemError(GetLastError());
    }
    if (hasFlag(foreignClass) && hwnd) {
        subclass();
        SetPropA(hwnd, propName, this);
    }
    return createChildren();
}

bool PWin::idleWork(int idleCount)
{
    bool more = false;
    forEachChild([&](PWin *child) {
        if (idleCount != 0 && !child->hasFlag(wantsIdle))
            return;
        if (child->idleWork(idleCount)) {
            child->setFlag(wantsIdle);
            more = true;
        } else {
            child->clearFlag(wantsIdle);
        }
    });
    return more;
}

bool PWin::registerClass()
{
    const char *name = className();
    // A control without a class of its own can be neither found nor made.
    if (!name)
        return false;
    WNDCLASSA wc;
    if (GetClassInfoA(nullptr, name, &wc)) {
        setFlag(foreignClass);
        return true;
    }
    if (GetClassInfoA(instance(), name, &wc))
        return true;
    ZeroMemory(&wc, sizeof wc);
    fillClass(wc);
    return RegisterClassA(&wc) != 0;
}

bool PWin::preTranslate(MSG *)
{
    return false;
}

const char *PWin::className()
{
    return "PWin";
}

void PWin::fillClass(WNDCLASSA &wc)
{
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = frameworkProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = hasFlag(isDialog) ? DLGWINDOWEXTRA : 4;
    wc.hInstance = instance();
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszMenuName = menuName;
    wc.lpszClassName = className();
}

HWND PWin::createHandle()
{
    HINSTANCE inst = instance();
    HMENU menu = menuName ? LoadMenuA(inst, menuName)
                          : reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    return CreateWindowExA(exStyle, className(), title, style, x, y, width, height,
                           parent ? parent->hwnd : nullptr, menu, inst, this);
}

LRESULT PWin::windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (prevProc)
        return CallWindowProcA(prevProc, wnd, msg, wParam, lParam);
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

void PWin::mouseEnter(const POINT &, UINT) {}
void PWin::mouseOver(const POINT &, UINT) {}
void PWin::mouseLeave(const POINT &, UINT) {}

bool PWin::isInWindow(const POINT &pt)
{
    RECT r;
    if (!hwnd || !GetWindowRect(hwnd, &r))
        return false;
    return pt.x >= r.left && pt.x <= r.right && pt.y >= r.top && pt.y <= r.bottom;
}

bool PWin::isInClient(const POINT &pt)
{
    RECT r;
    if (!hwnd || !GetClientRect(hwnd, &r))
        return false;
    return pt.x >= r.left && pt.x <= r.right && pt.y >= r.top && pt.y <= r.bottom;
}

// ---- non-virtual operations ----

void PWin::destroy()
{
    if (!hwnd)
        return;
    HWND wnd = hwnd;
    if (parent && parent->hwnd &&
        GetWindowThreadProcessId(parent->hwnd, nullptr) == GetCurrentThreadId())
        SetFocus(parent->hwnd);
    if (!DestroyWindow(wnd)) {
        DWORD err = GetLastError();
        unbindAfterFailedDestroy(wnd);
        reportSystemError(err);
    }
    hwnd = nullptr;
}

// A window that outlives its object (DestroyWindow refused, e.g. a window of
// another thread) must not keep routing messages to it.
void PWin::unbindAfterFailedDestroy(HWND stale)
{
    if (!IsWindow(stale) || GetPropA(stale, propName) != this)
        return;
    HWND keep = hwnd;
    hwnd = stale;
    unsubclass();
    RemovePropA(stale, propName);
    hwnd = keep;
}

PWin *PWin::fromHandle(HWND wnd)
{
    if (!wnd)
        return nullptr;
    return static_cast<PWin *>(GetPropA(wnd, propName));
}

void PWin::setText(const char *text)
{
    delete[] title;
    title = copyTitle(text);
    if (hwnd)
        SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
}

bool PWin::setMouseTracking(bool on)
{
    bool was = (trackFlags & trackingOn) != 0;
    if (on == was)
        return was;
    if (on) {
        trackFlags |= trackingOn;
        return was;
    }
    if (trackFlags & pointerInside) {
        ReleaseCapture();
        trackFlags &= ~pointerInside;
        mouseLeave(POINT{0, 0}, 0);
    }
    trackFlags &= ~trackingOn;
    return was;
}

bool PWin::createChildren()
{
    bool ok = true;
    forEachChild([&](PWin *child) {
        if (!ok || child->hwnd)
            return;
        if (!child->create()) {
            ok = false;
            return;
        }
        // A window created minimised shows its title only once it is set again.
        if (child->hwnd && IsIconic(child->hwnd)) {
            int len = GetWindowTextLengthA(child->hwnd);
            if (len < 0)
                len = 0;
            char *text = new char[size_t(len) + 1];
            int got = GetWindowTextA(child->hwnd, text, len + 1);
            text[got >= 0 && got <= len ? got : 0] = '\0';
            SetWindowTextA(child->hwnd, text);
            delete[] text;
        }
    });
    if (!ok)
        return false;

    int count = childCount();
    HWND previous = nullptr;
    for (int n = count; n >= 1; --n) {
        PWin *child = findChild([n](PWin *c) { return c->childOrder == n; });
        if (!child || !child->hwnd)
            continue;
        SetWindowPos(child->hwnd, previous, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        previous = child->hwnd;
    }
    return true;
}

static int procIndex(bool dialog)
{
    return dialog ? DWLP_DLGPROC : GWLP_WNDPROC;
}

static LONG_PTR frameworkProcFor(bool dialog)
{
    return dialog ? reinterpret_cast<LONG_PTR>(PWin::frameworkDlgProc)
                  : reinterpret_cast<LONG_PTR>(PWin::frameworkProc);
}

void PWin::subclass()
{
    if (!hwnd)
        return;
    bool dialog = hasFlag(isDialog);
    int index = procIndex(dialog);
    LONG_PTR ours = frameworkProcFor(dialog);
    if (GetWindowLongPtrA(hwnd, index) == ours)
        return;
    prevProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, index, ours));
    setFlag(subclassed);
}

void PWin::unsubclass()
{
    if (!hasFlag(subclassed) || !hwnd || !prevProc)
        return;
    bool dialog = hasFlag(isDialog);
    int index = procIndex(dialog);
    if (GetWindowLongPtrA(hwnd, index) != frameworkProcFor(dialog))
        return;
    SetWindowLongPtrA(hwnd, index, reinterpret_cast<LONG_PTR>(prevProc));
    prevProc = nullptr;
}

// ---- routing ----

// When a window goes, its child windows go with it. A child object attached
// to one of them without being bound (a plain control, or one after a failed
// class registration) never sees its WM_DESTROY, so its handle is dropped
// here rather than left to name a dead or reused window.
void PWin::forgetDeadChildren(HWND dying)
{
    forEachChild([dying](PWin *child) {
        if (child->hwnd && fromHandle(child->hwnd) != child &&
            (child->hwnd == dying || IsChild(dying, child->hwnd)))
            child->hwnd = nullptr;
    });
}

void PWin::trackMouse(WPARAM wParam, LPARAM lParam)
{
    if (!(trackFlags & trackingOn))
        return;
    POINT pt;
    pt.x = LONG(LOWORD(lParam));
    pt.y = LONG(HIWORD(lParam));
    UINT keys = UINT(wParam);
    bool inside = isInClient(pt);

    if (trackFlags & pointerInside) {
        bool leaving = !inside;
        if (inside) {
            // A window lying over this one hides the point.
            POINT screen = pt;
            ClientToScreen(hwnd, &screen);
            leaving = WindowFromPoint(screen) != hwnd;
        }
        if (leaving && !(keys & MK_LBUTTON)) {
            if (GetCapture() == hwnd)
                ReleaseCapture();
            trackFlags &= ~pointerInside;
            mouseLeave(pt, keys);
        } else {
            if (GetCapture() != hwnd)
                SetCapture(hwnd);
            mouseOver(pt, keys);
        }
        return;
    }
    if (inside) {
        trackFlags |= pointerInside;
        SetCapture(hwnd);
        mouseEnter(pt, keys);
    }
}

// The window's object is bound to it by its first message that carries it.
void PWin::bindOnCreation(HWND wnd, UINT msg, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        const CREATESTRUCTA *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs)
            SetPropA(wnd, propName, cs->lpCreateParams);
    } else if (msg == WM_INITDIALOG) {
        PWin *obj = reinterpret_cast<PWin *>(lParam);
        SetPropA(wnd, propName, obj);
        // A modal dialog attaches its controls before its own handling runs.
        if (obj && obj->hasFlag(modal)) {
            obj->hwnd = wnd;
            obj->create();
        }
    }
}

LRESULT PWin::route(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool asDialog)
{
    bindOnCreation(wnd, msg, lParam);
    PWin *self = fromHandle(wnd);
    if (!self)
        // A dialog procedure answers "not handled"; the dialog manager then
        // does the default work itself.
        return asDialog ? FALSE : DefWindowProcA(wnd, msg, wParam, lParam);
    LRESULT answer = 0;
    if (self->frameworkAnswers(wnd, msg, wParam, lParam, asDialog, answer))
        return answer;
    return self->windowProc(wnd, msg, wParam, lParam);
}

// What the framework does with a message before the window's own procedure
// sees it; true when that ends it (the answer in `answer`).
bool PWin::frameworkAnswers(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool asDialog, LRESULT &answer)
{
    switch (msg) {
    case WM_DESTROY:
        // A modeless dialog can go before its handle was ever stored.
        if (!hwnd)
            hwnd = wnd;
        unsubclass();
        hwnd = nullptr;
        RemovePropA(wnd, propName);
        forgetDeadChildren(wnd);
        if (hasFlag(quitOnDestroy))
            PostQuitMessage(0);
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        // Reflected to a child of ours that draws itself; a common
        // control's owner-drawn parts (a status bar's) are the window's own.
        if (wParam != 0 && wParam != WPARAM(id)) {
            HWND child = GetDlgItem(wnd, int(wParam));
            if (child && fromHandle(child)) {
                answer = SendMessageA(child, msg, wParam, lParam);
                return true;
            }
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && hasFlag(isDialog)) {
            bool isModal = hasFlag(modal);
            if (isModal)
                EndDialog(wnd, IDCANCEL);
            else
                delete this;
            // Answered as handled: the dialog manager must not go on to turn
            // the close into an IDCANCEL for a dialog that has already ended.
            answer = asDialog ? TRUE : 0;
            return true;
        }
        break;
    case WM_MOUSEMOVE:
        trackMouse(wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        // Let tracking look at the pointer again once the button has changed.
        PostMessageA(wnd, WM_MOUSEMOVE, wParam, lParam);
        break;
    default:
        break;
    }
    return false;
}

LRESULT CALLBACK PWin::frameworkProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return route(wnd, msg, wParam, lParam, false);
}

INT_PTR CALLBACK PWin::frameworkDlgProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return INT_PTR(route(wnd, msg, wParam, lParam, true));
}
