#ifndef WIN_TEXTSELECTION_H
#define WIN_TEXTSELECTION_H

// The selection of the text view: an anchor, where it was started, and the
// caret, the end that moves. Every offset handed in is clamped to the text;
// the selection follows the text when its head or tail is cut.

#include <cstddef>

class TextSelection
{
public:
    TextSelection() : anchor(0), caret(0) {}

    size_t anchorAt() const { return anchor; }
    size_t caretAt() const { return caret; }
    size_t from() const { return anchor < caret ? anchor : caret; }
    size_t to() const { return anchor < caret ? caret : anchor; }
    bool empty() const { return anchor == caret; }

    void set(size_t anchorAt, size_t caretAt, size_t length);
    void placeCaret(size_t at, size_t length) { set(at, at, length); }
    // Moves the caret and keeps the anchor (Shift+click, Shift+arrows, drags).
    void extendTo(size_t at, size_t length);

    // The text lost characters past newLength.
    void tailCut(size_t newLength);
    // The text lost its first n characters.
    void headCut(size_t n);

    // Offsets [from, to) of the word, the run of spaces or the run of other
    // signs around offset. A line end is never part of it.
    static void wordAround(const char *text, size_t length, size_t offset, size_t &from, size_t &to);

private:
    size_t anchor;
    size_t caret;
};

#endif
