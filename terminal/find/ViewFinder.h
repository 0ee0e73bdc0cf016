#ifndef TERMINAL_VIEWFINDER_H
#define TERMINAL_VIEWFINDER_H

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

#include "terminal/find/TextSearch.h"

// Find in the receive view, as Notepad has it: the system's Find dialog,
// modeless and owned by the terminal, whose "Find Next" selects the next
// match in the view and scrolls it into view; F3 finds again in the
// dialog's direction and Shift+F3 the other way, also with the dialog
// closed. In text the text is found as typed; in hex it is read as bytes
// and found in the dump (HexSearch). The search runs over the view's whole
// text where it lies, so a full view takes a few tens of milliseconds.
//
// The terminal hands over the dialog's notices (isNotice/onNotice) and says
// which layout the view shows; the Find dialog lives until the operator
// closes it or the terminal goes (close()).
class ViewFinder
{
public:
    ViewFinder();
    ~ViewFinder();
    ViewFinder(const ViewFinder &) = delete;
    ViewFinder &operator=(const ViewFinder &) = delete;

    // owner: the terminal's dialog, which gets the Find dialog's notices;
    // view: the receive view. Neither is owned.
    void attach(HWND owner, HWND view);

    // Ctrl+F and "&Find...": opens the Find dialog, or brings it forward.
    void openDialog();
    // F3 (reverse false) and Shift+F3; with nothing typed yet the dialog
    // opens instead. hex: the view shows the hex dump.
    void findAgain(bool reverse, bool hex);
    // Ctrl+F opens Find, F3 finds again and Shift+F3 the other way, wherever
    // the focus is in the terminal; true when the key was one of them.
    bool onKey(const MSG *msg, bool hex);

    // The message the Find dialog sends its owner.
    bool isNotice(UINT msg) const { return msg != 0 && msg == notice; }
    // "Find Next" pressed, or the dialog closing.
    void onNotice(LPARAM lParam, bool hex);

    // Ends the Find dialog, if open (the terminal is going).
    void close();
    HWND dialog() const { return dlg; }

    // While a transfer runs, a box would stop its pump: a miss is told by
    // the system's beep and the Find dialog's caption instead.
    void setBoxesAllowed(bool on) { boxesAllowed = on; }

    // Adds "&Find..." to the receive view's context menu.
    static void extendMenu(HMENU menu);

private:
    void find(bool goDown, bool hex);
    void tellNotHex();
    void takeSelection();
    void placeAside();
    void select(size_t from, size_t to);
    void tell(const char *message, UINT icon);
    static const unsigned char *caseFold();

    HWND owner;
    HWND view;
    HWND dlg;        // the Find dialog while it is open
    UINT notice;     // its registered message
    FINDREPLACEA fr; // read by the dialog for as long as it is open
    // How the last Find Next searched, for F3 after the dialog has gone
    // (its flags then say only that it went).
    bool down;
    bool matchCase;
    bool boxesAllowed = true;
    bool toldInCaption = false;   // the dialog's caption says a miss
    char what[TextSearch::maxPattern + 1];
};

#endif
