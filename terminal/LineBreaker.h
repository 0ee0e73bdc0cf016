#ifndef TERMINAL_LINEBREAKER_H
#define TERMINAL_LINEBREAKER_H

#include <cstdint>
#include <vector>

// Keeps the lines of the text view to a bounded length: text that runs on
// without a line end gets one after every maxLine characters. Wine's rich
// edit rewraps a whole paragraph at every insertion into it (measured: 10
// characters appended to a 64 KiB line cost 450 ms, to a 4 KiB one 5 ms), so
// a device that sends no line ends, or a re-render of the history (whose
// line ends show as dots), would slow the view to a crawl. The view wraps
// at its width anyway, so the break shows only as one shorter row. The
// history and what is saved are not touched.
class LineBreaker
{
public:
    enum : uint32_t { defaultMaxLine = 2048 };

    explicit LineBreaker(uint32_t maxLine = defaultMaxLine);
    // The view was emptied: its last line is empty.
    void reset() { run = 0; }
    // Appends text to out, with CR LF put in where a line would pass maxLine.
    void append(const char *text, uint32_t length, std::vector<char> &out);
    // Characters on the view's last line so far.
    uint32_t lineLength() const { return run; }

private:
    uint32_t maxLine;
    uint32_t run;
};

#endif
