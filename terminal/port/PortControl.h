#ifndef TERMINAL_PORTCONTROL_H
#define TERMINAL_PORTCONTROL_H

#include <windows.h>

#include <cstdint>

#include "terminal/port/PortKeeper.h"
#include "terminal/port/SendWait.h"

class ButtonImages;
class PCom;
struct StatusFacts;
class PWin;
class progressBar;
class ReceiveTap;

// The terminal's port: opened and closed by "&Open Comm", lost with its
// device and then awaited by the keeper, and shown on that button (caption
// and light). The port is open exactly when port() is not null.
class PortControl
{
public:
    // The button's lights are the bitmaps openImage and closedImage of images.
    PortControl(PWin *dialog, ButtonImages &images, uint32_t openImage, uint32_t closedImage);
    ~PortControl();
    PortControl(const PortControl &) = delete;
    PortControl &operator=(const PortControl &) = delete;

    PCom *port() const { return open; }
    // Changes each time the port object changes (opened, closed, lost, back),
    // so a holder of a past port() can tell it is gone even when a new
    // object got the same address.
    uint32_t portGeneration() const { return generation; }
    const PortKeeper &keeper() const { return waiter; }
    bool isWaiting() const { return waiter.isWaiting(); }

    // The button's click: ends a waiting, closes the open port, or opens
    // one with the stored settings. False only when an open failed (said).
    bool toggle();
    // Asks to open the port when it is closed; true when it is open after.
    bool ensureOpen();
    // An attempt of the keeper while waiting.
    void retry();
    // The keeper's timers: an attempt made (retried), or the loss noticed
    // during a drain to be taken up now (lossDue); notMine for any other.
    enum TimerSeen { notMine, retried, lossDue };
    TimerSeen onTimer(UINT_PTR id);
    // Closes the lost port and waits for it with the same settings.
    void startWaiting();
    // After a change of the stored settings: an open or awaited port is
    // opened again with them.
    void reopen();
    // The settings dialog over the terminal: a changed line is stored and
    // an open (or awaited) port opened again with it; a changed pause after
    // each byte is stored and kept in sendDelay; a changed way of sending
    // files ("Transfer") is stored.
    void editSettings(uint32_t &sendDelay);
    void editSettings() { editSettings(delayMs); }
    // The pause after each byte of the sends that ask for it, in ms
    // ("DelayOnSend"); read at the start.
    uint32_t sendDelay() const { return delayMs; }
    void loadSendDelay();
    // Closes the port now (the dialog's end). A port whose write is under
    // way (its writer pumps the queue) is freed once that write returns.
    void close();
    // The one road of the terminal's bytes to the line: the bytes written.
    // While the line holds them the queue keeps moving; the progress
    // dialog abortedBy, when given, gives the write up with its "&Abort".
    // One write at a time: a write asked for meanwhile writes nothing.
    LONG write(const void *data, DWORD count, const progressBar *abortedBy = nullptr);
    bool isWriting() const { return writingOn != nullptr; }
    // All of data, with the pause after each byte when paced; false when
    // the port is closed or a write fell short. abortedBy as for write().
    bool send(const unsigned char *data, uint32_t count, bool paced, const progressBar *abortedBy = nullptr);
    // Bytes that must go out whatever an "&Abort" says (a transfer's cancel),
    // but that never hold the window longer than withinMs on a held line.
    bool sendWithin(const unsigned char *data, uint32_t count, DWORD withinMs);
    // While set, received bytes pass the tap first (a protocol transfer
    // takes its answers there); only what it hands back is shown, captured
    // and kept. Null: none.
    void setReceiveTap(ReceiveTap *tap) { receiveTap = tap; }
    ReceiveTap *tap() const { return receiveTap; }
    // Bytes written since the port last opened (or came back).
    uint64_t sent() const { return sentBytes; }
    // The port's half of what the status bar shows: its state, the settings
    // it is (or will be) opened with, the bytes sent.
    void describe(StatusFacts &facts) const;
    void updateButton();

private:
    PWin *dialog;
    ButtonImages &images;
    uint32_t openImage;
    uint32_t closedImage;
    PCom *open;          // owned; null while closed
    PCom *writingOn;     // the port a write is under way on, or null
    PortKeeper waiter;   // brings a lost port back
    SendWait sendWait;   // how the writes wait
    uint32_t delayMs;    // the pause after each byte of a paced send
    ReceiveTap *receiveTap;   // not owned; a protocol transfer's, while it runs
    uint64_t sentBytes = 0;
    uint32_t generation = 0;
};

#endif
