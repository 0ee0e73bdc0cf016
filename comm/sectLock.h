#ifndef COMM_SECTLOCK_H
#define COMM_SECTLOCK_H

#include <windows.h>

// Holds a critical section for the lifetime of the object: every locked
// region of the port engine is one of these.
class sectLock
{
public:
    explicit sectLock(CRITICAL_SECTION *section) : section(section) { EnterCriticalSection(section); }
    ~sectLock() { LeaveCriticalSection(section); }

    sectLock(const sectLock &) = delete;
    sectLock &operator=(const sectLock &) = delete;

private:
    CRITICAL_SECTION *section;
};

#endif
