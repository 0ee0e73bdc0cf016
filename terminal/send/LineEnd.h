#ifndef TERMINAL_LINEEND_H
#define TERMINAL_LINEEND_H

#include <cstdint>

// What the send box ends each line with. "None" sends the box as it always
// did: its escapes decoded over the whole text, line breaks as the edit
// control holds them. Any other end replaces every line break of the box
// (CR LF as the edit control gives it, or a lone CR or LF pasted in) and
// follows the last line: "A", break, "B" with CR goes out as 41 0D 42 0D.
// A box that already ends in a break is not given a second one, so pressing
// Enter after a command does not send an empty line after it.
//
// Escapes are decoded line by line, so a byte written as an escape is never
// taken for a line break, and an escape cut by a break ("\4" then Enter)
// ends where the break is instead of using it up.
class LineEnd
{
public:
    enum Kind : uint32_t { none = 0, cr = 1, lf = 2, crLf = 3, kinds = 4 };

    // The label the settings list shows for each kind, in list order.
    static const char *label(Kind kind);
    // A stored value that is not one of the kinds is taken as "None".
    static Kind fromStored(uint32_t value);

    // The bytes to send for `length` characters of send box text. out must
    // hold outputBound(length) bytes; returns the bytes written (NULs may be
    // among them).
    static uint32_t compose(const char *text, uint32_t length, Kind kind, char *out);
    static constexpr uint64_t outputBound(uint32_t length) { return 2ull * length + 2; }
};

#endif
