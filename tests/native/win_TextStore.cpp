#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "win/TextLayout.h"
#include "win/TextSelection.h"
#include "win/TextStore.h"

namespace {

// Line starts of a text scanned from scratch: the reference the store's
// incremental index must always agree with.
std::vector<size_t> scanStarts(const std::string &s)
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

std::vector<size_t> storeStarts(const TextStore &t)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i < t.lineCount(); ++i)
        starts.push_back(t.lineStart(i));
    return starts;
}

void append(TextStore &t, const std::string &s)
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

RowModel walk(const std::string &line, size_t cols)
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
void expectLayoutMatches(const TextStore &t, const TextLayout &l, const std::string &model, size_t cols)
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

} // namespace

TEST(TextStore, EmptyStoreIsOneEmptyLine)
{
    TextStore t;
    EXPECT_EQ(t.length(), 0u);
    EXPECT_STREQ(t.data(), "");
    EXPECT_EQ(t.lineCount(), 1u);
    EXPECT_EQ(t.lineStart(0), 0u);
    EXPECT_EQ(t.lineEnd(0), 0u);
    EXPECT_EQ(t.lineOf(0), 0u);
    EXPECT_EQ(t.lineOf(100), 0u);
}

TEST(TextStore, CrLfLoneCrAndLoneLfEachEndALine)
{
    TextStore t;
    append(t, "ab\r\ncd\ref\ngh");
    EXPECT_STREQ(t.data(), "ab\r\ncd\ref\ngh");
    EXPECT_EQ(t.length(), 12u);
    ASSERT_EQ(t.lineCount(), 4u);
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 4, 7, 10}));
    EXPECT_EQ(t.lineEnd(0), 2u);
    EXPECT_EQ(t.lineEnd(1), 6u);
    EXPECT_EQ(t.lineEnd(2), 9u);
    EXPECT_EQ(t.lineEnd(3), 12u);
    EXPECT_EQ(t.lineOf(2), 0u);
    EXPECT_EQ(t.lineOf(3), 0u);
    EXPECT_EQ(t.lineOf(4), 1u);
    EXPECT_EQ(t.lineOf(12), 3u);
}

TEST(TextStore, LineEndsInARowAndATrailingLineEndGiveEmptyLines)
{
    TextStore t;
    append(t, "\n\r\r\n\n\r");
    EXPECT_EQ(storeStarts(t), scanStarts("\n\r\r\n\n\r"));
    EXPECT_EQ(t.lineCount(), 6u);
    EXPECT_EQ(t.lineEnd(5), 6u);
}

TEST(TextStore, CrLfSplitOverTwoAppendsIsOneLineEnd)
{
    TextStore t;
    append(t, "abc\r");
    EXPECT_EQ(t.lineCount(), 2u);
    append(t, "\ndef");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
    EXPECT_EQ(t.lineEnd(0), 3u);
    // And a CR LF split that the tail cut undoes and an append redoes.
    t.eraseTail(4);
    EXPECT_STREQ(t.data(), "abc\r");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 4}));
    append(t, "\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
}

TEST(TextStore, TailCutDropsTheLinesItTakes)
{
    TextStore t;
    append(t, "one\r\ntwo\r\nthree");
    t.eraseTail(7);
    EXPECT_STREQ(t.data(), "one\r\ntwo");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5}));
    t.eraseTail(1000);
    EXPECT_STREQ(t.data(), "");
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, HeadCutKeepsTheRestAndCountsTheLinesItTook)
{
    TextStore t;
    append(t, "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(t.eraseHead(5), 1u);
    EXPECT_STREQ(t.data(), "two\r\nthree\r\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 5, 12}));
    // A cut inside a line: what is left of it is the first line.
    EXPECT_EQ(t.eraseHead(6), 1u);
    EXPECT_STREQ(t.data(), "hree\r\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 6}));
    // A cut between CR and LF leaves a lone LF, one line end as a scan sees it.
    EXPECT_EQ(t.eraseHead(5), 0u);
    EXPECT_STREQ(t.data(), "\n");
    EXPECT_EQ(storeStarts(t), (std::vector<size_t>{0, 1}));
    append(t, "x");
    EXPECT_EQ(t.eraseHead(100), 1u);
    EXPECT_EQ(t.length(), 0u);
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, ReplaceInTheMiddleReindexesWhatFollows)
{
    TextStore t;
    append(t, "ab\r\ncd\r\nef");
    ASSERT_TRUE(t.replace(1, 5, "X\rY", 3));
    EXPECT_STREQ(t.data(), "aX\rY\r\nef");
    EXPECT_EQ(storeStarts(t), scanStarts("aX\rY\r\nef"));
    // Removing the LF of a CR LF in the middle turns the CR into a lone CR.
    ASSERT_TRUE(t.replace(5, 1, "", 0));
    EXPECT_STREQ(t.data(), "aX\rY\ref");
    EXPECT_EQ(storeStarts(t), scanStarts("aX\rY\ref"));
    // Offsets past the end are clamped.
    ASSERT_TRUE(t.replace(100, 100, "!", 1));
    EXPECT_STREQ(t.data(), "aX\rY\ref!");
    ASSERT_TRUE(t.assign("new", 3));
    EXPECT_STREQ(t.data(), "new");
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(TextStore, HeadCutsAndAppendsReuseTheRoomTheyLeave)
{
    TextStore t;
    std::string model;
    std::string line(33, 'x');
    line += "\r\n";
    for (int round = 0; round < 2000; ++round) {
        append(t, line);
        model += line;
        if (t.length() > 20000) {
            size_t cut = t.lineStart(100);
            EXPECT_EQ(t.eraseHead(cut), 100u);
            model.erase(0, cut);
        }
    }
    EXPECT_EQ(std::string(t.data(), t.length()), model);
    EXPECT_EQ(storeStarts(t), scanStarts(model));
    // The storage stays within a small multiple of what is kept.
    EXPECT_LT(t.bytesHeld(), 4 * 20000u + 64 * 1024);
}

TEST(TextLayout, RowsFollowTheColumnsTabsAndControls)
{
    TextStore t;
    TextLayout l;
    append(t, "0123456789\r\n\tab\x01\r\n\r\n");
    l.setColumns(t, 4);
    ASSERT_TRUE(l.update(t, 0));
    EXPECT_EQ(l.lineCount(), 4u);
    // "0123456789" in rows of 4: 3 rows; "\tab\x01": the tab fills a row, then 3 cells.
    EXPECT_EQ(l.rowsOfLine(0), 3u);
    EXPECT_EQ(l.rowsOfLine(1), 2u);
    EXPECT_EQ(l.rowsOfLine(2), 1u);
    EXPECT_EQ(l.rowCount(), 7u);
    expectLayoutMatches(t, l, std::string(t.data(), t.length()), 4);
    // A line that fills its last row exactly keeps its caret on that row.
    TextLayout::Position end = l.position(t, 8);
    EXPECT_EQ(end.row, 2u);
    EXPECT_EQ(end.column, 0u);
    TextStore u;
    TextLayout m;
    append(u, "abcdefgh");
    m.setColumns(u, 4);
    m.update(u, 0);
    EXPECT_EQ(m.rowCount(), 2u);
    EXPECT_EQ(m.position(u, 8).row, 1u);
    EXPECT_EQ(m.position(u, 8).column, 4u);
    EXPECT_EQ(m.position(u, 4).row, 1u);
    EXPECT_EQ(m.position(u, 4).column, 0u);
}

TEST(TextLayout, TabsAdvanceToTheNextMultipleOfEight)
{
    TextStore t;
    TextLayout l;
    append(t, "a\tb\t\tc");
    l.setColumns(t, 80);
    l.update(t, 0);
    EXPECT_EQ(l.position(t, 2).column, 8u);
    EXPECT_EQ(l.position(t, 3).column, 9u);
    EXPECT_EQ(l.position(t, 4).column, 16u);
    EXPECT_EQ(l.position(t, 5).column, 24u);
    EXPECT_EQ(l.offsetAt(t, 0, 9), 3u);
    EXPECT_EQ(l.offsetAt(t, 0, 200), 6u);
    EXPECT_EQ(l.offsetAt(t, 5, 0), 0u);
}

TEST(TextLayout, ResizeRewrapsAndHitTestingFollows)
{
    TextStore t;
    TextLayout l;
    append(t, std::string(100, 'x') + "\r\n" + std::string(5, 'y') + "\t" + std::string(50, 'z'));
    for (size_t cols : {1u, 3u, 7u, 8u, 9u, 40u, 100u, 200u}) {
        l.setColumns(t, cols);
        expectLayoutMatches(t, l, std::string(t.data(), t.length()), cols);
        for (uint64_t row = 0; row < l.rowCount(); ++row) {
            size_t from, to;
            l.rowRange(t, row, from, to);
            EXPECT_EQ(l.offsetAt(t, row, 0), from);
            EXPECT_EQ(l.position(t, from).row, row);
        }
    }
}

TEST(TextSelection, OffsetsAreClampedAndFollowCuts)
{
    TextSelection s;
    s.set(50, 3, 10);
    EXPECT_EQ(s.anchorAt(), 10u);
    EXPECT_EQ(s.caretAt(), 3u);
    EXPECT_EQ(s.from(), 3u);
    EXPECT_EQ(s.to(), 10u);
    s.tailCut(5);
    EXPECT_EQ(s.from(), 3u);
    EXPECT_EQ(s.to(), 5u);
    s.headCut(4);
    EXPECT_EQ(s.from(), 0u);
    EXPECT_EQ(s.to(), 1u);
    s.extendTo(7, 6);
    EXPECT_EQ(s.anchorAt(), 1u);
    EXPECT_EQ(s.caretAt(), 6u);
}

TEST(TextSelection, WordAroundPicksTheRunUnderTheOffset)
{
    const char *text = "hello, world  42\r\nx";
    size_t n = std::strlen(text), from, to;
    TextSelection::wordAround(text, n, 1, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "hello");
    TextSelection::wordAround(text, n, 5, from, to);
    EXPECT_EQ(std::string(text + from, to - from), ",");
    TextSelection::wordAround(text, n, 12, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "  ");
    // Past the last sign of a line: the word before it, never the line end.
    TextSelection::wordAround(text, n, 16, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "42");
    TextSelection::wordAround(text, n, 17, from, to);
    EXPECT_EQ(from, to);
    TextSelection::wordAround(text, n, 100, from, to);
    EXPECT_EQ(std::string(text + from, to - from), "x");
    TextSelection::wordAround("", 0, 0, from, to);
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 0u);
}

// Random appends (line ends split anywhere), tail and head cuts and
// selections against a plain string: text, line index, rows and selection
// must match what a scan of the string gives at every step.
TEST(TextStoreProperty, RandomEditsMatchAPlainStringModel)
{
    std::mt19937 rng(12345);
    const char alphabet[] = "ab\r\n\t\x01 ";
    for (int run = 0; run < 40; ++run) {
        TextStore t;
        TextLayout l;
        TextSelection sel;
        std::string model;
        size_t modelAnchor = 0, modelCaret = 0;
        size_t cols = 1 + rng() % 20;
        l.setColumns(t, cols);
        for (int stepNo = 0; stepNo < 150; ++stepNo) {
            int op = rng() % 10;
            if (op < 5) {
                std::string piece;
                size_t n = rng() % 12;
                for (size_t i = 0; i < n; ++i)
                    piece += alphabet[rng() % (sizeof alphabet - 1)];
                ASSERT_TRUE(l.reserve(t.lineCount() + TextStore::lineEndsIn(piece.data(), piece.size())));
                size_t at = t.length();
                ASSERT_TRUE(t.append(piece.data(), piece.size()));
                ASSERT_TRUE(l.update(t, at));
                model += piece;
            } else if (op < 7) {
                size_t n = rng() % 8;
                t.eraseTail(n);
                ASSERT_TRUE(l.update(t, t.length()));
                sel.tailCut(t.length());
                model.erase(model.size() - std::min(n, model.size()));
                modelAnchor = std::min(modelAnchor, model.size());
                modelCaret = std::min(modelCaret, model.size());
            } else if (op < 8) {
                size_t n = rng() % 10;
                l.dropHead(t, t.eraseHead(n));
                sel.headCut(n);
                n = std::min(n, model.size());
                model.erase(0, n);
                modelAnchor = modelAnchor > n ? modelAnchor - n : 0;
                modelCaret = modelCaret > n ? modelCaret - n : 0;
            } else if (op < 9) {
                size_t a = rng() % (model.size() + 5), c = rng() % (model.size() + 5);
                sel.set(a, c, t.length());
                modelAnchor = std::min(a, model.size());
                modelCaret = std::min(c, model.size());
            } else {
                cols = 1 + rng() % 20;
                l.setColumns(t, cols);
            }
            ASSERT_EQ(std::string(t.data(), t.length()), model);
            ASSERT_EQ(t.data()[t.length()], '\0');
            ASSERT_EQ(storeStarts(t), scanStarts(model)) << "step " << stepNo;
            ASSERT_EQ(sel.anchorAt(), modelAnchor);
            ASSERT_EQ(sel.caretAt(), modelCaret);
            expectLayoutMatches(t, l, model, cols);
        }
    }
}
