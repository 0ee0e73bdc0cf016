#ifndef WIN_PWIN_H
#define WIN_PWIN_H

#include <windows.h>

#include <cstdint>

// The module instance recorded by the application object at start-up. Every
// window whose own module is null uses it (or, before any application object
// exists, the executable's module).
extern HINSTANCE appInstance;

// Shows the system's text for an error code in a box captioned
// "Descrizione Errore".
void reportSystemError(DWORD code);

// One object per window: the creation parameters, the handle once the window
// exists, the place in a tree of parent and child objects, and the virtual
// operations through which the window's messages reach the object.
//
// The tree: a parent owns its children and deletes them in its destructor.
// Children are kept in a circular list; lastChild points at the last one and
// lastChild->nextSibling is the first.
class PWin
{
public:
    // Bits of flags.
    enum : uint32_t {
        modal = 0x01,          // the dialog runs modally
        wantsIdle = 0x02,      // asked for more idle time on the last call
        subclassed = 0x04,     // prevProc was replaced by the framework procedure
        quitOnDestroy = 0x08,  // post WM_QUIT when the window is destroyed
        fromTemplate = 0x10,   // defined by a dialog template, never made by createHandle
        foreignClass = 0x20,   // system class: subclassed and bound once it exists
        isDialog = 0x40        // the object is a dialog
    };
    // Bits of trackFlags.
    enum : uint32_t {
        pointerInside = 0x02,  // pointer inside, this window holds the capture
        trackingOn = 0x04      // enter/over/leave tracking switched on
    };

    PWin(PWin *parent, const char *title, HINSTANCE module = nullptr);
    PWin(PWin *parent, int id, int x, int y, int width, int height, const char *title,
         HINSTANCE module = nullptr);
    PWin(PWin *parent, int id, const RECT &rect, const char *title, HINSTANCE module = nullptr);

    PWin(const PWin &) = delete;
    PWin &operator=(const PWin &) = delete;

    // The virtual operations, in this order; derived classes append theirs
    // after isInClient.
    virtual ~PWin();
    virtual bool create();
    virtual bool idleWork(int idleCount);
    virtual bool registerClass();
    virtual bool preTranslate(MSG *msg);
    virtual const char *className();
    virtual void fillClass(WNDCLASSA &wc);
    virtual HWND createHandle();
    virtual LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void mouseEnter(const POINT &pt, UINT keys);
    virtual void mouseOver(const POINT &pt, UINT keys);
    virtual void mouseLeave(const POINT &pt, UINT keys);
    virtual bool isInWindow(const POINT &screenPt);
    virtual bool isInClient(const POINT &clientPt);

    // Destroys the window, if any: the focus goes to the parent window first
    // when that belongs to this thread. A failure is reported; hwnd is
    // cleared anyway.
    void destroy();

    // The object bound to a window, or null.
    static PWin *fromHandle(HWND hwnd);

    // Replaces the title (null allowed) and, when the window exists, its text.
    void setText(const char *text);

    // Switches enter/over/leave tracking; returns the setting before the call.
    bool setMouseTracking(bool on);

    // Creates the children that have no window yet, then applies childOrder.
    bool createChildren();

    // Routes the window's procedure (or, for a dialog, its dialog procedure)
    // through the framework, and back.
    void subclass();
    void unsubclass();

    // Child list.
    void addChild(PWin *child);
    void removeChild(PWin *child);
    PWin *firstChild() const { return lastChild ? lastChild->nextSibling : nullptr; }
    int childCount() const;

    // Visits the children in list order. The successor is read before each
    // visit, so the visited child may delete itself.
    template <class F>
    void forEachChild(F visit)
    {
        if (!lastChild)
            return;
        PWin *child = lastChild->nextSibling;
        for (;;) {
            bool wasLast = child == lastChild;
            PWin *next = child->nextSibling;
            visit(child);
            if (wasLast || !lastChild)
                return;
            child = next;
        }
    }

    // The first child for which the predicate answers true, or null.
    template <class P>
    PWin *findChild(P pred)
    {
        PWin *found = nullptr;
        if (!lastChild)
            return nullptr;
        PWin *child = lastChild->nextSibling;
        for (;;) {
            bool wasLast = child == lastChild;
            PWin *next = child->nextSibling;
            if (pred(child)) {
                found = child;
                break;
            }
            if (wasLast || !lastChild)
                break;
            child = next;
        }
        return found;
    }

    bool hasFlag(uint32_t bit) const { return (flags & bit) != 0; }
    void setFlag(uint32_t bit) { flags |= bit; }
    void clearFlag(uint32_t bit) { flags &= ~bit; }

    // The module whose classes, menus and templates this window uses.
    HINSTANCE instance() const;

    // The framework's procedure: the class procedure of every class it
    // registers and the replacement procedure of subclassed windows.
    static LRESULT CALLBACK frameworkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The same routing as a dialog procedure (CreateDialogParamA,
    // DialogBoxParamA and subclassed dialogs).
    static INT_PTR CALLBACK frameworkDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Name of the window property that binds a window to its object.
    static const char *const propName;

    int x;
    int y;
    int width;
    int height;
    int id;
    uint32_t style;
    uint32_t exStyle;
    const char *menuName;
    uint32_t flags;
    HWND hwnd;
    PWin *parent;
    PWin *lastChild;
    PWin *nextSibling;
    HINSTANCE module;
    uint32_t trackFlags;
    int childOrder;
    char *title;
    WNDPROC prevProc;

private:
    void init(PWin *parent, const char *title, HINSTANCE module);
    static LRESULT route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool asDialog);
    static void bindOnCreation(HWND hwnd, UINT msg, LPARAM lParam);
    bool frameworkAnswers(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool asDialog, LRESULT &answer);
    void trackMouse(WPARAM wParam, LPARAM lParam);
    void forgetDeadChildren(HWND dying);
    void unbindAfterFailedDestroy(HWND stale);
};

#endif
