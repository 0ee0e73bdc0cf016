#ifndef WIN_TEXTLAYOUT_H
#define WIN_TEXTLAYOUT_H

// How the lines of a TextStore fall into rows of a fixed number of columns,
// and the arithmetic between offsets and (row, column) positions.
//
// Every character takes one column, except a tab, which advances to the next
// multiple of 8 (never past the row's edge). A row is full when its columns
// are used up; the next character starts a new row. An empty line is one
// row.
//
// The characters of a line fill cells numbered on from row to row (cell c
// is column c mod columns of row c / columns): a row always starts at a
// multiple of the columns, since a tab stops at the row's edge. For each line
// the layout keeps only the row it starts on (4 bytes); where a character of
// a line falls is walked from the line's start, runs without tabs in one
// step. Long lines keep a mark every few thousand characters (the cell the
// character there takes), so that finding a row, a position or a click in a
// line of any length walks a few thousand characters at most.
//
// Storage comes from malloc/realloc: reserve() is the only call that must
// succeed for an update, and the text view reserves before it changes the
// store. Marks that cannot be had are done without: walks get longer, never
// wrong.

#include <cstddef>
#include <cstdint>

#include "win/BlockIndex.h"

class TextStore;

class TextLayout
{
public:
    struct Position
    {
        uint64_t row;
        size_t column;
    };

    // Characters between the marks of a long line: a walk to any row or
    // position goes over at most as many plus a row.
    enum : size_t { defaultMarkEvery = 4096 };

    explicit TextLayout(size_t every = defaultMarkEvery);
    ~TextLayout();
    TextLayout(const TextLayout &) = delete;
    TextLayout &operator=(const TextLayout &) = delete;

    size_t columns() const { return cols; }
    // Lays every line out again in `columns` columns (at least 1).
    void setColumns(const TextStore &store, size_t columns);

    // Room for `lines` lines in all, so that the next update cannot fail.
    bool reserve(size_t lines);
    // The store changed from offset `changedFrom` on (an append, a tail cut,
    // a replacement): lays out the lines from the one holding it. Returns
    // false only when the room was not reserved and could not be had; the
    // layout is then emptied, never left half made.
    bool update(const TextStore &store, size_t changedFrom);
    // The store cut `lines` lines from its top (TextStore::eraseHead's
    // answer): drops them and lays the new first line out again.
    void dropHead(const TextStore &store, size_t lines);
    // Empties the layout and gives back its storage.
    void clear();

    uint64_t rowCount() const;
    size_t lineCount() const { return rowStart.size(); }
    uint64_t rowOfLine(size_t line) const { return rowStart.at(line) - rowBase; }
    uint64_t rowsOfLine(size_t line) const;
    // The line holding row (rows past the end give the last line).
    size_t lineOfRow(uint64_t row) const;

    // Offsets [from, to) of the characters shown in row (clamped to the last row).
    void rowRange(const TextStore &store, uint64_t row, size_t &from, size_t &to) const;
    // Where the caret before offset stands. At the end of a line that fills
    // its last row exactly, the column is the row's width (the caret stays on
    // the row, after its last character).
    Position position(const TextStore &store, size_t offset) const;
    // The offset of the first character of row starting at or after column
    // (the row's end when none does).
    size_t offsetAt(const TextStore &store, uint64_t row, size_t column) const;

    // Columns a character takes at column col of a row of `columns` columns.
    static size_t cellWidth(char c, size_t col, size_t columns);

    size_t bytesHeld() const { return rowStart.bytesHeld() + markCap * sizeof *marks; }

private:
    // The cell a character of a long line takes, by its absolute position
    // (TextStore::origin() + offset).
    struct Mark
    {
        uint64_t at;
        uint64_t cell;
    };

    uint64_t tabWidth(uint64_t cell) const;
    uint64_t advance(const char *t, size_t from, size_t to, uint64_t cell) const;
    size_t firstAtCell(const char *t, size_t from, size_t to, uint64_t cell, uint64_t target) const;
    uint64_t rowsFor(uint64_t cells) const { return cells == 0 ? 1 : (cells + cols - 1) / cols; }
    uint64_t walkLine(const TextStore &store, size_t line, size_t from, uint64_t cell);
    // dropLater: the marks past where the walk starts go first (they are
    // laid out again after it).
    uint64_t layLine(const TextStore &store, size_t line, size_t changedFrom, bool dropLater);
    void reset();

    // The marks of a line: [lo, hi) of the list.
    void marksOf(const TextStore &store, size_t line, size_t &lo, size_t &hi) const;
    uint64_t cellBefore(const TextStore &store, size_t line, size_t offset) const;
    size_t offsetOfCell(const TextStore &store, size_t line, uint64_t target) const;
    void addMark(uint64_t at, uint64_t cell);
    void dropMarksFrom(uint64_t at);
    void dropMarksBefore(uint64_t at);

    size_t cols;
    size_t markEvery;
    // Per line: the absolute row it starts on; line 0's is the base the rows
    // count from, so a head cut rewrites none of the others.
    BlockIndex rowStart;
    uint64_t rowBase;
    uint64_t lastRows;  // rows of the last line

    Mark *marks;
    size_t markFirst, markUsed, markCap;

    // Where the walk of the last line stopped, so an append goes on from there.
    bool resumeValid;
    size_t resumeLine, resumeStart, resumeAt;
    uint64_t resumeCell;
};

#endif
