#include "terminal/transfer/TransferLock.h"

#include "res/resource.h"
#include "terminal/find/ViewFinder.h"
#include "terminal/transfer/FileTransfer.h"

namespace {

const int locked[] = {IDC_SENDFILE, IDM_FILE_RECEIVE, IDC_SENDSTRING, IDC_SENDBYTE, IDC_SETUP, IDC_OPENCOMM,
                      IDC_SAVE, IDC_CAPTURE, IDC_SHOWHEX, IDC_CLEAR, IDM_VIEW_SHOWTIME, IDM_VIEW_RULES,
                      IDM_VIEW_SHOWSENT};

} // namespace

bool TransferLock::disturbs(int id)
{
    // A stored command sends as the send box does; its dialog is modal.
    if (id == IDM_SEND_COMMANDS || (id >= IDM_SEND_ROW && id <= IDM_SEND_LASTROW))
        return true;
    for (int one : locked)
        if (one == id)
            return true;
    return false;
}

void TransferLock::run(void (*job)(FileTransfer &))
{
    enable(false);
    finder.setBoxesAllowed(false);
    job(transfer);
    finder.setBoxesAllowed(true);
    enable(true);
}

void TransferLock::enable(bool on) const
{
    for (int id : locked)
        if (HWND button = GetDlgItem(dialog, id))
            EnableWindow(button, on ? TRUE : FALSE);
}
