#ifndef TERMINAL_TRANSFERLOCK_H
#define TERMINAL_TRANSFERLOCK_H

#include <windows.h>

class FileTransfer;
class ViewFinder;

// A transfer owns the line while it runs: the pump between its chunks would
// otherwise let a second send interleave with it. The commands that change
// the port, the view's rendering or the history, or that would put a modal
// dialog inside the transfer's pump, wait too (Find and scrolling do not):
// their buttons are greyed for the transfer's length and they are refused
// however they come.
class TransferLock
{
public:
    TransferLock(FileTransfer &transfer, ViewFinder &finder) : transfer(transfer), finder(finder), dialog(nullptr) {}
    TransferLock(const TransferLock &) = delete;
    TransferLock &operator=(const TransferLock &) = delete;

    // The dialog whose buttons are greyed.
    void attach(HWND dialogWindow) { dialog = dialogWindow; }
    // The command would disturb a running transfer.
    static bool disturbs(int id);
    // job runs the transfer, with the dialog locked and Find saying "not
    // found" without a box meanwhile.
    void run(void (*job)(FileTransfer &));

private:
    void enable(bool on) const;

    FileTransfer &transfer;
    ViewFinder &finder;
    HWND dialog;
};

#endif
