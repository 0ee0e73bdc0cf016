#include "terminal/transfer/XmodemSender.h"

#include <cstring>

namespace {

const unsigned char backspace = 0x08;

// CAN, as many as a receiver may swallow inside a block it is still reading
// and still see two in a row afterwards.
const unsigned char cancelSequence[XmodemSender::cancelLength] = {
    XmodemFrame::can, XmodemFrame::can, XmodemFrame::can, XmodemFrame::can,
    XmodemFrame::can, XmodemFrame::can, XmodemFrame::can, XmodemFrame::can,
};

bool isStartByte(unsigned char b)
{
    return b == XmodemFrame::crcRequest || b == XmodemFrame::nak;
}

} // namespace

XmodemSender::Source::~Source() {}

const XmodemSender::Timing XmodemSender::standardTiming = {60000, 10000, 100, 10, 3000, 3};

XmodemSender::XmodemSender(TransferProtocol kind, const char *path, uint32_t fileSize, Source &from,
                           const Timing &times)
    : protocol(kind), size(fileSize), source(from), timing(times), result(Outcome::running),
      stage(Stage::idle), sent(Sent::data), useCrc(true), blockSize(XmodemFrame::smallBlock), blockNumber(0),
      acked(0), dataInFrame(0), tries(0), refusals(0), since(0), held(0), heldRun(0), heldAt(0),
      lastWasCan(false),
      swallowCancelTail(false), cancelSent(false), out(frames[0]), outCount(0), frame(frames[0]), frameLength(0),
      lineBitsPerSecond(0), lineBitsPerByte(10)
{
    name[0] = '\0';
    if (path) {
        std::strncpy(name, path, sizeof name - 1);
        name[sizeof name - 1] = '\0';
    }
    if (timing.maxTries == 0)
        timing.maxTries = 1;
    if (timing.endTries == 0)
        timing.endTries = 1;
}

void XmodemSender::start(uint32_t nowMs)
{
    if (stage != Stage::idle)
        return;
    stage = Stage::waitStart;
    since = nowMs;
}

uint32_t XmodemSender::receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char b = data[i];
        if (stage == Stage::idle || stage == Stage::over) {
            // The tail of the receiver's cancel is no data either.
            if (swallowCancelTail && (b == XmodemFrame::can || b == backspace))
                continue;
            swallowCancelTail = false;
            shown[n++] = b;
            continue;
        }
        if (takeCancel(b))
            continue;
        if (stage == Stage::waitStart) {
            if (isStartByte(b)) {
                // A receiver repeating its request, or text: what follows
                // tells. A run longer than text would hold is a receiver
                // asking faster than the quiet could ever come.
                if (b == held && heldRun >= maxHeldRun)
                    begin(b);
                else
                    holdStartByte(b, nowMs);
            } else {
                n += receiveBeforeStart(b, shown + n);
            }
            continue;
        }
        // Sent before the frame waiting to go: no answer to it.
        if (outCount != 0)
            continue;
        if (stage == Stage::waitAnswer) {
            onAnswer(b, nowMs);
        } else if (isStartByte(b)) {
            // Held for quiet like the first: lrzsz clears its input right
            // after asking for the next file, and would lose a quick block.
            // Asked again, the receiver is past that and waits.
            if (b == held)
                sendAfterHeader();
            else
                holdStartByte(b, nowMs);
        }
    }
    return n;
}

void XmodemSender::holdStartByte(unsigned char b, uint32_t nowMs)
{
    heldRun = b == held ? heldRun + 1 : 1;
    held = b;
    heldAt = nowMs;
}

// What follows YMODEM's block 0 or EOT once the receiver asked for it.
void XmodemSender::sendAfterHeader()
{
    held = 0;
    if (stage == Stage::waitDataStart)
        sendNextData();
    else
        sendClosing();
}

// Two CAN in a row: the receiver has stopped. True when b was a CAN.
bool XmodemSender::takeCancel(unsigned char b)
{
    if (b != XmodemFrame::can) {
        lastWasCan = false;
        return false;
    }
    if (lastWasCan) {
        held = 0;
        finish(Outcome::receiverCancelled, false);
        swallowCancelTail = true;
    }
    lastWasCan = true;
    return true;
}

// Loader text before the start request: shown, with the start bytes held
// before it, which the text proved to be text.
uint32_t XmodemSender::receiveBeforeStart(unsigned char b, unsigned char *shown)
{
    uint32_t n = 0;
    if (held) {
        for (uint32_t i = 0; i < heldRun; ++i)
            shown[n++] = held;
        held = 0;
    }
    shown[n++] = b;
    return n;
}

void XmodemSender::tick(uint32_t nowMs)
{
    if (outCount != 0)
        return;
    switch (stage) {
    case Stage::waitStart:
        if (held && nowMs - heldAt >= timing.startQuietMs)
            begin(held);
        else if (nowMs - since >= stageWait())
            finish(Outcome::noAnswer, false);
        break;
    case Stage::waitAnswer:
        if (nowMs - since >= stageWait())
            retry(false);
        break;
    // A receiver that does not ask for the next part gets it all the same,
    // and so does one whose requests never leave the quiet they wait for.
    case Stage::waitDataStart:
    case Stage::waitCloseStart:
        if ((held && nowMs - heldAt >= timing.startQuietMs) || nowMs - since >= stageWait())
            sendAfterHeader();
        break;
    default:
        break;
    }
}

void XmodemSender::abort()
{
    if (finished())
        return;
    finish(Outcome::aborted, true);
}

void XmodemSender::repeatCancel()
{
    if (!cancelSent)
        return;
    out = cancelSequence;
    outCount = cancelLength;
}

void XmodemSender::outputSent(uint32_t nowMs)
{
    outCount = 0;
    since = nowMs;
}

uint32_t XmodemSender::stageWait() const
{
    switch (stage) {
    case Stage::waitStart:
        return timing.startWaitMs;
    case Stage::waitAnswer:
        return answerWait();
    case Stage::waitDataStart:
        return timing.answerWaitMs;
    case Stage::waitCloseStart:
        return timing.endWaitMs;
    default:
        return UINT32_MAX;
    }
}

uint32_t XmodemSender::msUntilDeadline(uint32_t nowMs) const
{
    if (outCount != 0)
        return 0;
    if (held && stage != Stage::over) {
        uint32_t quiet = nowMs - heldAt;
        return quiet >= timing.startQuietMs ? 0 : timing.startQuietMs - quiet;
    }
    uint32_t wait = stageWait();
    if (wait == UINT32_MAX)
        return UINT32_MAX;
    uint32_t passed = nowMs - since;
    return passed >= wait ? 0 : wait - passed;
}

// The receiver asked: "C" for CRC-16, NAK for the 8-bit sum, which only
// 128-byte blocks go with.
void XmodemSender::begin(unsigned char startByte)
{
    held = 0;
    useCrc = startByte == XmodemFrame::crcRequest;
    blockSize = protocol != TransferProtocol::xmodem && useCrc ? XmodemFrame::largeBlock : XmodemFrame::smallBlock;
    if (protocol == TransferProtocol::ymodem)
        sendHeader();
    else
        sendNextData();
}

void XmodemSender::onAnswer(unsigned char b, uint32_t nowMs)
{
    if (b == XmodemFrame::nak) {
        retry(true);
        return;
    }
    // The receiver asks again for the frame that opens a stage: it was lost.
    // A request that left before the frame could have arrived asked for
    // this very frame, and its answer is still to come.
    if (b == XmodemFrame::crcRequest && useCrc && firstOfStage() &&
        nowMs - since >= lineTimeMs(frameLength) + timing.startQuietMs) {
        retry(false);
        return;
    }
    // Anything else (line noise) waits for the answer.
    if (b != XmodemFrame::ack)
        return;
    switch (sent) {
    case Sent::header:
        stage = Stage::waitDataStart;
        since = nowMs;
        break;
    case Sent::data:
        acked += dataInFrame;
        sendNextData();
        break;
    case Sent::eot:
        if (protocol == TransferProtocol::ymodem) {
            stage = Stage::waitCloseStart;
            since = nowMs;
        } else
            finish(Outcome::done, false);
        break;
    case Sent::closing:
        finish(Outcome::done, false);
        break;
    }
}

bool XmodemSender::firstOfStage() const
{
    return sent == Sent::header || sent == Sent::closing || (sent == Sent::data && blockNumber == 1);
}

void XmodemSender::nextFrame()
{
    frame = frame == frames[0] ? frames[1] : frames[0];
}

void XmodemSender::sendHeader()
{
    uint32_t length = XmodemFrame::ymodemHeader(block, name, size);
    // The 8-bit sum goes with 128-byte blocks only: a long name's 1K block 0
    // has the CRC whatever the receiver asked.
    nextFrame();
    frameLength = XmodemFrame::frame(frame, 0, block, length, length, useCrc || length == XmodemFrame::largeBlock);
    send(Sent::header);
}

// The next block of the file, or the end when all of it was acknowledged.
void XmodemSender::sendNextData()
{
    if (acked >= size) {
        sendEot();
        return;
    }
    uint32_t left = size - acked;
    // A tail that fits a small block goes in one: less padding to send.
    uint32_t thisBlock = left <= XmodemFrame::smallBlock ? XmodemFrame::smallBlock : blockSize;
    uint32_t want = left < thisBlock ? left : thisBlock;
    if (source.read(block, want) != want) {
        finish(Outcome::readFailed, true);
        return;
    }
    ++blockNumber;
    dataInFrame = want;
    nextFrame();
    frameLength = XmodemFrame::frame(frame, blockNumber, block, want, thisBlock, useCrc);
    send(Sent::data);
}

void XmodemSender::sendEot()
{
    nextFrame();
    frame[0] = XmodemFrame::eot;
    frameLength = 1;
    send(Sent::eot);
}

void XmodemSender::sendClosing()
{
    XmodemFrame::ymodemHeader(block, "", 0);
    nextFrame();
    frameLength = XmodemFrame::frame(frame, 0, block, XmodemFrame::smallBlock, XmodemFrame::smallBlock, useCrc);
    send(Sent::closing);
}

void XmodemSender::send(Sent what)
{
    sent = what;
    stage = Stage::waitAnswer;
    tries = 1;
    refusals = 0;
    out = frame;
    outCount = frameLength;
}

// The frame under way was refused (NAK) or not answered in time: it goes
// again, unless it went as often as it may.
void XmodemSender::retry(bool refused)
{
    if (refused)
        ++refusals;
    if (tries < (atTheEnd() ? timing.endTries : timing.maxTries)) {
        ++tries;
        out = frame;
        outCount = frameLength;
        return;
    }
    // Silence after the whole file was taken: the receiver has it. A cancel
    // would only reach whatever listens on the line after it.
    if (atTheEnd() && refusals == 0)
        finish(Outcome::endNotConfirmed, false);
    else
        finish(refusals != 0 ? Outcome::tooManyErrors : Outcome::noAnswer, true);
}

uint32_t XmodemSender::answerWait() const
{
    return (atTheEnd() ? timing.endWaitMs : timing.answerWaitMs) + lineTimeMs(frameLength);
}

void XmodemSender::setLineSpeed(uint32_t bitsPerSecond, uint32_t bitsPerByte)
{
    lineBitsPerSecond = bitsPerSecond;
    lineBitsPerByte = bitsPerByte ? bitsPerByte : 10;
}

uint32_t XmodemSender::lineTimeMs(uint32_t frameBytes) const
{
    if (lineBitsPerSecond == 0)
        return 0;
    uint64_t ms = (uint64_t(frameBytes) * lineBitsPerByte * 1000 + lineBitsPerSecond - 1) / lineBitsPerSecond;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : uint32_t(ms);
}


void XmodemSender::finish(Outcome outcome, bool cancelReceiver)
{
    result = outcome;
    stage = Stage::over;
    held = 0;
    cancelSent = cancelReceiver;
    if (cancelReceiver) {
        out = cancelSequence;
        outCount = cancelLength;
    } else {
        outCount = 0;
    }
}
