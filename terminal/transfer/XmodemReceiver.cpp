#include "terminal/transfer/XmodemReceiver.h"

#include <cstring>

namespace {

const unsigned char cancelSequence[XmodemReceiver::cancelLength] = {
    XmodemFrame::can, XmodemFrame::can, XmodemFrame::can, XmodemFrame::can,
    XmodemFrame::can, XmodemFrame::can, XmodemFrame::can, XmodemFrame::can,
};

// The decimal number at text (digits only), or unknownSize when none.
uint64_t decimalAt(const char *text, const char *end)
{
    uint64_t v = 0;
    const char *p = text;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (v > (UINT64_MAX - 9) / 10)
            return ReceiveSink::unknownSize;
        v = v * 10 + uint64_t(*p - '0');
    }
    return p == text ? ReceiveSink::unknownSize : v;
}

uint32_t octalAt(const char *text, const char *end)
{
    uint32_t v = 0;
    for (const char *p = text; p < end && *p >= '0' && *p <= '7'; ++p)
        v = v * 8 + uint32_t(*p - '0');
    return v;
}

} // namespace

const XmodemReceiver::Timing XmodemReceiver::standardTiming = {3000, 20, 3, 10000, 1000, 200, 10};

XmodemReceiver::XmodemReceiver(TransferProtocol kind, ReceiveSink &to, const Timing &times)
    : protocol(kind), sink(to), timing(times), result(Outcome::running), stage(Stage::idle), useCrc(true),
      inFile(false), wantHeader(kind == TransferProtocol::ymodem), expected(kind == TransferProtocol::ymodem ? 0 : 1),
      tries(0), errors(0), eots(0), since(0), lastByteAt(0), lastWasCan(false), size(ReceiveSink::unknownSize),
      fileBytes(0), files(0), frameLength(0), frameFill(0), out(answerBytes), outCount(0)
{
    if (timing.askTries == 0)
        timing.askTries = 1;
    if (timing.maxErrors == 0)
        timing.maxErrors = 1;
}

void XmodemReceiver::start(uint32_t nowMs)
{
    if (stage != Stage::idle)
        return;
    stage = Stage::asking;
    since = nowMs;
    ask();
}

// The start request: "C" for CRC-16; XMODEM falls back to NAK, the 8-bit
// sum, for a sender that does not know CRC. YMODEM is CRC only.
void XmodemReceiver::ask()
{
    ++tries;
    if (protocol != TransferProtocol::ymodem && tries > timing.crcTries && expected == 1 && !inFile)
        useCrc = false;
    answer(useCrc ? XmodemFrame::crcRequest : XmodemFrame::nak);
}

void XmodemReceiver::answer(unsigned char b)
{
    answerBytes[0] = b;
    out = answerBytes;
    outCount = 1;
}

uint32_t XmodemReceiver::receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char b = data[i];
        if (stage == Stage::idle || stage == Stage::over) {
            shown[n++] = b;
            continue;
        }
        // Before the first block, what the sender's side prints is text.
        if (stage == Stage::asking && !inFile && files == 0 && b != XmodemFrame::soh && b != XmodemFrame::stx &&
            b != XmodemFrame::eot && b != XmodemFrame::can) {
            lastWasCan = false;
            shown[n++] = b;
            continue;
        }
        takeByte(b, nowMs);
    }
    return n;
}

void XmodemReceiver::takeByte(unsigned char b, uint32_t nowMs)
{
    lastByteAt = nowMs;
    if (stage == Stage::purging)
        return;
    if (stage == Stage::inBlock) {
        frame[frameFill++] = b;
        if (frameFill == frameLength)
            onFrame();
        return;
    }
    // Between blocks.
    if (b == XmodemFrame::can) {
        if (lastWasCan)
            finish(Outcome::senderCancelled, false);
        lastWasCan = true;
        return;
    }
    lastWasCan = false;
    if (b == XmodemFrame::soh || b == XmodemFrame::stx) {
        uint32_t blockSize = b == XmodemFrame::stx ? XmodemFrame::largeBlock : XmodemFrame::smallBlock;
        frame[0] = b;
        frameFill = 1;
        frameLength = 3 + blockSize + (useCrc ? 2 : 1);
        stage = Stage::inBlock;
        outCount = 0;  // a request not yet gone is answered by the block
        return;
    }
    if (b == XmodemFrame::eot && !wantHeader) {
        onEot();
        return;
    }
    // Noise between blocks: ignored; the wait still runs.
}

void XmodemReceiver::onFrame()
{
    stage = Stage::waitBlock;
    uint32_t blockSize = frame[0] == XmodemFrame::stx ? XmodemFrame::largeBlock : XmodemFrame::smallBlock;
    const unsigned char *block = frame + 3;
    bool good = (frame[1] ^ frame[2]) == 0xFF;
    if (good && useCrc) {
        uint16_t crc = XmodemFrame::crc16(block, blockSize);
        good = block[blockSize] == (crc >> 8) && block[blockSize + 1] == (crc & 0xFF);
    } else if (good) {
        good = block[blockSize] == XmodemFrame::checksum(block, blockSize);
    }
    if (!good) {
        refuse();
        return;
    }
    errors = 0;
    // Our ACK was lost and the block came again: taken already.
    if (frame[1] == static_cast<unsigned char>(expected - 1)) {
        answer(XmodemFrame::ack);
        return;
    }
    // Any other number: blocks went missing, and the file cannot be whole.
    if (frame[1] != expected) {
        finish(Outcome::lostSync, true);
        return;
    }
    if (wantHeader) {
        onHeader(block, blockSize);
        return;
    }
    uint32_t take = blockSize;
    if (size != ReceiveSink::unknownSize)
        take = size - fileBytes < blockSize ? uint32_t(size - fileBytes) : blockSize;
    if (!inFile) {
        inFile = true;
        if (!sink.startFile("", ReceiveSink::unknownSize, 0)) {
            inFile = false;
            finish(Outcome::fileRefused, true);
            return;
        }
    }
    if (take && !sink.fileData(block, take)) {
        finish(Outcome::fileRefused, true);
        return;
    }
    fileBytes += take;
    ++expected;
    tries = 0;
    answer(XmodemFrame::ack);
}

// YMODEM's block 0: "name NUL size [mtime [mode]]", or empty at the end.
void XmodemReceiver::onHeader(const unsigned char *block, uint32_t length)
{
    const char *text = reinterpret_cast<const char *>(block);
    if (text[0] == '\0') {
        answer(XmodemFrame::ack);
        // The ACK goes before the end is reported: outputSent still sends it.
        result = Outcome::done;
        stage = Stage::over;
        return;
    }
    size_t nameLength = strnlen(text, length - 1);
    char name[XmodemFrame::largeBlock];
    std::memcpy(name, text, nameLength);
    name[nameLength] = '\0';
    const char *end = text + length;
    const char *info = text + nameLength + 1;
    size = decimalAt(info, end);
    uint32_t mtime = 0;
    const char *p = info;
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    if (p < end && *p == ' ')
        mtime = octalAt(p + 1, end);
    fileBytes = 0;
    eots = 0;
    if (!sink.startFile(name, size, mtime)) {
        finish(Outcome::fileRefused, true);
        return;
    }
    inFile = true;
    wantHeader = false;
    expected = 1;
    tries = 0;
    // ACK, and "C" to ask for the data.
    answerBytes[0] = XmodemFrame::ack;
    answerBytes[1] = XmodemFrame::crcRequest;
    out = answerBytes;
    outCount = 2;
}

// The end of the file. YMODEM's is checked by a NAK first: a lone EOT may
// be noise, the sender's second one is not.
void XmodemReceiver::onEot()
{
    if (protocol == TransferProtocol::ymodem && eots++ == 0) {
        answer(XmodemFrame::nak);
        return;
    }
    if (!inFile && !sink.startFile("", ReceiveSink::unknownSize, 0)) {
        finish(Outcome::fileRefused, true);
        return;
    }
    inFile = false;
    sink.endFile(true);
    ++files;
    if (protocol != TransferProtocol::ymodem) {
        answer(XmodemFrame::ack);
        result = Outcome::done;
        stage = Stage::over;
        return;
    }
    // The next file's block 0, or the empty one that ends the batch.
    wantHeader = true;
    expected = 0;
    tries = 0;
    size = ReceiveSink::unknownSize;
    fileBytes = 0;
    answerBytes[0] = XmodemFrame::ack;
    answerBytes[1] = XmodemFrame::crcRequest;
    out = answerBytes;
    outCount = 2;
}

// A block that came damaged: the rest of it is let pass, then it is asked
// for again.
void XmodemReceiver::refuse()
{
    if (++errors >= timing.maxErrors) {
        finish(Outcome::tooManyErrors, true);
        return;
    }
    stage = Stage::purging;
}

void XmodemReceiver::tick(uint32_t nowMs)
{
    if (outCount != 0)
        return;
    switch (stage) {
    case Stage::asking:
        if (nowMs - since >= timing.askEveryMs) {
            if (tries >= timing.askTries) {
                finish(Outcome::noAnswer, false);
                return;
            }
            ask();
        }
        break;
    case Stage::waitBlock:
        if (nowMs - since >= timing.blockWaitMs) {
            if (++errors >= timing.maxErrors) {
                finish(Outcome::noAnswer, true);
                return;
            }
            answer(wantHeader ? XmodemFrame::crcRequest : XmodemFrame::nak);
        }
        break;
    case Stage::inBlock:
        if (nowMs - lastByteAt >= timing.charWaitMs)
            refuse();
        if (stage == Stage::purging)
            tick(nowMs);
        break;
    case Stage::purging:
        if (nowMs - lastByteAt >= timing.purgeQuietMs) {
            stage = Stage::waitBlock;
            answer(XmodemFrame::nak);
        }
        break;
    default:
        break;
    }
}

void XmodemReceiver::abort()
{
    if (finished())
        return;
    finish(Outcome::aborted, true);
}

void XmodemReceiver::outputSent(uint32_t nowMs)
{
    outCount = 0;
    since = nowMs;
}

uint32_t XmodemReceiver::msUntilDeadline(uint32_t nowMs) const
{
    if (outCount != 0)
        return 0;
    uint32_t wait;
    uint32_t from = since;
    switch (stage) {
    case Stage::asking:
        wait = timing.askEveryMs;
        break;
    case Stage::waitBlock:
        wait = timing.blockWaitMs;
        break;
    case Stage::inBlock:
        wait = timing.charWaitMs;
        from = lastByteAt;
        break;
    case Stage::purging:
        wait = timing.purgeQuietMs;
        from = lastByteAt;
        break;
    default:
        return UINT32_MAX;
    }
    uint32_t passed = nowMs - from;
    return passed >= wait ? 0 : wait - passed;
}

void XmodemReceiver::finish(Outcome outcome, bool cancelSender)
{
    result = outcome;
    stage = Stage::over;
    if (inFile) {
        inFile = false;
        sink.endFile(false);
    }
    if (cancelSender) {
        out = cancelSequence;
        outCount = cancelLength;
    } else {
        outCount = 0;
    }
}
