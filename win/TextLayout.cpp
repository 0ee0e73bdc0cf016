#include "win/TextLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "win/LowerBound.h"
#include "win/TextStore.h"

namespace {

// Where the first tab of p[0, n) is (n when none is), eight characters a
// step: most runs looked at are a line or the few characters between two
// tabs, where a call into the CRT's memchr costs more than the looking.
size_t tabIn(const char *p, size_t n)
{
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull, tabs = ones * '\t';
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        uint64_t x = w ^ tabs;
        // Non-zero exactly when a byte of x is zero, a tab in w.
        if ((x - ones) & ~x & highs)
            break;
    }
    for (; i < n; ++i)
        if (p[i] == '\t')
            return i;
    return n;
}

} // namespace

TextLayout::TextLayout(size_t every)
    : cols(80), markEvery(every ? every : defaultMarkEvery), rowBase(0), lastRows(0), marks(nullptr), markFirst(0),
      markUsed(0), markCap(0),
      resumeValid(false), resumeLine(0), resumeStart(0), resumeAt(0), resumeCell(0)
{
}

TextLayout::~TextLayout()
{
    std::free(marks);
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

uint64_t TextLayout::tabWidth(uint64_t cell) const
{
    return cellWidth('\t', size_t(cell % cols), cols);
}

// The cell after the characters [from, to) of a line, the first of them
// taking `cell`.
uint64_t TextLayout::advance(const char *t, size_t from, size_t to, uint64_t cell) const
{
    while (from < to) {
        size_t stop = from + tabIn(t + from, to - from);
        cell += stop - from;
        if (stop == to)
            break;
        cell += tabWidth(cell);
        from = stop + 1;
    }
    return cell;
}

// The first of the characters [from, to) whose cell is at least target (to
// when none is), the character at `from` taking `cell`. Each character
// takes a cell at least, so no more than target - cell of them are looked at.
size_t TextLayout::firstAtCell(const char *t, size_t from, size_t to, uint64_t cell, uint64_t target) const
{
    while (from < to && cell < target) {
        uint64_t need = target - cell;
        size_t look = need < to - from ? size_t(need) : to - from;
        size_t stop = from + tabIn(t + from, look);
        if (stop == from + look)
            return stop;
        cell += (stop - from) + tabWidth(cell + (stop - from));
        from = stop + 1;
    }
    return from < to ? from : to;
}

void TextLayout::addMark(uint64_t at, uint64_t cell)
{
    if (markUsed == markCap) {
        if (markFirst > 0) {
            std::memmove(marks, marks + markFirst, (markUsed - markFirst) * sizeof *marks);
            markUsed -= markFirst;
            markFirst = 0;
        } else {
            size_t want = markCap < 64 ? 64 : markCap + markCap / 2;
            Mark *grown = want > SIZE_MAX / sizeof *marks
                              ? nullptr
                              : static_cast<Mark *>(std::realloc(marks, want * sizeof *marks));
            // Without the mark walks in this line only get longer.
            if (!grown)
                return;
            marks = grown;
            markCap = want;
        }
    }
    marks[markUsed].at = at;
    marks[markUsed].cell = cell;
    ++markUsed;
}

void TextLayout::dropMarksFrom(uint64_t at)
{
    while (markUsed > markFirst && marks[markUsed - 1].at >= at)
        --markUsed;
}

void TextLayout::dropMarksBefore(uint64_t at)
{
    markFirst = lowerBound(markFirst, markUsed, [&](size_t i) { return marks[i].at < at; });
}

void TextLayout::marksOf(const TextStore &store, size_t line, size_t &lo, size_t &hi) const
{
    uint64_t start = store.origin() + store.lineStart(line);
    uint64_t end = store.origin() + store.lineEnd(line);
    lo = lowerBound(markFirst, markUsed, [&](size_t i) { return marks[i].at <= start; });
    hi = lowerBound(lo, markUsed, [&](size_t i) { return marks[i].at < end; });
}

// The cell of the character at offset in line (of the line's end after its
// last), walked from the last mark before it.
uint64_t TextLayout::cellBefore(const TextStore &store, size_t line, size_t offset) const
{
    size_t lo, hi;
    marksOf(store, line, lo, hi);
    uint64_t key = store.origin() + offset;
    size_t k = lowerBound(lo, hi, [&](size_t i) { return marks[i].at <= key; });
    size_t from = k > lo ? size_t(marks[k - 1].at - store.origin()) : store.lineStart(line);
    uint64_t cell = k > lo ? marks[k - 1].cell : 0;
    return advance(store.data(), from, offset, cell);
}

// The first character of line whose cell is at least target (the line's end
// when none is).
size_t TextLayout::offsetOfCell(const TextStore &store, size_t line, uint64_t target) const
{
    size_t lo, hi;
    marksOf(store, line, lo, hi);
    size_t k = lowerBound(lo, hi, [&](size_t i) { return marks[i].cell <= target; });
    size_t from = k > lo ? size_t(marks[k - 1].at - store.origin()) : store.lineStart(line);
    uint64_t cell = k > lo ? marks[k - 1].cell : 0;
    return firstAtCell(store.data(), from, store.lineEnd(line), cell, target);
}

// Walks line from offset `from` (whose character takes `cell`) to its end,
// marking every markEvery characters from the line's start; returns the
// cell after the line's last character.
uint64_t TextLayout::walkLine(const TextStore &store, size_t line, size_t from, uint64_t cell)
{
    size_t start = store.lineStart(line), end = store.lineEnd(line);
    const char *t = store.data();
    size_t next = start + (from - start + markEvery - 1) / markEvery * markEvery;
    if (next == start)
        next += markEvery;
    while (next < end) {
        cell = advance(t, from, next, cell);
        addMark(store.origin() + next, cell);
        from = next;
        next += markEvery;
    }
    return advance(t, from, end, cell);
}

// Lays line out, from the point an append stopped at or the last mark
// before the change when it can; returns its rows.
uint64_t TextLayout::layLine(const TextStore &store, size_t line, size_t changedFrom, bool dropLater)
{
    size_t start = store.lineStart(line), end = store.lineEnd(line);
    size_t from = start;
    uint64_t cell = 0;
    if (resumeValid && line == resumeLine && start == resumeStart && changedFrom >= resumeAt && resumeAt <= end) {
        from = resumeAt;
        cell = resumeCell;
    } else if (changedFrom > start) {
        size_t lo, hi;
        marksOf(store, line, lo, hi);
        uint64_t key = store.origin() + changedFrom;
        size_t k = lowerBound(lo, hi, [&](size_t i) { return marks[i].at <= key; });
        if (k > lo) {
            from = size_t(marks[k - 1].at - store.origin());
            cell = marks[k - 1].cell;
        }
    }
    if (dropLater)
        dropMarksFrom(store.origin() + from);
    cell = walkLine(store, line, from, cell);
    uint64_t rows = rowsFor(cell);
    if (line + 1 == store.lineCount()) {
        lastRows = rows;
        resumeValid = true;
        resumeLine = line;
        resumeStart = start;
        resumeAt = end;
        resumeCell = cell;
    }
    return rows;
}

bool TextLayout::reserve(size_t lines)
{
    return lines <= rowStart.size() || rowStart.reserve(lines - rowStart.size());
}

bool TextLayout::update(const TextStore &store, size_t changedFrom)
{
    size_t count = store.lineCount();
    size_t from = store.lineOf(changedFrom);
    // Lines before the changed one keep their entries, and so does the
    // changed line its start; the first line without an entry is the end of
    // what was laid out before.
    size_t have = lineCount();
    if (from >= have)
        from = have ? have - 1 : 0;
    if (from >= count)
        from = count - 1;
    rowStart.truncate(from + 1);
    if (!rowStart.reserve(count - rowStart.size())) {
        clear();
        return false;
    }
    if (rowStart.empty())
        rowStart.push(rowBase);
    uint64_t row = rowStart.at(from);
    for (size_t line = from; line < count; ++line) {
        if (line > from)
            rowStart.push(row);
        row += layLine(store, line, changedFrom, line == from);
    }
    return true;
}

void TextLayout::dropHead(const TextStore &store, size_t lines)
{
    size_t kept = lineCount();
    if (lines >= kept)
        lines = kept ? kept - 1 : 0;
    rowStart.dropFront(lines);
    resumeValid = false;
    if (lineCount() == 0 || lineCount() != store.lineCount()) {
        reset();
        update(store, 0);
        return;
    }
    // The new first line may have lost its beginning: lay it out again (its
    // marks too, put back before those of the lines after it) and let the
    // base absorb the change, so the lines after it keep their entries.
    bool more = lineCount() > 1;
    dropMarksBefore(more ? store.origin() + store.lineStart(1) : UINT64_MAX);
    size_t later = markUsed - markFirst;
    uint64_t rows = layLine(store, 0, 0, false);
    std::rotate(marks + markFirst, marks + markFirst + later, marks + markUsed);
    rowBase = more ? rowStart.at(1) - rows : rowStart.at(0);
    rowStart.setFront(rowBase);
}

void TextLayout::reset()
{
    rowStart.truncate(0);
    markFirst = markUsed = 0;
    rowBase = 0;
    lastRows = 0;
    resumeValid = false;
}

void TextLayout::clear()
{
    reset();
    rowStart.release();
    std::free(marks);
    marks = nullptr;
    markCap = 0;
}

void TextLayout::setColumns(const TextStore &store, size_t columns)
{
    cols = columns ? columns : 1;
    resumeValid = false;
    size_t count = store.lineCount();
    if (lineCount() != count) {
        reset();
        update(store, 0);
        return;
    }
    // Every mark and row changes with the columns. The entries are written
    // again where they were, so no room is needed.
    markFirst = markUsed = 0;
    rowStart.truncate(0);
    uint64_t row = rowBase;
    const char *t = store.data();
    size_t start = 0, tabFree = cols / 8;
    for (size_t line = 0; line + 1 < count; ++line) {
        rowStart.push(row);
        // Short lines without tabs, most lines, are counted, not walked; a
        // line of n characters takes at most 8n columns.
        size_t next = store.lineStart(line + 1);
        size_t n = next - start - (t[next - 1] == '\n' && next - start >= 2 && t[next - 2] == '\r' ? 2 : 1);
        if (n <= tabFree || (n < markEvery && tabIn(t + start, n) == n))
            row += n <= cols ? 1 : rowsFor(n);
        else
            row += layLine(store, line, 0, false);
        start = next;
    }
    rowStart.push(row);
    layLine(store, count - 1, 0, false);
}

uint64_t TextLayout::rowCount() const
{
    if (rowStart.empty())
        return 0;
    return rowStart.back() - rowBase + lastRows;
}

uint64_t TextLayout::rowsOfLine(size_t line) const
{
    if (line + 1 >= rowStart.size())
        return lastRows;
    return rowStart.at(line + 1) - rowStart.at(line);
}

size_t TextLayout::lineOfRow(uint64_t row) const
{
    size_t n = rowStart.countAtMost(row + rowBase);
    return n > 0 ? n - 1 : 0;
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
    from = k == 0 ? store.lineStart(line) : offsetOfCell(store, line, k * cols);
    to = offsetOfCell(store, line, (k + 1) * cols);
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
    uint64_t cell = cellBefore(store, line, start + rel);
    if (rel < length || cell == 0)
        return Position{row0 + cell / cols, size_t(cell % cols)};
    uint64_t last = (cell - 1) / cols;
    return Position{row0 + last, size_t(cell - last * cols)};
}

size_t TextLayout::offsetAt(const TextStore &store, uint64_t row, size_t column) const
{
    size_t from, to;
    rowRange(store, row, from, to);
    if (column >= cols || from == to)
        return to;
    uint64_t total = rowCount();
    if (row >= total)
        row = total - 1;
    size_t line = lineOfRow(row);
    size_t at = offsetOfCell(store, line, (row - rowOfLine(line)) * cols + column);
    return at < to ? at : to;
}
