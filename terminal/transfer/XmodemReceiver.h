#ifndef TERMINAL_XMODEMRECEIVER_H
#define TERMINAL_XMODEMRECEIVER_H

#include <cstdint>

#include "terminal/transfer/TransferMachine.h"
#include "terminal/transfer/ReceiveSink.h"
#include "terminal/settings/TransferProtocol.h"
#include "terminal/transfer/XmodemFrame.h"

// The receiving side of XMODEM (checksum or CRC-16, 128- and 1024-byte
// blocks) and of YMODEM batches, driven like XmodemSender: fed what the
// sender sent (receive) and the time (tick), it leaves its answers in
// output and hands the files to a ReceiveSink.
//
// XMODEM carries no name and no size: its file is every block as it came,
// the ^Z that fill the last one included. YMODEM's block 0 gives each
// file's name and size, and the file is cut to that size.
class XmodemReceiver : public TransferMachine
{
public:
    enum class Outcome
    {
        running,
        done,             // the file, or the batch, received to its end
        senderCancelled,  // the sender sent CAN CAN
        noAnswer,         // the sender never started, or went silent
        tooManyErrors,    // as many bad blocks in a row as may be
        lostSync,         // a block out of order: data missing
        fileRefused,      // the sink could not make or write the file
        aborted,          // abort: the sender was told to stop
    };

    struct Timing
    {
        uint32_t askEveryMs;     // the start request goes again this often
        uint32_t askTries;       // start requests before giving up
        uint32_t crcTries;       // XMODEM: "C" this often, then NAK (checksum)
        uint32_t blockWaitMs;    // for the next block before asking again
        uint32_t charWaitMs;     // between two bytes of a block
        uint32_t purgeQuietMs;   // after a bad block, the quiet before NAK
        uint32_t maxErrors;      // bad or missing blocks in a row
    };
    static const Timing standardTiming;  // 3 s, 20 (a minute), 3, 10 s, 1 s, 200 ms, 10

    static constexpr uint32_t cancelLength = 8;

    // protocol xmodem and xmodem1k receive one file (both block sizes are
    // taken either way); ymodem a batch.
    XmodemReceiver(TransferProtocol protocol, ReceiveSink &sink, const Timing &timing = standardTiming);
    XmodemReceiver(const XmodemReceiver &) = delete;
    XmodemReceiver &operator=(const XmodemReceiver &) = delete;

    // Asks the sender to start.
    void start(uint32_t nowMs);
    // Bytes from the sender. What arrives before the first block or after
    // the end is copied into shown (room for count bytes); returns how many.
    uint32_t receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs) override;
    void tick(uint32_t nowMs) override;
    // The operator stops: the cancel goes out, the file under way is ended
    // as incomplete.
    void abort() override;

    const unsigned char *output() const override { return out; }
    uint32_t outputCount() const override { return outCount; }
    void outputSent(uint32_t nowMs) override;
    uint32_t msUntilDeadline(uint32_t nowMs) const override;

    Outcome outcome() const { return result; }
    bool finished() const override { return result != Outcome::running; }
    bool usesCrc() const { return useCrc; }
    // Bytes of the file under way handed to the sink, and its size (the
    // sink's unknownSize when not known).
    uint64_t received() const { return fileBytes; }
    uint64_t fileSize() const { return size; }
    uint32_t filesReceived() const { return files; }

private:
    enum class Stage { idle, asking, waitBlock, inBlock, purging, over };

    void takeByte(unsigned char b, uint32_t nowMs);
    void onFrame();
    void onHeader(const unsigned char *block, uint32_t length);
    void onEot();
    void ask();
    void answer(unsigned char b);
    void refuse();
    void finish(Outcome outcome, bool cancelSender);

    TransferProtocol protocol;
    ReceiveSink &sink;
    Timing timing;
    Outcome result;
    Stage stage;
    bool useCrc;
    bool inFile;           // a file was started on the sink
    bool wantHeader;       // YMODEM: block 0 is next
    unsigned char expected; // number of the next block
    uint32_t tries;        // requests since the last good block
    uint32_t errors;       // bad blocks in a row
    uint32_t eots;
    uint32_t since;        // of the wait under way
    uint32_t lastByteAt;
    bool lastWasCan;
    uint64_t size;
    uint64_t fileBytes;
    uint32_t files;
    uint32_t frameLength;  // bytes of the block under way expected
    uint32_t frameFill;
    unsigned char frame[XmodemFrame::maxFrameBytes];
    unsigned char answerBytes[cancelLength];
    const unsigned char *out;
    uint32_t outCount;
};

#endif
