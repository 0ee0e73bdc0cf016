#include "terminal/receive/HistoryFiles.h"

#include "res/resource.h"
#include "terminal/receive/ReceiveSession.h"
#include "terminal/receive/SessionLog.h"
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

bool HistoryFiles::toggleLog()
{
    SessionLog &log = session.log();
    if (log.isOn()) {
        endLog();
        return true;
    }
    // A failed write ended the log before its timer said so: said now, and
    // that is what this choice did.
    if (log.takeFailNotice()) {
        logFailed();
        return true;
    }
    ChosenFile chosen(dialog, ChosenFile::toAppend);
    if (!chosen.choose())
        return false;
    // Offsets as the view shows them: counted in the history since Clear.
    if (!log.start(chosen.path(), session.receivedCount())) {
        chosen.tellNotOpened();
        return false;
    }
    // Without its timer nothing would reach the file before the log ends.
    if (!SetTimer(dialog, SessionLog::tickTimer, SessionLog::tickMs, nullptr)) {
        log.stop();
        Warnings::logWriteFailed(dialog);
        return false;
    }
    return true;
}

void HistoryFiles::endLog()
{
    KillTimer(dialog, SessionLog::tickTimer);
    session.log().stop();
    if (session.log().takeFailNotice())
        logFailed();
}

// The timer goes first: the box pumps messages.
void HistoryFiles::logFailed()
{
    KillTimer(dialog, SessionLog::tickTimer);
    Warnings::logWriteFailed(dialog);
}

bool HistoryFiles::tickLog()
{
    SessionLog &log = session.log();
    // GetTickCount wraps after 49 days; the writer then flushes at once.
    log.tick(GetTickCount());
    if (!log.takeFailNotice())
        return false;
    logFailed();
    return true;
}
