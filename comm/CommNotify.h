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

#endif
