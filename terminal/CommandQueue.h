#ifndef TERMINAL_COMMANDQUEUE_H
#define TERMINAL_COMMANDQUEUE_H

#include <cstdint>

// Commands that arrived while the receive view was being updated (a render
// pumps messages), kept in arrival order and run once the update is over, so
// that a click never lands in the middle of a drain or a re-render.
class CommandQueue
{
public:
    enum { capacity = 32 };

    CommandQueue() : head(0), count(0) {}

    // false when full: the command is dropped (32 clicks within one render).
    bool push(int id, intptr_t arg);
    bool pop(int *id, intptr_t *arg);
    bool empty() const { return count == 0; }
    uint32_t size() const { return count; }
    void clear() { head = count = 0; }

private:
    struct Entry {
        int id;
        intptr_t arg;
    };
    Entry entries[capacity];
    uint32_t head;
    uint32_t count;
};

#endif
