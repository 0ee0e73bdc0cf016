#ifndef COMM_WRITEWAIT_H
#define COMM_WRITEWAIT_H

#include <windows.h>

// How the thread that writes spends the time a write is pending. The port
// waits through this in short slices, so that a writer with windows keeps
// its queue moving (painting, receiving, an "&Abort") and can give the write
// up, instead of sitting in the wait until the line lets go.
class WriteWait
{
public:
    virtual ~WriteWait() {}

    // Waits at most ms for `done` to be set, doing the writer's other work
    // meanwhile. False when the write is to be given up.
    virtual bool wait(HANDLE done, DWORD ms) = 0;
};

#endif
