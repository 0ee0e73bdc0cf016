#include "tests/wine/helpers/DriverThread.h"

DriverThread::DriverThread(DWORD deadlineMs)
    : deadline(GetTickCount() + deadlineMs), stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread(nullptr)
{
    InitializeCriticalSection(&lock);
}

DriverThread::~DriverThread()
{
    stop();
    CloseHandle(stopEvent);
    DeleteCriticalSection(&lock);
}

void DriverThread::start()
{
    thread = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
}

void DriverThread::stop()
{
    SetEvent(stopEvent);
    join(INFINITE);
}

bool DriverThread::join(DWORD ms)
{
    if (!thread)
        return true;
    if (WaitForSingleObject(thread, ms) != WAIT_OBJECT_0)
        return false;
    CloseHandle(thread);
    thread = nullptr;
    return true;
}

bool DriverThread::stopped(DWORD ms) const
{
    return WaitForSingleObject(stopEvent, ms) == WAIT_OBJECT_0;
}

DWORD WINAPI DriverThread::threadMain(void *self)
{
    static_cast<DriverThread *>(self)->run();
    return 0;
}
