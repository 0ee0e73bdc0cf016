#ifndef TERMINAL_TRANSFERHOST_H
#define TERMINAL_TRANSFERHOST_H

#include <cstdint>

class PWin;

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
    // the port is closed or a write fell short.
    virtual bool sendBytes(const unsigned char *data, uint32_t count, bool useDelay) = 0;
    // The pause after each byte, in ms; 0 for none.
    virtual uint32_t getSendDelay() const = 0;
    // The owner of the transfer's message boxes and progress dialog.
    virtual PWin &transferWindow() = 0;
    // The operator's own sends, off while a transfer owns the line.
    virtual void setSendsEnabled(bool on) = 0;

protected:
    ~TransferHost() = default;
};

#endif
