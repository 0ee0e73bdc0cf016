#ifndef WIN_TEXTLAYOUT_H
#define WIN_TEXTLAYOUT_H

// How the lines of a TextStore fall into rows of a fixed number of columns,
// and the arithmetic between offsets and (row, column) positions.
//
// Every character takes one column, except a tab, which advances to the next
// multiple of 8 (never past the row's edge). A row is full when its columns
// are used up; the next character starts a new row. An empty line is one
// row. For each line the layout keeps where its rows begin and how wide the
// line is unwrapped, so that a resize only walks the lines that hold tabs
// and are wider than the view, and an append walks only the new characters.
//
// Storage comes from malloc/realloc: reserve() is the only call that can
// fail, and the text view reserves before it changes the store.

#include <cstddef>
#include <cstdint>

class TextStore;

class TextLayout
{
public:
    struct Position
    {
        uint64_t row;
        size_t column;
    };

    TextLayout();
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
    void clear();

    uint64_t rowCount() const;
    size_t lineCount() const { return used - first; }
    uint64_t rowOfLine(size_t line) const;
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

    size_t bytesHeld() const { return cap * (sizeof *rowStart + sizeof *info); }

private:
    struct Walk
    {
        uint64_t rows;
        size_t col;
        uint32_t width;
        bool tab;
    };
    static void step(Walk &w, char c, size_t columns);
    Walk walkLine(const TextStore &store, size_t line, size_t from, Walk w) const;
    uint64_t layLine(const TextStore &store, size_t line, size_t changedFrom);
    uint64_t rowsFor(uint32_t inf, const TextStore &store, size_t line) const;

    size_t cols;
    // Per line: the absolute row it starts on (minus rowBase: relative), and
    // its unwrapped width with the top bit telling it holds a tab.
    uint64_t *rowStart;
    uint32_t *info;
    size_t first, used, cap;
    uint64_t rowBase;
    uint64_t lastRows;  // rows of the last line

    // Where the walk of the last line stopped, so an append goes on from there.
    bool resumeValid;
    size_t resumeLine, resumeStart, resumeAt;
    Walk resume;
};

#endif
