#ifndef TERMINAL_FILETRANSFER_H
#define TERMINAL_FILETRANSFER_H

#include <windows.h>

#include "terminal/settings/TransferProtocol.h"
#include "terminal/transfer/XmodemSender.h"
#include "terminal/transfer/ZmodemAutoStart.h"

class P_File;
class PortControl;
class SentNotes;
class PWin;

// Sends a file the operator chooses through the terminal's port, in chunks,
// with the progress dialog and its "&Abort". While it runs it owns the line:
// the terminal holds its other sends back (isRunning()), since the pump
// between chunks would otherwise let a second send interleave with this one.
class FileTransfer
{
public:
    // line: the port it opens and writes to; owner: the window of its
    // progress dialog and message boxes; notes: told of each file sent.
    FileTransfer(PortControl &line, PWin &owner, SentNotes &notes);
    FileTransfer(const FileTransfer &) = delete;
    FileTransfer &operator=(const FileTransfer &) = delete;

    // Asks for the port and the file and sends it; a call while one runs is
    // passed over.
    void run();
    // "&Receive File...": receives by the "Transfer" setting's protocol into
    // the "Receive into" folder (XMODEM's file under a name asked first);
    // passed over while a transfer runs.
    void receive();
    // The far end started a ZMODEM receive by itself (sz): its start's bytes
    // are fed to the receiver first.
    void receiveStarted(const unsigned char *start, uint32_t count);
    // The far end waits to receive by ZMODEM (rz): the operator chooses the
    // file, which goes by ZMODEM whatever the "Transfer" setting says.
    void sendByZmodem();
    bool isRunning() const { return running; }
    // Watches what arrives outside a transfer for sz or rz starting one
    // ("Start &ZMODEM by Itself"); the receive session looks through it.
    ZmodemAutoStart &autoStart() { return farEnd; }
    const ZmodemAutoStart &autoStart() const { return farEnd; }
    // The transfer the far end started (the last drain found it), run now.
    void runFarEndStart();
    // The waits of the XMODEM family (tests shorten them).
    void setProtocolTiming(const XmodemSender::Timing &timing) { protocolTiming = timing; }

private:
    void transfer(TransferProtocol protocol);
    void setRunning(bool now);
    void receiveInto(TransferProtocol protocol, const unsigned char *start, uint32_t count);
    bool askDelay(bool &useDelay);
    void sendAll(P_File &file, bool useDelay);
    static TransferProtocol chosenProtocol();

    PortControl &line;
    PWin &owner;
    SentNotes &notes;
    bool running;
    XmodemSender::Timing protocolTiming = XmodemSender::standardTiming;
    ZmodemAutoStart farEnd;
};

#endif
