#ifndef TERMINAL_ZMODEMRECEIVER_H
#define TERMINAL_ZMODEMRECEIVER_H

#include <cstdint>

#include "terminal/transfer/TransferMachine.h"
#include "terminal/transfer/ReceiveSink.h"
#include "terminal/transfer/ZmodemFrame.h"
#include "terminal/transfer/ZmodemReader.h"

// The receiving side of ZMODEM, driven like the other protocol machines:
// fed what the sender sent and the time, it leaves its answers in output
// and hands each file of the batch to a ReceiveSink. It offers CRC-32,
// full duplex and receiving while the file is written (ZRINIT), takes the
// file's name, size and time from ZFILE, and asks for the data again from
// where it is whole (ZRPOS) when a subpacket comes damaged.
class ZmodemReceiver : public TransferMachine
{
public:
    enum class Outcome
    {
        running,
        done,             // the sender ended the batch (ZFIN)
        senderCancelled,  // the sender gave up (CAN run, ZCAN)
        noAnswer,         // the sender went silent
        tooManyErrors,    // damaged data as often as may be, no progress
        fileRefused,      // the sink could not write a file
        aborted,          // abort: the sender was told to stop
    };

    struct Timing
    {
        uint32_t answerWaitMs;  // silence before asking again
        uint32_t maxTries;      // askings in a row without an answer
        uint32_t maxErrors;     // damaged frames in a row
        uint32_t closeWaitMs;   // for the sender's "OO" after ZFIN
    };
    static const Timing standardTiming;  // 10 s, 10, 20, 1 s

    // The abort, as lrzsz sends it: eight CAN, then eight backspaces to
    // wipe them off a terminal that shows them.
    static constexpr uint32_t cancelLength = 16;

    explicit ZmodemReceiver(ReceiveSink &sink, const Timing &timing = standardTiming);
    ZmodemReceiver(const ZmodemReceiver &) = delete;
    ZmodemReceiver &operator=(const ZmodemReceiver &) = delete;

    // Tells the sender we are ready (ZRINIT). A receive started by the
    // sender's ZRQINIT feeds that header after start.
    void start(uint32_t nowMs);
    // Bytes from the sender; what it printed before its first header and
    // what follows the session is copied into shown (room for count).
    uint32_t receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs) override;
    void tick(uint32_t nowMs) override;
    void abort() override;

    const unsigned char *output() const override { return out; }
    uint32_t outputCount() const override { return outCount; }
    void outputSent(uint32_t nowMs) override;
    uint32_t msUntilDeadline(uint32_t nowMs) const override;

    Outcome outcome() const { return result; }
    // Over, the sender's "OO" after the batch's end taken too.
    bool finished() const override { return stage == Stage::over; }
    uint64_t received() const { return offset; }
    uint64_t fileSize() const { return size; }
    uint32_t filesReceived() const { return files; }

private:
    enum class Stage { idle, waitFile, fileInfo, waitData, data, closing, over };

    void onEvent(ZmodemReader::Event e, uint32_t nowMs);
    void onHeader();
    void onSubpacket();
    void onFileInfo();
    void onDamage();
    void sendHeader(ZmodemFrame::Type type, uint32_t position);
    void sendInit();
    void finish(Outcome outcome, bool cancelSender);
    bool textByte(unsigned char b) const;

    ReceiveSink &sink;
    Timing timing;
    ZmodemReader reader;
    Outcome result;
    Stage stage;
    bool inFile;
    bool sessionSeen;   // a header came: nothing more is text
    uint32_t offset;
    uint64_t size;
    uint32_t files;
    uint32_t tries;
    uint32_t errors;
    uint32_t since;
    uint32_t closeOs;   // the 'O' of "OO" taken
    unsigned char buffer[64];
    const unsigned char *out;
    uint32_t outCount;
};

#endif
