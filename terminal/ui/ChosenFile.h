#ifndef TERMINAL_CHOSENFILE_H
#define TERMINAL_CHOSENFILE_H

#include <windows.h>

#include "terminal/ui/myOpenSave.h"

class P_File;

// A file the operator chooses in the terminal's open/save dialog, then
// opened: for reading (a file to send) or for writing (capture, save; created,
// or emptied when it exists). A file to write that does not open is said in
// "Unable to creat File"; a file to read that does not open is left unsaid,
// the transfer just does not start. A file to add to (a log: ".log" unless
// the operator names another extension, no question when it exists) is
// opened by the caller from path(); tellNotOpened() says it did not open.
class ChosenFile
{
public:
    enum Use { toRead, toWrite, toAppend };

    ChosenFile(HWND owner, Use use);
    ChosenFile(const ChosenFile &) = delete;
    ChosenFile &operator=(const ChosenFile &) = delete;

    // Shows the dialog; false when it was cancelled.
    bool choose();
    // The dialog starts in this folder rather than the last one used.
    void startIn(const char *folder) { dialog.startIn(folder); }
    // Opens the chosen file to read or write; the caller owns the result.
    // Null when it did not open (said for a file to write), or to append.
    P_File *open();
    void tellNotOpened() const;
    // The chosen path, for a caller that makes the file itself.
    const char *path() const { return dialog.getFileName(); }

private:
    HWND owner;
    Use use;
    myOpenSave dialog;
};

#endif
