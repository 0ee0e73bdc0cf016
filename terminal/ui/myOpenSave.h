#ifndef TERMINAL_MYOPENSAVE_H
#define TERMINAL_MYOPENSAVE_H

#include <windows.h>

#include "util/POpenSave.h"

// The terminal's open/save dialog: it starts in the folder shown by the last
// file dialog and remembers the folder afterwards, in "OldPath" under the
// settings key, whether a file was chosen or not. A caller with a folder
// of its own for this dialog (received files' "Receive into") names it.
class myOpenSave : public POpenSave
{
public:
    explicit myOpenSave(HWND owner);
    ~myOpenSave() override;

    // The next dialog starts in this folder instead (copied; null or empty:
    // the last folder again). A folder that does not fit a path is ignored.
    void startIn(const char *folder);

protected:
    void beforeDialog() override;
    void afterDialog() override;

private:
    char start[MAX_PATH] = {};
};

#endif
