#include "terminal/receive/LineHighlight.h"

void LineHighlight::reset()
{
    lineStart = checked = painted = 0;
    current = -1;
}

void LineHighlight::cutHead(uint32_t chars)
{
    auto less = [chars](uint32_t &v) { v = v > chars ? v - chars : 0; };
    less(lineStart);
    less(checked);
    less(painted);
}

// The line's new text, from a rule's length before where the last look
// ended, so that a text the pieces cut in two is still seen.
void LineHighlight::judge(const char *text, uint32_t to, uint32_t prefix, LinePainter &painter)
{
    uint32_t begin = to - lineStart > prefix ? lineStart + prefix : to;
    uint32_t from = checked > begin + (HighlightRules::maxText - 1) ? checked - (HighlightRules::maxText - 1) : begin;
    int r = from < to ? list.match(text + from, to - from) : -1;
    if (r >= 0 && (current < 0 || r < current)) {
        current = r;
        painter.paint(lineStart, to, unsigned(list.rule(size_t(r)).colour));
        painted = to;
    } else if (current >= 0 && painted < to) {
        painter.paint(painted, to, unsigned(list.rule(size_t(current)).colour));
        painted = to;
    }
}

void LineHighlight::scan(const char *text, uint32_t length, uint32_t prefix, LinePainter &painter, const char *ends,
                         uint32_t from)
{
    if (!active() || checked >= length)
        return;
    auto at = [&](uint32_t k) { return ends && k >= from ? ends[k - from] : text[k]; };
    uint32_t i = checked;
    while (i < length) {
        uint32_t j = i;
        bool ended = false;
        for (; j < length; ++j) {
            char c = at(j);
            if (c == '\n' || (c == '\r' && j + 1 < length && at(j + 1) != '\n')) {
                ended = true;
                break;
            }
        }
        // A CR at the very end may yet be followed by its LF.
        uint32_t to = !ended && j > i && at(j - 1) == '\r' ? j - 1 : j;
        judge(text, to, prefix, painter);
        if (!ended) {
            checked = to;
            return;
        }
        if (current >= 0 && painted < j + 1)
            painter.paint(painted, j + 1, unsigned(list.rule(size_t(current)).colour));
        lineStart = checked = painted = j + 1;
        current = -1;
        i = j + 1;
    }
}
