#include "terminal/CommandQueue.h"

bool CommandQueue::push(int id, intptr_t arg)
{
    if (count == capacity)
        return false;
    Entry &e = entries[(head + count) % capacity];
    e.id = id;
    e.arg = arg;
    ++count;
    return true;
}

bool CommandQueue::pop(int *id, intptr_t *arg)
{
    if (count == 0)
        return false;
    const Entry &e = entries[head];
    *id = e.id;
    *arg = e.arg;
    head = (head + 1) % capacity;
    --count;
    return true;
}
