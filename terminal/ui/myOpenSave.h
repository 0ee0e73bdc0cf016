#ifndef TERMINAL_MYOPENSAVE_H
#define TERMINAL_MYOPENSAVE_H

#include <windows.h>

#include "util/POpenSave.h"

// The terminal's open/save dialog: it starts in the folder shown by the last
// file dialog and remembers the folder afterwards, in "OldPath" under the
// settings key, whether a file was chosen or not.
class myOpenSave : public POpenSave
{
public:
    explicit myOpenSave(HWND owner);
    ~myOpenSave() override;

protected:
    void beforeDialog() override;
    void afterDialog() override;
};

#endif
