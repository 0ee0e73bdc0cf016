#ifndef COMM_COMMNOTIFY_H
#define COMM_COMMNOTIFY_H

// Posted by a port's reader thread to its notify window after a pass that
// queued bytes: wParam the bytes queued at the moment of posting, lParam the
// port handle. WM_USER + 200, spelled out so this header needs no Windows one.
const unsigned PWM_COMMDATA = 0x0400 + 200;

// Posted once by a port's reader thread to its notify window when the device
// behind the port has gone (lParam the port handle). The reader has ended
// by then; the bytes it queued before are still in the queue.
const unsigned PWM_COMMLOST = 0x0400 + 201;

// Posted by a port's reader (and by a port call that learned it) to its
// notify window when the modem inputs moved, when new line errors were
// counted, or when the driver turned out to carry no modem signals. wParam
// is a ModemLines::State packed: the inputs at that moment, the ones this
// step saw move, and whether the driver tells at all; lParam the port
// handle. Each change of an input is posted by itself, so a window that
// draws them late still sees every one. Error reports are not repeated
// until the window has read the counts (lineErrors).
const unsigned PWM_COMMLINE = 0x0400 + 202;

#endif
