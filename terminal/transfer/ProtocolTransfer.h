#ifndef TERMINAL_PROTOCOLTRANSFER_H
#define TERMINAL_PROTOCOLTRANSFER_H

#include <windows.h>

#include <cstdint>

#include "terminal/port/ReceiveTap.h"
#include "terminal/transfer/XmodemSender.h"

class P_File;
class PortControl;
class PWin;
class progressBar;

// One file sent by XMODEM, XMODEM-1K or YMODEM through the terminal's port
// under the progress dialog. While it runs it takes the receiver's answers
// out of what the terminal receives (the port's receive tap); the loader's
// own text before the start and after the end still reaches the view.
class ProtocolTransfer : public ReceiveTap, private XmodemSender::Source
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
    bool flush();
    bool flushCancel();
    void setLineSpeed();
    void cancelAgain();
    void showProgress(progressBar &bar, bool now);
    void waitForWork();
    void report();

    PortControl &line;
    PWin &owner;
    P_File &file;
    XmodemSender sender;
    int64_t shownDone;    // the amount the progress dialog shows; -1 before the start
    DWORD shownAt;        // when it was shown
    const progressBar *abortBar = nullptr;   // its "&Abort" also ends a held write
};

#endif
