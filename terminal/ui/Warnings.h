#ifndef TERMINAL_UI_WARNINGS_H
#define TERMINAL_UI_WARNINGS_H

#include <windows.h>

// The boxes the terminal tells the operator with when the data path cannot
// do what it was asked: owned by `owner`, modal, each its own caption.
namespace Warnings {

// The history has no room for more bytes: shown and captured, not kept.
void historyFull(HWND owner);
// A render found too little memory: the view shows what fitted.
void lowMemory(HWND owner);
// What was sent no longer fits beside the history: still shown as it goes,
// but left out when the view is drawn again.
void sentNotKept(HWND owner);
// A write to the port failed or fell short.
void commWriteFailed(HWND owner);
// A write to a file (the capture) failed.
void fileWriteFailed(HWND owner);
// A write to the log failed: the log has ended.
void logWriteFailed(HWND owner);

} // namespace Warnings

#endif
