#ifndef WIN_PMESSAGEPUMP_H
#define WIN_PMESSAGEPUMP_H

// What the window classes call to let the queue through while they wait:
// the application object implements it and registers itself, so the classes
// below it pump its queue (with its pre-translation) without knowing it.
class PMessagePump
{
public:
    virtual ~PMessagePump();

    // Handles every message waiting in the queue; never blocks.
    virtual int pumpMessages() = 0;

    // The registered pump, or null before one is registered.
    static PMessagePump *current();
    static void install(PMessagePump *pump);
    // Unregisters pump if it is the registered one.
    static void uninstall(PMessagePump *pump);
    // Lets every waiting message through the registered pump; without one
    // nothing is pumped.
    static void pumpWaiting();
};

#endif
