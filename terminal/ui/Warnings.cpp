#include "terminal/ui/Warnings.h"

namespace Warnings {

void historyFull(HWND owner)
{
    MessageBoxA(owner,
                "The buffer of received data is full: no more bytes can be kept in it.\r\n"
                "What arrives is still shown (and captured), but Save will not have it.\r\n\r\n"
                "Save the buffer to a file and clear it, or capture to a file.",
                "Buffer Full", MB_ICONWARNING);
}

void lowMemory(HWND owner)
{
    MessageBoxA(owner, "Not enough memory to show all the received data.\r\n"
                "The view shows what fitted; the buffer keeps every byte for Save.", "Low Memory", MB_ICONWARNING);
}

void sentNotKept(HWND owner)
{
    MessageBoxA(owner, "Not enough memory to keep what is sent beside the received data.\r\n"
                "Sends are still shown as they go, but left out when the view is drawn again.", "Low Memory",
                MB_ICONWARNING);
}

void commWriteFailed(HWND owner)
{
    MessageBoxA(owner, "Unable to write to Comm", "Error Comm", MB_ICONERROR);
}

void fileWriteFailed(HWND owner)
{
    MessageBoxA(owner, "Unable to write to File", "Error on file", MB_ICONERROR);
}

void logWriteFailed(HWND owner)
{
    MessageBoxA(owner, "Unable to write to the log file; the log has ended.", "Error on file", MB_ICONERROR);
}

} // namespace Warnings
