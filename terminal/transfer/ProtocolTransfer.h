#ifndef TERMINAL_PROTOCOLTRANSFER_H
#define TERMINAL_PROTOCOLTRANSFER_H

#include <windows.h>

#include <cstdint>
#include <memory>

#include "terminal/port/ReceiveTap.h"
#include "terminal/transfer/XmodemSender.h"
#include "terminal/transfer/ZmodemSender.h"

class P_File;
class PortControl;
class PWin;
class progressBar;

// One file sent by XMODEM, XMODEM-1K, YMODEM or ZMODEM through the terminal's
// port under the progress dialog. While it runs it takes the receiver's answers
// out of what the terminal receives (the port's receive tap); the loader's
// own text before the start and after the end still reaches the view.
class ProtocolTransfer : public ReceiveTap, private XmodemSender::Source, private ZmodemSender::Source
{
public:
    // line: the port it writes to and taps; owner: the window of its
    // progress dialog and message boxes.
    ProtocolTransfer(PortControl &line, PWin &owner, P_File &file, TransferProtocol protocol,
                     const XmodemSender::Timing &timing);
    ~ProtocolTransfer() override;
    ProtocolTransfer(const ProtocolTransfer &) = delete;
    ProtocolTransfer &operator=(const ProtocolTransfer &) = delete;

    // Sends the file and says how it ended.
    void run();

    uint32_t take(const unsigned char *data, uint32_t count, unsigned char *shown) override;

private:
    uint32_t read(unsigned char *to, uint32_t count) override;
    bool seek(uint32_t offset) override;
    bool started() const;
    uint32_t done() const;
    bool flush();
    bool flushCancel();
    void setLineSpeed();
    void cancelAgain();
    void awaitClosingTail();
    void showProgress(progressBar &bar, bool now);
    void waitForWork();
    void report();
    void reportZmodem();
    static uint32_t modifiedTime(const char *path);

    PortControl &line;
    PWin &owner;
    P_File &file;
    std::unique_ptr<XmodemSender> xmodem;   // one of the two, by the protocol
    std::unique_ptr<ZmodemSender> zmodem;
    TransferMachine *sender;
    int64_t shownDone;    // the amount the progress dialog shows; -1 before the start
    DWORD shownAt;        // when it was shown
    const progressBar *abortBar = nullptr;   // its "&Abort" also ends a held write
};

#endif
