#ifndef APP_MAINWIN_H
#define APP_MAINWIN_H

#include "app/PMainWin.h"
#include "terminal/TerminalStatus.h"
#include "terminal/ui/StatusText.h"
#include "win/PStatusBar.h"

class mainClient;

// The frame "Line Talk by QV": a fixed-size window without minimise and
// maximise boxes that holds the terminal dialog, with the menu bar above it
// and the status bar below, and sizes itself around the three. The menu's
// commands go down to the terminal through its typed calls; the terminal
// tells the status bar of its changes through TerminalStatus.
class mainWin : public PMainWin, private TerminalStatus
{
public:
    // WM_TIMER of the frame that shows the counts while the port is open.
    static const UINT_PTR countsTimer = 0x4C20;
    static const UINT countsMs = 100;   // at most ten times a second
    // WM_TIMER of the frame that ends the driver's notice in the note.
    static const UINT_PTR noticeTimer = 0x4C31;
    static const UINT noticeMs = 6000;
    // The status bar's parts: the port, the line, the counts, a note, and
    // the lamps of the four modem inputs, owner-drawn.
    enum { portPart, linePart, countsPart, notePart, firstLampPart, partCount = firstLampPart + 4 };

    explicit mainWin(HINSTANCE module);
    ~mainWin() override;

    bool create() override;
    const char *className() override;
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    mainClient *getClient() const { return client; }
    HWND statusBar() const { return status.window(); }

    // The menu bar's shortcuts (Ctrl+S, Ctrl+C, Ctrl+A, and F1 to F12 for
    // the stored commands) for a key pressed anywhere in the frame; true
    // when the key was taken. The send box and the byte fields keep Ctrl+C
    // and Ctrl+A for their own text.
    bool takeShortcut(const MSG *msg);

protected:
    // The terminal dialog; the child list owns it.
    mainClient *client;

private:
    struct MenuItem
    {
        UINT id;
        void (*run)(mainWin &);
        bool (*enabled)(const mainClient &);   // null: always
        bool (*checked)(const mainClient &);   // null: never
    };
    static const MenuItem menuItems[];
    static const MenuItem *findItem(UINT id);
    bool isEnabled(const MenuItem &item) const;
    void runItem(UINT id);
    void updateMenu();
    void showStoredCommands(HMENU bar);
    void showAbout();

    void statusChanged() override;
    void countsMoved() override;
    void showStatus();
    void showCounts();
    void showLines();
    void noteText(const StatusFacts &facts, char *buffer, size_t size);
    void drawLamp(const DRAWITEMSTRUCT &item);
    void fitAroundBars();

    PStatusBar status;
    DWORD countsShownAt;
    bool countsTimerOn;
    bool noticeOn = false;   // the driver's refusal is being said
};

#endif
