#ifndef TESTS_WINE_HELPERS_POPUPMENUDRIVER_H
#define TESTS_WINE_HELPERS_POPUPMENUDRIVER_H

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DriverThread.h"

// Picks an item of the next popup menu this process shows, with the keys an
// operator would press, so a test never hangs on a context menu.
//
// Constructing a driver arms a watcher thread. When a popup menu window of
// this process appears, it records the menu's items (texts and whether they
// are greyed) and then presses Down `downPresses` times and Enter; with
// downPresses 0 it presses Esc and the menu closes without a choice. A menu
// still open at the deadline is closed with Esc.
//
// Typical use:
//     PopupMenuDriver driver(2);                   // the second item
//     PostMessageA(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(x, y));
//     ASSERT_TRUE(pumpUntil([&] { return driver.done(); }));
class PopupMenuDriver : public DriverThread
{
public:
    struct Item
    {
        std::string text;   // "" for a separator
        bool grayed;
        bool checked;
    };

    explicit PopupMenuDriver(int downPresses, DWORD deadlineMs = 10000);
    ~PopupMenuDriver() override;

    // True once the keys were sent to a menu.
    bool done() const;
    std::vector<Item> items() const;

    static HWND findMenu();

private:
    void run() override;

    int presses;
    bool answered;
    std::vector<Item> seen;
};

#endif
