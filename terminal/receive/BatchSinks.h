#ifndef TERMINAL_BATCHSINKS_H
#define TERMINAL_BATCHSINKS_H

#include <cstdint>

#include "terminal/receive/HexDump.h"
#include "terminal/receive/TextBatch.h"
#include "terminal/receive/TextSink.h"

class ByteTimes;

// How a render reports its progress: the progress dialog of a re-render.
// false: the operator aborted.
class RenderPace
{
public:
    virtual bool step(uint32_t done) = 0;

protected:
    ~RenderPace() = default;
};

// Where the hex layout erases the short line a chunk completes: the view.
class TailEraser
{
public:
    virtual void eraseTail(uint32_t chars) = 0;

protected:
    ~TailEraser() = default;
};

// The text layouts (TextDump, TimedText) into a batch. A render stops at its
// next report of progress once the batch refused a piece; pace null: a
// received chunk, which reports to nobody.
class BatchTextSink : public TextSink
{
public:
    BatchTextSink(TextBatch &batch, RenderPace *pace) : batch(batch), pace(pace) {}
    void putText(const char *text, uint32_t length) override { batch.add(text, length); }
    bool progress(uint32_t done) override { return !batch.refused() && (!pace || pace->step(done)); }

private:
    TextBatch &batch;
    RenderPace *pace;
};

// The hex layout into a batch. With a pace, up to TextDump::shortLimit bytes
// the progress is reported after every line, beyond every 64th. The line a
// chunk completes is erased from the view through `view` first.
//
// With times (times not null) each line is put after the time its first
// byte arrived: a new line's from the chunk, the line that a chunk completes
// keeps the time it had (lastTime on entry, and on return the time of the
// last line put).
class BatchHexSink : public HexSink
{
public:
    BatchHexSink(TextBatch &batch, RenderPace *pace, TailEraser &view, uint32_t length, ByteTimes *times,
                 int64_t &lastTime);
    void eraseTail(uint32_t chars) override;
    bool putLine(const char *text, uint32_t length, uint32_t firstByte) override;

    enum : uint32_t { progressLines = 64 };

private:
    TextBatch &batch;
    RenderPace *pace;
    TailEraser &view;
    bool everyLine;
    uint32_t lines;
    ByteTimes *times;
    int64_t &lastTime;
    bool continuing;   // the next line completes the view's last
};

#endif
