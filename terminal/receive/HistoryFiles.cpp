#include "terminal/receive/HistoryFiles.h"

#include "res/resource.h"
#include "terminal/receive/ReceiveSession.h"
#include "terminal/ui/ChosenFile.h"
#include "terminal/ui/Warnings.h"
#include "util/P_File.h"

void HistoryFiles::save()
{
    if (session.received().count() == 0) {
        MessageBoxA(dialog, "Nothing to Save", "Warning", MB_ICONINFORMATION);
        return;
    }
    ChosenFile chosen(dialog, ChosenFile::toWrite);
    if (!chosen.choose())
        return;
    P_File *file = chosen.open();
    if (!file)
        return;
    // Received while the dialog was up counts too: the count is taken now.
    if (session.saveTo(*file))
        MessageBoxA(dialog, "File Saved", "Success", MB_ICONINFORMATION);
    else
        Warnings::fileWriteFailed(dialog);
    delete file;
}

bool HistoryFiles::toggleCapture()
{
    if (SendDlgItemMessageA(dialog, IDC_CAPTURE, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        // Without a running capture the view already shows the history.
        if (session.isCapturing())
            session.endCapture();
        return true;
    }
    ChosenFile chosen(dialog, ChosenFile::toWrite);
    if (!chosen.choose()) {
        // Still capturing from before (the box was checked again): keep on.
        if (!session.isCapturing())
            SendDlgItemMessageA(dialog, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
        return false;
    }
    // The capture running goes first: the file chosen may be its own.
    session.closeCapture();
    session.startCapture(chosen.open());
    if (!session.isCapturing())
        SendDlgItemMessageA(dialog, IDC_CAPTURE, BM_SETCHECK, BST_UNCHECKED, 0);
    return true;
}
