#ifndef TERMINAL_HISTORYFILES_H
#define TERMINAL_HISTORYFILES_H

#include <windows.h>

class ReceiveSession;

// The received data to files, as the operator asks for it: the history
// saved once ("Save"), what arrives from now on captured ("Capture to
// File", whose check box it keeps in step), or the lines shown logged with
// their times ("Log to File", on the dialog's timer SessionLog::tickTimer).
// The files are chosen in the terminal's save dialog.
class HistoryFiles
{
public:
    explicit HistoryFiles(ReceiveSession &session) : session(session), dialog(nullptr) {}
    HistoryFiles(const HistoryFiles &) = delete;
    HistoryFiles &operator=(const HistoryFiles &) = delete;

    // The dialog whose check box (IDC_CAPTURE) turns the capture on and off.
    void attach(HWND dialogWindow) { dialog = dialogWindow; }

    // The history into a chosen file, said as it went.
    void save();
    // The check box was clicked: the capture starts into a chosen file or
    // ends. True when it started or ended (what the status shows changed).
    bool toggleCapture();
    // "Log to File...": the log starts into a chosen file, or the one
    // running ends (without asking). True when it started or ended.
    bool toggleLog();
    // The log's timer: its lines to the file. True when a failed write
    // ended the log (said once, here).
    bool tickLog();

private:
    void endLog();
    void logFailed();

    ReceiveSession &session;
    HWND dialog;
};

#endif
