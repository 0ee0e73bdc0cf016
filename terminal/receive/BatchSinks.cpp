#include "terminal/receive/BatchSinks.h"

#include <cstring>

#include "terminal/receive/TextDump.h"
#include "terminal/receive/TimedText.h"

BatchHexSink::BatchHexSink(TextBatch &into, RenderPace *steps, TailEraser &shown, uint32_t length, ByteTimes *byteTimes,
                           int64_t &last)
    : batch(into), pace(steps), view(shown), everyLine(length <= TextDump::shortLimit), lines(0), times(byteTimes),
      lastTime(last), continuing(false)
{
}

void BatchHexSink::eraseTail(uint32_t chars)
{
    view.eraseTail(times ? chars + TimedText::prefixChars : chars);
    continuing = true;
}

bool BatchHexSink::putLine(const char *text, uint32_t length, uint32_t firstByte)
{
    bool taken;
    if (times) {
        if (!continuing)
            lastTime = times->timeOf(firstByte);
        continuing = false;
        // The time and its line go in together: a refusal leaves no time
        // without its line.
        char timed[TimedText::prefixChars + HexDump::lineBufferSize + 1];
        uint32_t n = TimedText::formatTime(lastTime, timed);
        if (length > HexDump::lineBufferSize)
            length = HexDump::lineBufferSize;
        std::memcpy(timed + n, text, length);
        taken = batch.add(timed, n + length);
    } else {
        taken = batch.add(text, length);
    }
    if (!taken)
        return false;
    if (pace && (everyLine || ++lines % progressLines == 0))
        return pace->step(firstByte);
    return true;
}
