#ifndef COMM_COMMNOTIFY_H
#define COMM_COMMNOTIFY_H

// Posted by a port's reader thread to its notify window after a pass that
// queued bytes: wParam the bytes queued at the moment of posting, lParam the
// port handle. WM_USER + 200, spelled out so this header needs no Windows one.
const unsigned PWM_COMMDATA = 0x0400 + 200;

#endif
