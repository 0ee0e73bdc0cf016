#include "terminal/transfer/ZmodemSender.h"

#include <cstdio>
#include <cstring>

namespace {

const unsigned char cancelSequence[ZmodemSender::cancelLength] = {
    0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08,
};

// A regular file, readable by all: how lrzsz's rz is told to make it.
const unsigned fileMode = 0100644;

const char *lastPart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

} // namespace

ZmodemSender::Source::~Source() {}

const ZmodemSender::Timing ZmodemSender::standardTiming = {10000, 10, 20, 3000};

ZmodemSender::ZmodemSender(const char *path, uint32_t fileSize, uint32_t fileTime, Source &from,
                           const Timing &times)
    : size(fileSize), mtime(fileTime), source(from), timing(times), result(Outcome::running), stage(Stage::idle),
      wide(false), escapeAll(false), waitEvery(false), windowBytes(0), sessionSeen(false), skippedFile(false),
      position(0), acked(0), sinceAck(0), lastRpos(UINT32_MAX), tries(0), errors(0), since(0),
      buffer(buffers[0]), out(buffers[0]), outCount(0)
{
    name[0] = '\0';
    if (path) {
        std::strncpy(name, lastPart(path), sizeof name - 1);
        name[sizeof name - 1] = '\0';
    }
    if (timing.maxTries == 0)
        timing.maxTries = 1;
    if (timing.maxErrors == 0)
        timing.maxErrors = 1;
}

// The buffer to build the next output in: the one not handed to the write,
// or the one still waiting to be handed, which is simply built again.
unsigned char *ZmodemSender::nextBuffer()
{
    if (outCount == 0)
        buffer = buffer == buffers[0] ? buffers[1] : buffers[0];
    out = buffer;
    outCount = 0;
    return buffer;
}

void ZmodemSender::start(uint32_t nowMs, bool announce)
{
    if (stage != Stage::idle)
        return;
    stage = Stage::waitInit;
    since = nowMs;
    if (announce)
        sendInitRequest();
}

void ZmodemSender::sendInitRequest()
{
    unsigned char *b = nextBuffer();
    uint32_t n = 0;
    // A shell at the far end runs rz; a waiting rz takes it as noise.
    b[n++] = 'r';
    b[n++] = 'z';
    b[n++] = '\r';
    unsigned char header[4] = {0, 0, 0, 0};
    n += ZmodemFrame::hexHeader(b + n, ZmodemFrame::zrqinit, header);
    outCount = n;
}

uint32_t ZmodemSender::receive(const unsigned char *data, uint32_t count, unsigned char *shown, uint32_t nowMs)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char b = data[i];
        if (stage == Stage::idle || stage == Stage::over) {
            // A hex header ends with CR and LF (sent as 0x8A); the closing
            // ZFIN's are the session's, not the far end's text.
            if (tailLeft != 0 && (b == '\r' || b == 0x8D || b == '\n' || b == 0x8A)) {
                --tailLeft;
                continue;
            }
            tailLeft = 0;
            shown[n++] = b;
            continue;
        }
        ZmodemReader::Event e = reader.take(b);
        switch (e) {
        case ZmodemReader::Event::header:
            sessionSeen = true;
            tries = 0;
            since = nowMs;
            onHeader(nowMs);
            break;
        case ZmodemReader::Event::cancelled:
            finish(Outcome::receiverCancelled, false);
            break;
        case ZmodemReader::Event::none:
            if (!sessionSeen && reader.hunting() && b != ZmodemFrame::zpad && b != ZmodemFrame::zdle && b >= 0x20 && b != 0x8A)
                shown[n++] = b;
            break;
        default:
            break;
        }
    }
    return n;
}

void ZmodemSender::onHeader(uint32_t nowMs)
{
    const unsigned char *h = reader.header();
    switch (reader.type()) {
    case ZmodemFrame::zrinit:
        if (stage == Stage::waitInit || stage == Stage::waitPos)
            onInit();
        else if (stage == Stage::waitEofAnswer)
            sendFin();
        break;
    case ZmodemFrame::zrpos:
        if (stage == Stage::waitPos || stage == Stage::streaming || stage == Stage::waitAck ||
            stage == Stage::waitEofAnswer)
            onPosition(ZmodemFrame::positionOf(h));
        break;
    case ZmodemFrame::zack: {
        uint32_t at = ZmodemFrame::positionOf(h);
        if (at <= position && at > acked)
            acked = at;
        // ZCRCW ended the frame: the data goes on under a new ZDATA.
        if (stage == Stage::waitAck && at == position) {
            stage = Stage::streaming;
            sendChunk(true);
        }
        break;
    }
    case ZmodemFrame::zskip:
        if (stage == Stage::waitPos || stage == Stage::streaming || stage == Stage::waitAck ||
            stage == Stage::waitEofAnswer) {
            skippedFile = true;
            sendFin();
        }
        break;
    case ZmodemFrame::znak:
        if (stage == Stage::waitPos)
            sendFile();
        else if (stage == Stage::waitEofAnswer)
            sendEof();
        else if (stage == Stage::waitInit)
            sendInitRequest();
        break;
    case ZmodemFrame::zfin:
        if (stage == Stage::waitFin) {
            unsigned char *b = nextBuffer();
            b[0] = 'O';
            b[1] = 'O';
            outCount = 2;
            result = skippedFile ? Outcome::skipped : Outcome::done;
            stage = Stage::over;
            tailLeft = 2;
        }
        break;
    case ZmodemFrame::zchallenge: {
        unsigned char *b = nextBuffer();
        outCount = ZmodemFrame::hexHeader(b, ZmodemFrame::zack, h);
        break;
    }
    case ZmodemFrame::zabort:
    case ZmodemFrame::zferr:
    case ZmodemFrame::zcan:
        finish(Outcome::receiverCancelled, false);
        break;
    default:
        break;
    }
    (void)nowMs;
}

// The receiver's capabilities decide how the data goes.
void ZmodemSender::onInit()
{
    const unsigned char *h = reader.header();
    unsigned char flags = h[ZmodemFrame::zf0];
    wide = (flags & ZmodemFrame::canfc32) != 0;
    escapeAll = (flags & ZmodemFrame::escctl) != 0;
    waitEvery = (flags & ZmodemFrame::canfdx) == 0 || (flags & ZmodemFrame::canovio) == 0;
    windowBytes = uint32_t(h[0]) | uint32_t(h[1]) << 8;
    sendFile();
}

void ZmodemSender::sendFile()
{
    stage = Stage::waitPos;
    int length = std::snprintf(reinterpret_cast<char *>(chunk), sizeof chunk, "%s%c%lu %lo %o 0 1 %lu", name, 0,
                               static_cast<unsigned long>(size), static_cast<unsigned long>(mtime), fileMode,
                               static_cast<unsigned long>(size));
    uint32_t info = length < 0 ? 0 : uint32_t(length) + 1;  // with its NUL
    if (info > sizeof chunk)
        info = sizeof chunk;
    unsigned char *b = nextBuffer();
    unsigned char header[4] = {0, 0, 0, 0};
    header[ZmodemFrame::zf0] = ZmodemFrame::zcbin;
    uint32_t n = ZmodemFrame::binaryHeader(b, ZmodemFrame::zfile, header, wide);
    n += ZmodemFrame::subpacket(b + n, chunk, info, ZmodemFrame::zcrcw, wide, escapeAll);
    outCount = n;
}

// The receiver wants the data from `at` on (the first time, or again).
void ZmodemSender::onPosition(uint32_t at)
{
    if (at > size) {
        finish(Outcome::tooManyErrors, true);
        return;
    }
    // Asked again for where it asked before: no progress in between.
    if (at <= lastRpos && lastRpos != UINT32_MAX) {
        if (++errors >= timing.maxErrors) {
            finish(Outcome::tooManyErrors, true);
            return;
        }
    } else {
        errors = 0;
    }
    lastRpos = at;
    if (!source.seek(at)) {
        finish(Outcome::readFailed, true);
        return;
    }
    position = at;
    if (at > acked)
        acked = at;
    sinceAck = 0;
    stage = Stage::streaming;
    sendChunk(true);
}

// The next subpacket, after a ZDATA header when the stream (re)starts; the
// last ends the frame and carries ZEOF behind it.
void ZmodemSender::sendChunk(bool withHeader)
{
    uint32_t left = size - position;
    uint32_t count = left < subpacketData ? left : subpacketData;
    if (count && source.read(chunk, count) != count) {
        finish(Outcome::readFailed, true);
        return;
    }
    unsigned char *b = nextBuffer();
    uint32_t n = 0;
    if (withHeader) {
        unsigned char header[4];
        ZmodemFrame::position(header, position);
        n += ZmodemFrame::binaryHeader(b, ZmodemFrame::zdata, header, wide);
    }
    position += count;
    sinceAck += count;
    bool last = position == size;
    unsigned char end = ZmodemFrame::zcrcg;
    if (last)
        end = ZmodemFrame::zcrce;
    else if (waitEvery || (windowBytes && sinceAck + subpacketData > windowBytes))
        end = ZmodemFrame::zcrcw;
    n += ZmodemFrame::subpacket(b + n, chunk, count, end, wide, escapeAll);
    if (last) {
        unsigned char header[4];
        ZmodemFrame::position(header, size);
        n += ZmodemFrame::binaryHeader(b + n, ZmodemFrame::zeof, header, wide);
        stage = Stage::waitEofAnswer;
    } else if (end == ZmodemFrame::zcrcw) {
        sinceAck = 0;
        stage = Stage::waitAck;
    }
    outCount = n;
}

void ZmodemSender::sendEof()
{
    unsigned char *b = nextBuffer();
    unsigned char header[4];
    ZmodemFrame::position(header, size);
    outCount = ZmodemFrame::binaryHeader(b, ZmodemFrame::zeof, header, wide);
    stage = Stage::waitEofAnswer;
}

void ZmodemSender::sendFin()
{
    unsigned char *b = nextBuffer();
    unsigned char header[4] = {0, 0, 0, 0};
    outCount = ZmodemFrame::hexHeader(b, ZmodemFrame::zfin, header);
    stage = Stage::waitFin;
}

void ZmodemSender::tick(uint32_t nowMs)
{
    if (outCount != 0)
        return;
    uint32_t wait = stage == Stage::waitFin ? timing.finWaitMs : timing.answerWaitMs;
    if (stage == Stage::idle || stage == Stage::over || stage == Stage::streaming || nowMs - since < wait)
        return;
    since = nowMs;
    if (stage == Stage::waitFin) {
        // The receiver has the file; its ZFIN is only the session's end.
        result = skippedFile ? Outcome::skipped : Outcome::done;
        stage = Stage::over;
        return;
    }
    if (++tries >= timing.maxTries) {
        finish(Outcome::noAnswer, stage != Stage::waitInit);
        return;
    }
    switch (stage) {
    case Stage::waitInit:
        sendInitRequest();
        break;
    case Stage::waitPos:
        sendFile();
        break;
    case Stage::waitAck:
        onPosition(acked);
        break;
    case Stage::waitEofAnswer:
        sendEof();
        break;
    default:
        break;
    }
}

void ZmodemSender::abort()
{
    if (finished())
        return;
    finish(Outcome::aborted, true);
}

void ZmodemSender::outputSent(uint32_t nowMs)
{
    outCount = 0;
    since = nowMs;
    if (stage == Stage::streaming)
        sendChunk(false);
}

uint32_t ZmodemSender::msUntilDeadline(uint32_t nowMs) const
{
    if (outCount != 0)
        return 0;
    if (stage == Stage::idle || stage == Stage::over || stage == Stage::streaming)
        return UINT32_MAX;
    uint32_t wait = stage == Stage::waitFin ? timing.finWaitMs : timing.answerWaitMs;
    uint32_t passed = nowMs - since;
    return passed >= wait ? 0 : wait - passed;
}

void ZmodemSender::finish(Outcome outcome, bool cancelReceiver)
{
    result = outcome;
    stage = Stage::over;
    if (cancelReceiver) {
        nextBuffer();
        out = cancelSequence;
        outCount = cancelLength;
    } else {
        outCount = 0;
    }
}
