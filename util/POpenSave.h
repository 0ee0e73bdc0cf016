#ifndef UTIL_POPENSAVE_H
#define UTIL_POPENSAVE_H

#include <windows.h>

#include "util/FileRequest.h"

// Asks for one file name with the system's open or save dialog and fixes up
// the result: the chosen extension is matched against the request's list
// (ignoring case), a save name without extension gets the one of its filter
// entry, and the process's current directory is left as it was found.
class POpenSave
{
public:
    explicit POpenSave(HWND owner);
    virtual ~POpenSave();

    POpenSave(const POpenSave &) = delete;
    POpenSave &operator=(const POpenSave &) = delete;

    // True when a usable name is in getFileName(): chosen, with an
    // extension (open), and short enough once the default extension is
    // appended (save). request.filterIndex tells which extension matched.
    virtual bool execute(FileRequest &request);

    const char *getFileName() const { return fileName; }

protected:
    // Around every dialog, whatever its outcome; the current directory is
    // restored after afterDialog.
    virtual void beforeDialog();
    virtual void afterDialog();

    HWND ownerWnd;
    char fileName[MAX_PATH];

private:
    bool runDialog(FileRequest &request, DWORD *reportedFilter);
    bool fixUpName(FileRequest &request, DWORD reportedFilter);
};

#endif
