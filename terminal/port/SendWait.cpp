#include "terminal/port/SendWait.h"

#include "terminal/ui/progressBar.h"
#include "win/PMessagePump.h"
#include "win/PWin.h"

bool SendWait::wait(HANDLE done, DWORD ms)
{
    // Without the application's pump (nothing to keep moving) a plain wait.
    if (!PMessagePump::current()) {
        WaitForSingleObject(done, ms);
    } else if (MsgWaitForMultipleObjectsEx(1, &done, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
        PMessagePump::pumpWaiting();
    }
    if (abortedBy && abortedBy->isAborted())
        return false;
    if (limitMs != 0 && GetTickCount() - limitFrom >= limitMs)
        return false;
    return owner && owner->hwnd && IsWindow(owner->hwnd);
}
