#include "win/TextLayout.h"

#include <cstdlib>

#include "win/TextStore.h"

namespace {

const uint32_t tabBit = 0x80000000u;
const uint32_t widthMask = 0x7FFFFFFFu;

} // namespace

TextLayout::TextLayout()
    : cols(80), rowStart(nullptr), info(nullptr), first(0), used(0), cap(0), rowBase(0),
      lastRows(0), resumeValid(false), resumeLine(0), resumeStart(0), resumeAt(0),
      resume{1, 0, 0, false}
{
}

TextLayout::~TextLayout()
{
    std::free(rowStart);
    std::free(info);
}

size_t TextLayout::cellWidth(char c, size_t col, size_t columns)
{
    if (c != '\t')
        return 1;
    size_t w = 8 - col % 8;
    if (col + w > columns)
        w = columns > col ? columns - col : 1;
    return w;
}

void TextLayout::step(Walk &w, char c, size_t columns)
{
    if (w.col >= columns) {
        ++w.rows;
        w.col = 0;
    }
    w.col += cellWidth(c, w.col, columns);
    uint32_t unwrapped = 1;
    if (c == '\t') {
        w.tab = true;
        unwrapped = 8 - w.width % 8;
    }
    w.width = w.width > widthMask - unwrapped ? widthMask : w.width + unwrapped;
}

TextLayout::Walk TextLayout::walkLine(const TextStore &store, size_t line, size_t from, Walk w) const
{
    size_t end = store.lineEnd(line);
    const char *t = store.data();
    for (size_t i = from; i < end; ++i)
        step(w, t[i], cols);
    return w;
}

uint64_t TextLayout::rowsFor(uint32_t inf, const TextStore &store, size_t line) const
{
    uint64_t width = inf & widthMask;
    if (width <= cols)
        return 1;
    if (!(inf & tabBit))
        return (width + cols - 1) / cols;
    return walkLine(store, line, store.lineStart(line), Walk{1, 0, 0, false}).rows;
}

bool TextLayout::reserve(size_t lines)
{
    if (first + lines <= cap && first + lines >= first)
        return true;
    size_t kept = used - first;
    if (first > 0 && first >= kept) {
        for (size_t i = 0; i < kept; ++i) {
            rowStart[i] = rowStart[first + i];
            info[i] = info[first + i];
        }
        used = kept;
        first = 0;
        if (lines <= cap)
            return true;
    }
    size_t need = first + lines;
    if (need < first || need > SIZE_MAX / sizeof *rowStart)
        return false;
    size_t want = cap + cap / 2;
    if (want < need || want > SIZE_MAX / sizeof *rowStart)
        want = need;
    if (want < 16)
        want = 16;
    uint64_t *rs = static_cast<uint64_t *>(std::realloc(rowStart, want * sizeof *rowStart));
    if (!rs)
        return false;
    rowStart = rs;
    uint32_t *in = static_cast<uint32_t *>(std::realloc(info, want * sizeof *info));
    if (!in)
        return false;
    info = in;
    cap = want;
    return true;
}

uint64_t TextLayout::layLine(const TextStore &store, size_t line, size_t changedFrom)
{
    size_t start = store.lineStart(line);
    Walk w{1, 0, 0, false};
    size_t from = start;
    if (resumeValid && line == resumeLine && start == resumeStart && changedFrom >= resumeAt &&
        resumeAt <= store.lineEnd(line)) {
        w = resume;
        from = resumeAt;
    }
    w = walkLine(store, line, from, w);
    info[first + line] = (w.tab ? tabBit : 0) | w.width;
    if (line + 1 == store.lineCount()) {
        lastRows = w.rows;
        resumeValid = true;
        resumeLine = line;
        resumeStart = start;
        resumeAt = store.lineEnd(line);
        resume = w;
    }
    return w.rows;
}

bool TextLayout::update(const TextStore &store, size_t changedFrom)
{
    size_t count = store.lineCount();
    if (!reserve(count)) {
        clear();
        return false;
    }
    size_t from = store.lineOf(changedFrom);
    // Lines before the changed one keep their entries; the first line
    // without a valid entry is the end of what was laid out before.
    if (from >= lineCount())
        from = lineCount() ? lineCount() - 1 : 0;
    if (from >= count)
        from = count - 1;
    if (from == 0)
        rowStart[first] = rowBase;
    used = first + count;
    uint64_t rows = 0;
    for (size_t line = from; line < count; ++line) {
        if (line > from)
            rowStart[first + line] = rowStart[first + line - 1] + rows;
        rows = layLine(store, line, changedFrom);
    }
    return true;
}

void TextLayout::dropHead(const TextStore &store, size_t lines)
{
    size_t kept = lineCount();
    if (lines >= kept)
        lines = kept ? kept - 1 : 0;
    first += lines;
    resumeValid = false;
    if (lineCount() == 0 || lineCount() != store.lineCount()) {
        clear();
        update(store, 0);
        return;
    }
    // The new first line may have lost its beginning: lay it out again and
    // let rowBase absorb the change, so the lines after it keep their entries.
    uint64_t rows = layLine(store, 0, 0);
    if (lineCount() > 1)
        rowBase = rowStart[first + 1] - rows;
    else
        rowBase = rowStart[first];
    rowStart[first] = rowBase;
}

void TextLayout::clear()
{
    first = used = 0;
    rowBase = 0;
    lastRows = 0;
    resumeValid = false;
}

void TextLayout::setColumns(const TextStore &store, size_t columns)
{
    cols = columns ? columns : 1;
    resumeValid = false;
    size_t count = store.lineCount();
    if (lineCount() != count) {
        clear();
        update(store, 0);
        return;
    }
    uint64_t row = rowBase;
    for (size_t line = 0; line < count; ++line) {
        rowStart[first + line] = row;
        uint64_t rows = rowsFor(info[first + line], store, line);
        if (line + 1 == count)
            lastRows = rows;
        row += rows;
    }
}

uint64_t TextLayout::rowCount() const
{
    if (used == first)
        return 0;
    return rowStart[used - 1] - rowBase + lastRows;
}

uint64_t TextLayout::rowOfLine(size_t line) const
{
    return rowStart[first + line] - rowBase;
}

uint64_t TextLayout::rowsOfLine(size_t line) const
{
    if (first + line + 1 >= used)
        return lastRows;
    return rowStart[first + line + 1] - rowStart[first + line];
}

size_t TextLayout::lineOfRow(uint64_t row) const
{
    uint64_t key = row + rowBase;
    size_t lo = first, hi = used;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (rowStart[mid] <= key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > first ? lo - first - 1 : 0;
}

void TextLayout::rowRange(const TextStore &store, uint64_t row, size_t &from, size_t &to) const
{
    from = to = 0;
    uint64_t total = rowCount();
    if (total == 0)
        return;
    if (row >= total)
        row = total - 1;
    size_t line = lineOfRow(row);
    uint64_t k = row - rowOfLine(line);
    size_t start = store.lineStart(line);
    size_t end = store.lineEnd(line);
    if (!(info[first + line] & tabBit)) {
        uint64_t skip = k * cols;
        from = skip > end - start ? end : start + size_t(skip);
        to = end - from > cols ? from + cols : end;
        return;
    }
    const char *t = store.data();
    uint64_t r = 0;
    size_t col = 0;
    from = k == 0 ? start : end;
    to = end;
    for (size_t i = start; i < end; ++i) {
        if (col >= cols) {
            ++r;
            col = 0;
            if (r == k)
                from = i;
            else if (r > k) {
                to = i;
                return;
            }
        }
        col += cellWidth(t[i], col, cols);
    }
}

TextLayout::Position TextLayout::position(const TextStore &store, size_t offset) const
{
    if (rowCount() == 0)
        return Position{0, 0};
    if (offset > store.length())
        offset = store.length();
    size_t line = store.lineOf(offset);
    size_t start = store.lineStart(line);
    size_t length = store.lineEnd(line) - start;
    size_t rel = offset - start;
    if (rel > length)
        rel = length;
    uint64_t row0 = rowOfLine(line);
    if (!(info[first + line] & tabBit)) {
        if (rel < length || rel == 0)
            return Position{row0 + rel / cols, rel % cols};
        size_t lastRow = (length - 1) / cols;
        return Position{row0 + lastRow, length - lastRow * cols};
    }
    const char *t = store.data();
    Walk w{1, 0, 0, false};
    for (size_t i = start; i < start + rel; ++i)
        step(w, t[i], cols);
    if (rel < length && w.col >= cols) {
        ++w.rows;
        w.col = 0;
    }
    return Position{row0 + w.rows - 1, w.col};
}

size_t TextLayout::offsetAt(const TextStore &store, uint64_t row, size_t column) const
{
    size_t from, to;
    rowRange(store, row, from, to);
    const char *t = store.data();
    size_t col = 0;
    for (size_t i = from; i < to; ++i) {
        if (col >= column)
            return i;
        col += cellWidth(t[i], col, cols);
    }
    return to;
}
