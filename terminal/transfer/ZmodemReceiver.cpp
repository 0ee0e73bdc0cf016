#include "terminal/transfer/ZmodemReceiver.h"

#include <cstring>

namespace {

const unsigned char cancelSequence[ZmodemReceiver::cancelLength] = {
    0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08,
};

} // namespace

const ZmodemReceiver::Timing ZmodemReceiver::standardTiming = {10000, 10, 20, 1000};

ZmodemReceiver::ZmodemReceiver(ReceiveSink &to, const Timing &times)
    : sink(to), timing(times), result(Outcome::running), stage(Stage::idle), inFile(false), sessionSeen(false),
      offset(0), size(ReceiveSink::unknownSize), files(0), tries(0), errors(0), since(0), closeOs(0),
      out(buffer), outCount(0)
{
    if (timing.maxTries == 0)
        timing.maxTries = 1;
    if (timing.maxErrors == 0)
        timing.maxErrors = 1;
}

void ZmodemReceiver::start(uint32_t nowMs)
{
    if (stage != Stage::idle)
        return;
    stage = Stage::waitFile;
    since = nowMs;
    sendInit();
}

void ZmodemReceiver::sendHeader(ZmodemFrame::Type type, uint32_t position)
{
    unsigned char header[4];
    ZmodemFrame::position(header, position);
    out = buffer;
    outCount = ZmodemFrame::hexHeader(buffer, type, header);
}

void ZmodemReceiver::sendInit()
{
    // No buffer limit: full duplex, and the file is written while the
    // line is read.
    unsigned char header[4] = {0, 0, 0, 0};
    header[ZmodemFrame::zf0] = ZmodemFrame::canfdx | ZmodemFrame::canovio | ZmodemFrame::canfc32;
    out = buffer;
    outCount = ZmodemFrame::hexHeader(buffer, ZmodemFrame::zrinit, header);
}

// Before the session's first header, the sender's side may print: that is
// shown, the header's own bytes and what frames it are not.
bool ZmodemReceiver::textByte(unsigned char b) const
{
    return !sessionSeen && b != ZmodemFrame::zpad && b != ZmodemFrame::zdle &&
           b != '\r' && b != '\n' && b != 0x8A && b != 0x11 && b != 0x13;
}

uint32_t ZmodemReceiver::receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char b = data[i];
        if (stage == Stage::idle || stage == Stage::over) {
            shown[n++] = b;
            continue;
        }
        if (stage == Stage::closing) {
            // "OO", over and out; anything else is the far end's text.
            if (b == 'O' && closeOs < 2) {
                if (++closeOs == 2)
                    stage = Stage::over;
                continue;
            }
            // The tail of the sender's ZFIN header.
            if (closeOs == 0 && (b == '\r' || b == '\n' || b == 0x8A || b == ZmodemFrame::xon))
                continue;
            stage = Stage::over;
            shown[n++] = b;
            continue;
        }
        ZmodemReader::Event e = reader.take(b);
        if (e == ZmodemReader::Event::none) {
            if (reader.hunting() && textByte(b))
                shown[n++] = b;
            continue;
        }
        onEvent(e, nowMs);
    }
    return n;
}

void ZmodemReceiver::onEvent(ZmodemReader::Event e, uint32_t nowMs)
{
    switch (e) {
    case ZmodemReader::Event::header:
        sessionSeen = true;
        since = nowMs;
        tries = 0;
        onHeader();
        break;
    case ZmodemReader::Event::subpacket:
        since = nowMs;
        tries = 0;
        onSubpacket();
        break;
    case ZmodemReader::Event::badHeader:
    case ZmodemReader::Event::badSubpacket:
        onDamage();
        break;
    case ZmodemReader::Event::cancelled:
        finish(Outcome::senderCancelled, false);
        break;
    default:
        break;
    }
}

void ZmodemReceiver::onHeader()
{
    const unsigned char *h = reader.header();
    switch (reader.type()) {
    case ZmodemFrame::zrqinit:
        if (stage == Stage::waitFile)
            sendInit();
        break;
    case ZmodemFrame::zsinit:
        // Its data (the attention string) is read and not needed: we stop
        // the sender with ZRPOS alone.
        break;
    case ZmodemFrame::zfile:
        if (stage == Stage::waitFile || stage == Stage::fileInfo) {
            stage = Stage::fileInfo;
        } else {
            reader.skipData();
            // Our ZRPOS was lost: the sender asks again.
            if (inFile)
                sendHeader(ZmodemFrame::zrpos, offset);
        }
        break;
    case ZmodemFrame::zdata:
        if (!inFile) {
            reader.skipData();
            break;
        }
        if (ZmodemFrame::positionOf(h) != offset) {
            reader.skipData();
            onDamage();
            break;
        }
        stage = Stage::data;
        break;
    case ZmodemFrame::zeof:
        // An end that comes before all of the data did is from a stream we
        // asked again already.
        if (!inFile || ZmodemFrame::positionOf(h) != offset)
            break;
        inFile = false;
        ++files;
        sink.endFile(true);
        stage = Stage::waitFile;
        errors = 0;
        sendInit();
        break;
    case ZmodemFrame::zfin:
        sendHeader(ZmodemFrame::zfin, 0);
        stage = Stage::closing;
        closeOs = 0;
        result = Outcome::done;
        if (inFile) {
            inFile = false;
            sink.endFile(false);
        }
        break;
    case ZmodemFrame::zcan:
    case ZmodemFrame::zabort:
        finish(Outcome::senderCancelled, false);
        break;
    case ZmodemFrame::zcommand:
        // A command for us to run: never, whoever sends it.
        reader.skipData();
        sendHeader(ZmodemFrame::zcompl, 1);
        break;
    case ZmodemFrame::zfreecnt:
        sendHeader(ZmodemFrame::zack, 0xFFFFFFFFu);
        break;
    default:
        break;
    }
}

void ZmodemReceiver::onSubpacket()
{
    if (reader.type() == ZmodemFrame::zsinit) {
        sendHeader(ZmodemFrame::zack, 0);
        return;
    }
    if (stage == Stage::fileInfo) {
        onFileInfo();
        return;
    }
    if (stage != Stage::data)
        return;
    uint32_t length = reader.dataLength();
    if (length && !sink.fileData(reader.data(), length)) {
        finish(Outcome::fileRefused, true);
        return;
    }
    offset += length;
    errors = 0;
    unsigned char end = reader.end();
    if (end == ZmodemFrame::zcrcw || end == ZmodemFrame::zcrcq)
        sendHeader(ZmodemFrame::zack, offset);
    if (end == ZmodemFrame::zcrcw || end == ZmodemFrame::zcrce)
        stage = Stage::waitData;
}

// ZFILE's data: the name, a NUL, then "size mtime mode ..." in decimal and
// octal; all but the name may be missing.
void ZmodemReceiver::onFileInfo()
{
    const char *text = reinterpret_cast<const char *>(reader.data());
    uint32_t length = reader.dataLength();
    char name[ZmodemFrame::maxData + 1];
    size_t nameLength = strnlen(text, length);
    std::memcpy(name, text, nameLength);
    name[nameLength] = '\0';
    const char *p = text + nameLength + 1;
    const char *end = text + length;
    size = ReceiveSink::unknownSize;
    uint32_t mtime = 0;
    if (p < end && *p >= '0' && *p <= '9') {
        uint64_t v = 0;
        for (; p < end && *p >= '0' && *p <= '9' && v < (uint64_t(1) << 40); ++p)
            v = v * 10 + uint64_t(*p - '0');
        size = v;
        if (p < end && *p == ' ') {
            for (++p; p < end && *p >= '0' && *p <= '7'; ++p)
                mtime = mtime * 8 + uint32_t(*p - '0');
        }
    }
    offset = 0;
    if (!sink.startFile(name, size, mtime)) {
        // This one is left out; the batch goes on.
        stage = Stage::waitFile;
        sendHeader(ZmodemFrame::zskip, 0);
        return;
    }
    inFile = true;
    stage = Stage::waitData;
    sendHeader(ZmodemFrame::zrpos, 0);
}

// A damaged header or subpacket: the sender is asked to go on from where
// the file is whole.
void ZmodemReceiver::onDamage()
{
    if (++errors >= timing.maxErrors) {
        finish(Outcome::tooManyErrors, true);
        return;
    }
    if (inFile) {
        stage = Stage::waitData;
        sendHeader(ZmodemFrame::zrpos, offset);
    } else if (stage == Stage::fileInfo) {
        stage = Stage::waitFile;
        sendInit();
    }
}

void ZmodemReceiver::tick(uint32_t nowMs)
{
    if (outCount != 0 || stage == Stage::idle || stage == Stage::over)
        return;
    if (stage == Stage::closing) {
        if (nowMs - since >= timing.closeWaitMs)
            stage = Stage::over;
        return;
    }
    if (nowMs - since < timing.answerWaitMs)
        return;
    if (++tries >= timing.maxTries) {
        finish(Outcome::noAnswer, true);
        return;
    }
    since = nowMs;
    if (inFile) {
        stage = Stage::waitData;
        reader.skipData();
        sendHeader(ZmodemFrame::zrpos, offset);
    } else {
        stage = Stage::waitFile;
        sendInit();
    }
}

void ZmodemReceiver::abort()
{
    if (finished())
        return;
    // The batch is over; only its "OO" was awaited.
    if (stage == Stage::closing) {
        stage = Stage::over;
        return;
    }
    finish(Outcome::aborted, true);
}

void ZmodemReceiver::outputSent(uint32_t nowMs)
{
    outCount = 0;
    since = nowMs;
}

uint32_t ZmodemReceiver::msUntilDeadline(uint32_t nowMs) const
{
    if (outCount != 0)
        return 0;
    if (stage == Stage::idle || stage == Stage::over)
        return UINT32_MAX;
    uint32_t wait = stage == Stage::closing ? timing.closeWaitMs : timing.answerWaitMs;
    uint32_t passed = nowMs - since;
    return passed >= wait ? 0 : wait - passed;
}

void ZmodemReceiver::finish(Outcome outcome, bool cancelSender)
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
