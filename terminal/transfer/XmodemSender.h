#ifndef TERMINAL_XMODEMSENDER_H
#define TERMINAL_XMODEMSENDER_H

#include <cstdint>

#include "terminal/settings/TransferProtocol.h"
#include "terminal/transfer/TransferMachine.h"
#include "terminal/transfer/XmodemFrame.h"

// The sending side of XMODEM, XMODEM-1K and YMODEM as a machine driven from
// outside: it is told what the receiver sent (receive) and that time passed
// (tick), and leaves the bytes to put on the line in output, to be taken
// with outputSent. It reads the file piece by piece from a Source, one block
// at a time, and never holds more than one block.
//
// Received bytes that belong to the protocol (the receiver's start request,
// ACK, NAK, CAN) are taken; what a loader prints before its start request,
// and everything after the transfer is over, is handed back to be shown.
class XmodemSender : public TransferMachine
{
public:
    // The file's bytes, in order.
    class Source
    {
    public:
        virtual ~Source();
        // Up to count bytes into to; fewer only when the file cannot be read.
        virtual uint32_t read(unsigned char *to, uint32_t count) = 0;
    };

    enum class Outcome
    {
        running,
        done,               // every block and the end acknowledged
        receiverCancelled,  // the receiver sent CAN CAN
        noAnswer,           // no start request, or a block never answered
        tooManyErrors,      // a block refused as often as it may be tried
        endNotConfirmed,    // all of the file acknowledged, its end never
        readFailed,         // the file could not be read to its end
        aborted,            // abort: the receiver was told to stop
    };

    struct Timing
    {
        uint32_t startWaitMs;   // for the receiver's start request
        uint32_t answerWaitMs;  // for the answer to a block before it goes again
        // A start byte counts once the line stays quiet this long after it:
        // a "C" inside the text a loader prints is followed by more text.
        uint32_t startQuietMs;
        uint32_t maxTries;      // sends of one block before giving up
        // The end (XMODEM's EOT, YMODEM's closing block) is answered at once or not
        // at all: a receiver that has all of the file may quit without its
        // last answer reaching the line (lrzsz's rx flushes it away as it
        // exits). It is tried fewer times, but not sooner than a second:
        // lrzsz takes an EOT only once a second of quiet follows it.
        uint32_t endWaitMs;
        uint32_t endTries;
    };
    static const Timing standardTiming;  // 60 s, 10 s, 100 ms, 10 tries; 3 s, 3 tries

    // Bytes of the cancel sequence sent on abort and on giving up.
    static constexpr uint32_t cancelLength = 8;
    // A start byte that comes again before the quiet may still be text
    // ("SUCCESS"): up to this many in a row are held, and shown if text
    // follows them. A longer run is a receiver asking faster than the
    // quiet, and starts the transfer at once.
    static constexpr uint32_t maxHeldRun = 8;

    // name is the file's path (YMODEM sends its last part); it is copied.
    XmodemSender(TransferProtocol protocol, const char *name, uint32_t size, Source &source,
                 const Timing &timing = standardTiming);
    XmodemSender(const XmodemSender &) = delete;
    XmodemSender &operator=(const XmodemSender &) = delete;

    // Starts waiting for the receiver.
    void start(uint32_t nowMs);
    // Bytes from the receiver. Those to be shown are copied into shown,
    // which has room for count + maxHeldRun bytes; returns how many.
    uint32_t receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs) override;
    // Time passed: starts after a quiet start byte, sends again or gives up
    // when an answer is overdue.
    void tick(uint32_t nowMs) override;
    // The operator stops the transfer: the cancel sequence is left to send.
    void abort() override;
    // Once the transfer ended by cancelling the receiver: the cancel
    // sequence is left to send again (a receiver that clears its input after
    // answering a block may have dropped the first).
    void repeatCancel();
    bool cancelledReceiver() const { return cancelSent; }

    // What is to go on the line now; outputSent as soon as it is handed to
    // the port's write, before that write ends: an answer that comes while
    // the write still waits is then taken. Answers received before it was
    // handed over cannot be answers to it, and are dropped. The bytes stay
    // where output() pointed until the frame after the next is framed, so a
    // write may still read them while the answer builds the next frame.
    const unsigned char *output() const override { return out; }
    uint32_t outputCount() const override { return outCount; }
    void outputSent(uint32_t nowMs) override;

    // The line's speed, so that answer waits grow by the frame's time on
    // the line (a 1K block takes 17 s at 600 baud); 0, the default, counts
    // no line time. bitsPerByte holds start, data, parity and stop bits.
    void setLineSpeed(uint32_t bitsPerSecond, uint32_t bitsPerByte = 10);
    // The time frameBytes take on the line at that speed.
    uint32_t lineTimeMs(uint32_t frameBytes) const;

    // Milliseconds until tick has something to do (0xFFFFFFFF: nothing).
    uint32_t msUntilDeadline(uint32_t nowMs) const override;
    // Bytes of the file the receiver has acknowledged.
    uint32_t acknowledged() const { return acked; }
    Outcome outcome() const { return result; }
    bool finished() const override { return result != Outcome::running; }
    // The receiver has asked for the file.
    bool started() const { return stage != Stage::idle && stage != Stage::waitStart; }
    bool usesCrc() const { return useCrc; }

private:
    enum class Stage { idle, waitStart, waitAnswer, waitDataStart, waitCloseStart, over };
    enum class Sent { header, data, eot, closing };

    bool takeCancel(unsigned char b);
    uint32_t receiveBeforeStart(unsigned char b, unsigned char *shown);
    void begin(unsigned char startByte);
    void onAnswer(unsigned char b, uint32_t nowMs);
    void sendAfterHeader();
    void nextFrame();
    void holdStartByte(unsigned char b, uint32_t nowMs);
    bool firstOfStage() const;
    void sendHeader();
    void sendNextData();
    void sendEot();
    void sendClosing();
    void send(Sent what);
    void retry(bool refused);
    // The last frame, after which the receiver may be gone: XMODEM's EOT,
    // YMODEM's closing block (its EOT is answered like any block).
    bool atTheEnd() const
    {
        return sent == Sent::closing || (sent == Sent::eot && protocol != TransferProtocol::ymodem);
    }
    uint32_t answerWait() const;
    // How long the stage under way waits after `since` before it moves on;
    // UINT32_MAX for one that waits for nothing.
    uint32_t stageWait() const;
    void finish(Outcome outcome, bool cancelReceiver);

    TransferProtocol protocol;
    char name[261];
    uint32_t size;
    Source &source;
    Timing timing;

    Outcome result;
    Stage stage;
    Sent sent;
    bool useCrc;
    uint32_t blockSize;       // the largest block the transfer uses
    uint32_t blockNumber;     // of the last block framed
    uint32_t acked;           // file bytes acknowledged
    uint32_t dataInFrame;     // file bytes in the frame under way
    uint32_t tries;           // sends of the frame under way
    uint32_t refusals;        // NAKs among them
    uint32_t since;           // start of the current wait
    unsigned char held;       // a start byte waiting for quiet, or 0
    uint32_t heldRun;         // how many times in a row it came
    uint32_t heldAt;
    bool lastWasCan;
    bool swallowCancelTail;   // CAN and BS after a receiver's cancel
    bool cancelSent;          // the transfer ended by cancelling the receiver
    const unsigned char *out;
    uint32_t outCount;
    unsigned char block[XmodemFrame::largeBlock];
    // Two frames, taken in turn: the one a write may still be reading stays
    // as it is while the answer to it builds the next.
    unsigned char frames[2][XmodemFrame::maxFrameBytes];
    unsigned char *frame;
    uint32_t frameLength;
    uint32_t lineBitsPerSecond;
    uint32_t lineBitsPerByte;
};

#endif
