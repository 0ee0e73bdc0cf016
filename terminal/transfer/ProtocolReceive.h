#ifndef TERMINAL_PROTOCOLRECEIVE_H
#define TERMINAL_PROTOCOLRECEIVE_H

#include <windows.h>

#include <cstdint>
#include <memory>

#include "terminal/port/ReceiveTap.h"
#include "terminal/settings/TransferProtocol.h"
#include "terminal/transfer/DiskFolder.h"
#include "terminal/transfer/ReceivedFiles.h"
#include "terminal/transfer/XmodemReceiver.h"
#include "terminal/transfer/ZmodemReceiver.h"

class PortControl;
class PWin;
class progressBar;

// Files received by XMODEM, XMODEM-1K, YMODEM or ZMODEM through the
// terminal's port under the progress dialog, into a folder (XMODEM's one
// file under the path the operator chose). Like the sending side it takes
// the sender's bytes out of what the terminal receives while it runs; what
// the far end prints before and after the transfer is shown as always.
class ProtocolReceive : public ReceiveTap
{
public:
    // folder: where named files go; chosenPath: XMODEM's file (null for the
    // others). Both are copied.
    ProtocolReceive(PortControl &line, PWin &owner, TransferProtocol protocol, const char *folder,
                    const char *chosenPath);
    ~ProtocolReceive() override;
    ProtocolReceive(const ProtocolReceive &) = delete;
    ProtocolReceive &operator=(const ProtocolReceive &) = delete;

    // Receives until the sender ends, gives up, the port goes or "&Abort"
    // is pressed, and says how it ended. first: bytes the far end's own
    // start already brought (ZMODEM started by itself), fed after the start.
    void run(const unsigned char *first = nullptr, uint32_t firstCount = 0);

    uint32_t take(const unsigned char *data, uint32_t count, unsigned char *shown) override;

private:
    bool flush(bool cancel);
    bool portGone() const;
    void showProgress(progressBar &bar, bool now);
    void report(bool portLost);
    uint64_t received() const;
    uint64_t fileSize() const;

    PortControl &line;
    PWin &owner;
    DiskFolder disk;
    ReceivedFiles files;
    std::unique_ptr<XmodemReceiver> xmodem;   // one of the two, by the protocol
    std::unique_ptr<ZmodemReceiver> zmodem;
    TransferMachine *receiver;
    const progressBar *abortBar = nullptr;
    uint32_t generation;        // of the port the receive began on
    char shownPath[pathMax];    // the file the dialog names
    int64_t shownDone = -1;
    DWORD shownAt = 0;
};

#endif
