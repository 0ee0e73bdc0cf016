#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/native/win_TextModel.h"
#include "win/TextLayout.h"
#include "win/TextSelection.h"
#include "win/TextStore.h"

using namespace textmodel;

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

// Random appends (line ends split anywhere), tail and head cuts and
// selections against a plain string: text, line index, rows and selection
// must match what a scan of the string gives at every step. Half the runs
// mark their long lines every few characters, so that walks from marks, and
// marks kept over appends, cuts and resizes, are checked as closely; some
// pieces hold no line end, so that lines grow long.
TEST(TextCoreProperty, RandomEditsMatchAPlainStringModel)
{
    std::mt19937 rng(12345);
    const std::string alphabet = "ab\r\n\t\x01 ", oneLine = "ab\t\x01 ";
    for (int run = 0; run < 40; ++run) {
        TextStore t;
        TextLayout l(run % 2 ? 1 + rng() % 9 : TextLayout::defaultMarkEvery);
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
                const std::string &letters = rng() % 3 == 0 ? oneLine : alphabet;
                for (size_t i = 0; i < n; ++i)
                    piece += letters[rng() % letters.size()];
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

