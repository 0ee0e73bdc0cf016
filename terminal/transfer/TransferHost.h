#ifndef TERMINAL_TRANSFERHOST_H
#define TERMINAL_TRANSFERHOST_H

#include <cstdint>

class PWin;
class ReceiveTap;
class progressBar;

// What a transfer needs from the terminal that owns it: the port, the road
// to it, the pause after each byte, the window its dialogs belong to and the
// send controls it holds back while it owns the line. The terminal
// implements it, so a transfer knows nothing of the dialog behind it.
class TransferHost
{
public:
    // True when a port is open afterwards (it may ask the operator).
    virtual bool ensurePortOpen() = 0;
    // All of data, with the pause after each byte when useDelay; false when
    // the port is closed or a write fell short. The "&Abort" of abortedBy,
    // when given, also ends a write the line holds.
    virtual bool sendBytes(const unsigned char *data, uint32_t count, bool useDelay,
                           const progressBar *abortedBy) = 0;
    // The pause after each byte, in ms; 0 for none.
    virtual uint32_t getSendDelay() const = 0;
    // The owner of the transfer's message boxes and progress dialog.
    virtual PWin &transferWindow() = 0;
    // The operator's own sends, off while a transfer owns the line.
    virtual void setSendsEnabled(bool on) = 0;
    // While set, received bytes pass the tap first; only what it hands back
    // is shown, captured and kept. Null: none.
    virtual void setReceiveTap(ReceiveTap *tap) = 0;

protected:
    ~TransferHost() = default;
};

#endif
