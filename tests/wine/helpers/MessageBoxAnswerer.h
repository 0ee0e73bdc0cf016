#ifndef TESTS_WINE_HELPERS_MESSAGEBOXANSWERER_H
#define TESTS_WINE_HELPERS_MESSAGEBOXANSWERER_H

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DriverThread.h"

// Answers the message boxes this process shows, as an operator would, so a
// test never hangs on one.
//
// Constructing an answerer arms a watcher thread. Until it has answered
// maxBoxes boxes, or until the deadline (from construction) passes, it looks
// every few milliseconds for a visible message box (dialog class #32770 with
// the message text control) of this process, records its caption and text,
// and presses `button` on it (IDOK, IDYES, IDNO, IDCANCEL ...; a box without
// that button gets its own default answer through IDCANCEL/IDOK). Common
// file dialogs are never touched.
//
// Typical use:
//     MessageBoxAnswerer answerer(IDOK);
//     EXPECT_EQ(file.read(buf, 4), 0u);          // shows a warning box
//     ASSERT_TRUE(answerer.waitAnswered(1));
//     EXPECT_EQ(answerer.caption(0), "File non aperto");
// A test that expects no box checks answeredCount() == 0 at its end.
// The destructor stops the watcher; boxes shown after that are not answered.
class MessageBoxAnswerer : public DriverThread
{
public:
    struct Box
    {
        std::string caption;
        std::string text;
        int pressed;   // the button id sent to the box
        HWND owner;    // the box's owner window (null: none)
        DWORD shownAt; // GetTickCount when the box was found
    };

    explicit MessageBoxAnswerer(int button = IDOK, int maxBoxes = 1, DWORD deadlineMs = 20000);
    ~MessageBoxAnswerer() override;

    // Waits until at least n boxes have been answered and closed, or the
    // timeout passes. True when they have.
    bool waitAnswered(int n = 1, DWORD timeoutMs = 10000) const;

    int answeredCount() const;
    std::vector<Box> boxes() const;
    // Caption / text of the i-th answered box; empty when there is none.
    std::string caption(int i = 0) const;
    std::string text(int i = 0) const;

    // Finds a visible message box of this process, or null. Public for
    // helpers that need to tell message boxes from other dialogs.
    static HWND findMessageBox();
    static bool isMessageBox(HWND wnd);

private:
    void run() override;

    int button;
    int maxBoxes;
    std::vector<Box> answered;
};

#endif
