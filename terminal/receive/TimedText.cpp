#include "terminal/receive/TimedText.h"

namespace {

const int64_t msPerDay = 86400000;

void twoDigits(uint32_t v, char *out)
{
    out[0] = char('0' + v / 10);
    out[1] = char('0' + v % 10);
}

bool breaksLine(unsigned char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

uint32_t TimedText::formatTime(int64_t localMs, char *out)
{
    int64_t ofDay = localMs % msPerDay;
    if (ofDay < 0)
        ofDay += msPerDay;
    uint32_t ms = uint32_t(ofDay);
    twoDigits(ms / 3600000, out);
    out[2] = ':';
    twoDigits(ms / 60000 % 60, out + 3);
    out[5] = ':';
    twoDigits(ms / 1000 % 60, out + 6);
    out[8] = '.';
    uint32_t milli = ms % 1000;
    out[9] = char('0' + milli / 100);
    twoDigits(milli % 100, out + 10);
    out[12] = ' ';
    out[13] = '\0';
    return prefixChars;
}

uint32_t TimedText::firstByteWithin(const unsigned char *data, uint32_t n, uint32_t chars)
{
    // Every line end may begin a line: when even that many times fit, all
    // of it does. A count without branches, so a history well within the
    // view costs a quick pass rather than the walk below.
    uint64_t ends = 0;
    for (uint32_t i = 0; i < n; ++i)
        ends += uint32_t(data[i] == '\n') + uint32_t(data[i] == '\r');
    if (n + (ends + 1) * prefixChars <= chars)
        return 0;
    uint64_t taken = 0;   // characters of the lines from `from` on
    uint32_t from = n;
    for (uint32_t j = n; j-- > 0;) {
        // A line begins after a LF, and after a CR that no LF follows.
        bool begins = j == 0 || data[j - 1] == '\n' || (data[j - 1] == '\r' && data[j] != '\n');
        if (!begins)
            continue;
        taken += uint64_t(from - j) + prefixChars;
        if (taken > chars)
            break;
        from = j;
    }
    if (from < n || n == 0)
        return from;
    // Not even the last line fits: its end, after one time.
    uint32_t room = chars > prefixChars ? chars - prefixChars : 1;
    return n > room ? n - room : 0;
}

bool TimedText::render(TextSink &sink, const unsigned char *data, uint32_t length, ByteTimes &times)
{
    char prefix[prefixChars + 1];
    uint32_t nextProgress = progressStep;
    uint32_t i = 0;
    while (i < length) {
        if (i >= nextProgress) {
            nextProgress = i + progressStep;
            if (!sink.progress(i))
                return false;
        }
        unsigned char c = data[i];
        if (lineBegins && !(afterCr && c == '\n')) {
            sink.putText(prefix, formatTime(times.timeOf(i), prefix));
            lineBegins = false;
        }
        // The run of plain bytes up to the next line end or NUL.
        uint32_t j = i;
        while (j < length && data[j] != 0 && !breaksLine(data[j]))
            ++j;
        if (j > i) {
            sink.putText(reinterpret_cast<const char *>(data + i), j - i);
            afterCr = false;
            i = j;
            continue;
        }
        if (c == 0) {
            sink.putText(".", 1);
            afterCr = false;
        } else {
            sink.putText(reinterpret_cast<const char *>(data + i), 1);
            lineBegins = true;
            afterCr = c == '\r';
        }
        ++i;
    }
    return true;
}
