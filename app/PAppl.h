#ifndef APP_PAPPL_H
#define APP_PAPPL_H

#include "win/PMessagePump.h"
#include "win/PWin.h"

#include <cstdint>

// The window-class name of the frame window: "pAppl Base".
const char *appClassName();

// The application object: one per process. It owns the main window object,
// runs the main loop with its idle protocol and offers the nested pump that
// long operations call between steps (registered as the message pump of
// the window classes).
class PAppl : public PMessagePump
{
public:
    PAppl(HINSTANCE module, int showCmd);
    PAppl(const PAppl &) = delete;
    PAppl &operator=(const PAppl &) = delete;

    ~PAppl() override;
    // Creates and shows the main window, runs the loop; returns its result.
    virtual int run(const char *title);
    // Maps the wParam of WM_QUIT to the loop's result.
    virtual int quitCode(WPARAM code);
    // A new main window object (not yet created on screen), or null.
    virtual PWin *createMainWindow(const char *title, HINSTANCE module);
    // Offers a queued message to the window it is addressed to and then to
    // its ancestors, up to the desktop; true = consumed.
    virtual bool preTranslate(MSG *msg);

    // Handles every message waiting in the queue; never blocks.
    int pumpMessages() override;
    // Handles at most one message; more tells whether one was found.
    // Returns quitCode of a WM_QUIT taken, else 0.
    int pumpOne(bool &more);

    // The modeless dialogs of no window object, offered every message
    // after the windows' own preTranslate.
    bool addDialog(HWND dialog) override;
    void removeDialog(HWND dialog) override;

    static PAppl *instance();

    int32_t showCmd;
    uint32_t idleCount;
    unsigned char quitting;
    PWin *mainWindow;

private:
    // true when a modeless dialog took the message.
    bool dialogMessage(MSG *msg);

    enum { maxDialogs = 4 };
    HWND dialogs[maxDialogs];
    uint32_t dialogCount;
};

#endif
