#ifndef TERMINAL_SENDBOXRECALL_H
#define TERMINAL_SENDBOXRECALL_H

#include <windows.h>

#include <cstdint>

#include "terminal/send/SendRecall.h"

// Ctrl+Up and Ctrl+Down in the send box: the earlier sends back in the box
// (SendRecall), kept across runs in the registry ("Recall"). A stored list
// the program did not write is ignored and recall starts empty.
class SendBoxRecall
{
public:
    SendBoxRecall() : box(nullptr) {}
    SendBoxRecall(const SendBoxRecall &) = delete;
    SendBoxRecall &operator=(const SendBoxRecall &) = delete;

    // The send box (not owned); the stored list is read now.
    void attach(HWND sendBox);
    // A text just sent from the box: kept, and the list stored.
    void remember(const char *text, uint32_t length);
    // True when msg was Ctrl+Up or Ctrl+Down in the box and has been handled.
    bool onKey(const MSG *msg);

private:
    void show(const char *text, uint32_t length);
    void store() const;

    HWND box;
    SendRecall recall;
};

#endif
