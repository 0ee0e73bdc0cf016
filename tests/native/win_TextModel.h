#ifndef TESTS_NATIVE_WIN_TEXTMODEL_H
#define TESTS_NATIVE_WIN_TEXTMODEL_H
// Plain references for the text view's core: line starts scanned from
// scratch and rows walked cell by cell, which the incremental index and
// layout must always agree with.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "win/TextLayout.h"
#include "win/TextStore.h"

namespace textmodel {

// Line starts of a text scanned from scratch: the reference the store's
// incremental index must always agree with.
inline std::vector<size_t> scanStarts(const std::string &s)
{
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            starts.push_back(i + 1);
        } else if (s[i] == '\n') {
            starts.push_back(i + 1);
        }
    }
    return starts;
}

inline std::vector<size_t> storeStarts(const TextStore &t)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i < t.lineCount(); ++i)
        starts.push_back(t.lineStart(i));
    return starts;
}

inline void append(TextStore &t, const std::string &s)
{
    ASSERT_TRUE(t.append(s.data(), s.size()));
}

// The rows of a line by walking it cell by cell, the plain way.
struct RowModel
{
    // Row and column before each character of the line and after its last.
    std::vector<std::pair<size_t, size_t>> at;
    size_t rows;
};

inline RowModel walk(const std::string &line, size_t cols)
{
    RowModel m;
    size_t row = 0, col = 0;
    for (char c : line) {
        if (col >= cols) {
            ++row;
            col = 0;
        }
        m.at.push_back({row, col});
        if (c == '\t') {
            size_t w = 8 - col % 8;
            col += col + w > cols ? cols - col : w;
        } else {
            ++col;
        }
    }
    m.at.push_back({row, col});
    m.rows = row + 1;
    return m;
}

// Checks every offset of the text against the plain walk of each line.
inline void expectLayoutMatches(const TextStore &t, const TextLayout &l, const std::string &model, size_t cols)
{
    std::vector<size_t> starts = scanStarts(model);
    ASSERT_EQ(l.lineCount(), starts.size());
    uint64_t row = 0;
    for (size_t line = 0; line < starts.size(); ++line) {
        size_t start = starts[line];
        size_t end = t.lineEnd(line);
        RowModel m = walk(model.substr(start, end - start), cols);
        ASSERT_EQ(l.rowOfLine(line), row) << "line " << line;
        ASSERT_EQ(l.rowsOfLine(line), m.rows) << "line " << line;
        for (size_t rel = 0; rel <= end - start; ++rel) {
            TextLayout::Position p = l.position(t, start + rel);
            // The caret before a character that opens a row stands on that row.
            std::pair<size_t, size_t> want = m.at[rel];
            if (rel < end - start && want.second == 0 && rel > 0 && m.at[rel - 1].first != want.first)
                want = m.at[rel];
            ASSERT_EQ(p.row, row + want.first) << "offset " << start + rel;
            ASSERT_EQ(p.column, want.second) << "offset " << start + rel;
        }
        for (uint64_t r = 0; r < m.rows; ++r) {
            size_t from, to;
            l.rowRange(t, row + r, from, to);
            size_t wantFrom = end, wantTo = end;
            for (size_t rel = 0; rel < end - start; ++rel)
                if (m.at[rel].first == r) {
                    if (wantFrom == end)
                        wantFrom = start + rel;
                    wantTo = start + rel + 1;
                }
            if (wantFrom == end)
                wantFrom = wantTo = r == 0 ? start : end;
            ASSERT_EQ(from, wantFrom) << "row " << row + r;
            ASSERT_EQ(to, wantTo) << "row " << row + r;
            ASSERT_EQ(l.lineOfRow(row + r), line);
        }
        row += m.rows;
    }
    ASSERT_EQ(l.rowCount(), row);
}

} // namespace textmodel

#endif
