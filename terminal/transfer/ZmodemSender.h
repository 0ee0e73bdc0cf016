#ifndef TERMINAL_ZMODEMSENDER_H
#define TERMINAL_ZMODEMSENDER_H

#include <cstdint>

#include "terminal/transfer/TransferMachine.h"
#include "terminal/transfer/ZmodemFrame.h"
#include "terminal/transfer/ZmodemReader.h"

// The sending side of ZMODEM for one file, driven like the other protocol
// machines. It offers the file (ZFILE: name, size, time), streams it in
// 1024-byte subpackets (CRC-32 where the receiver's ZRINIT allows it), goes
// back to where the receiver asks (ZRPOS), and ends the session (ZEOF,
// ZFIN, "OO"). The file is read piece by piece from a Source it can move in.
class ZmodemSender : public TransferMachine
{
public:
    class Source
    {
    public:
        virtual ~Source();
        // Up to count bytes into to; fewer only when the file cannot be read.
        virtual uint32_t read(unsigned char *to, uint32_t count) = 0;
        // The next read starts at offset. False when it cannot.
        virtual bool seek(uint32_t offset) = 0;
    };

    enum class Outcome
    {
        running,
        done,              // the file taken, the session ended
        skipped,           // the receiver did not want the file (ZSKIP)
        receiverCancelled, // CAN run, ZABORT, ZFERR, ZCAN
        noAnswer,          // no receiver, or it went silent
        tooManyErrors,     // asked again as often as may be without progress
        readFailed,        // the file could not be read
        aborted,           // abort: the receiver was told to stop
    };

    struct Timing
    {
        uint32_t answerWaitMs;  // for an answer before asking again
        uint32_t maxTries;      // askings in a row without an answer
        uint32_t maxErrors;     // ZRPOS without progress between them
        uint32_t finWaitMs;     // for the receiver's ZFIN
    };
    static const Timing standardTiming;  // 10 s, 10, 20, 3 s

    static constexpr uint32_t subpacketData = 1024;
    static constexpr uint32_t cancelLength = 16;  // 8 CAN, 8 backspaces

    // name is the file's path (its last part is sent); mtime in seconds
    // since 1970.
    ZmodemSender(const char *name, uint32_t size, uint32_t mtime, Source &source,
                 const Timing &timing = standardTiming);
    ZmodemSender(const ZmodemSender &) = delete;
    ZmodemSender &operator=(const ZmodemSender &) = delete;

    // Starts the session: with announce, "rz\r" first, which starts the
    // receiver on a shell at the far end; then ZRQINIT. A send started by
    // the receiver's ZRINIT passes announce false and feeds that header.
    void start(uint32_t nowMs, bool announce);
    // Bytes from the receiver; what is not ZMODEM before its first header
    // and after the end goes into shown (room for count bytes).
    uint32_t receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs) override;
    void tick(uint32_t nowMs) override;
    void abort() override;

    // As XmodemSender's: outputSent once handed to the write; the bytes stay
    // put until the chunk after the next is made.
    const unsigned char *output() const override { return out; }
    uint32_t outputCount() const override { return outCount; }
    void outputSent(uint32_t nowMs) override;
    uint32_t msUntilDeadline(uint32_t nowMs) const override;

    Outcome outcome() const { return result; }
    bool finished() const override { return result != Outcome::running; }
    // Bytes of the file sent, and those the receiver confirmed having.
    uint32_t sent() const { return position; }
    uint32_t confirmed() const { return acked; }
    bool usesCrc32() const { return wide; }
    // The receiver's closing ZFIN came, but not yet the line end its hex
    // header closes with (it may come in a later read): a caller that stops
    // reading now would show those bytes as the far end's text.
    bool closing() const { return tailLeft != 0; }

private:
    enum class Stage { idle, waitInit, waitPos, streaming, waitAck, waitEofAnswer, waitFin, over };

    void onHeader(uint32_t nowMs);
    void onInit();
    void onPosition(uint32_t at);
    void sendInitRequest();
    void sendFile();
    void sendChunk(bool withHeader);
    void sendEof();
    void sendFin();
    unsigned char *nextBuffer();
    void finish(Outcome outcome, bool cancelReceiver);

    char name[261];
    uint32_t size;
    uint32_t mtime;
    Source &source;
    Timing timing;
    ZmodemReader reader;
    Outcome result;
    Stage stage;
    bool wide;
    bool escapeAll;
    bool waitEvery;        // the receiver wants ZCRCW after each subpacket
    uint32_t windowBytes;  // its buffer: ZCRCW at least this often (0: none)
    bool sessionSeen;
    bool skippedFile;
    uint32_t tailLeft = 0; // bytes of the closing ZFIN's line end still to come
    uint32_t position;     // of the next byte to send
    uint32_t acked;
    uint32_t sinceAck;     // bytes sent since the last ZCRCW
    uint32_t lastRpos;
    uint32_t tries;
    uint32_t errors;
    uint32_t since;
    unsigned char chunk[subpacketData];
    unsigned char buffers[2][ZmodemFrame::maxHeaderBytes * 2 + ZmodemFrame::maxSubpacketBytes(subpacketData)];
    unsigned char *buffer;
    const unsigned char *out;
    uint32_t outCount;
};

#endif
