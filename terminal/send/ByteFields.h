#ifndef TERMINAL_BYTEFIELDS_H
#define TERMINAL_BYTEFIELDS_H

#include <cstddef>
#include <cstdint>

// The four linked "Byte to Send" fields and the conversions between them.
// Positions are fixed: the update after an edit runs from the edited field's
// left neighbours down to the first, then from its right neighbours up.
class ByteFields
{
public:
    enum Field { Dec = 0, Hex = 1, Bin = 2, Char = 3, fieldCount = 4 };
    enum { textSize = 30 };

    // Value of a field's text (at most textSize - 1 characters are looked at):
    // Dec as atoi (white space, sign, digits; 0 when none; wraps modulo 2^32
    // where atoi would overflow), Hex digit by digit from the right (other
    // characters count 0), Bin one bit per character from the right ("1" set,
    // anything else clear), Char the code of the first character.
    static uint32_t parse(Field field, const char *text);

    // The text a field shows for value, NUL-terminated in out (size > 11):
    // Dec unsigned decimal, Hex "%02X", Bin the eight bits of the low byte,
    // Char the low byte as a one-character text (empty when it is 0).
    static void format(Field field, uint32_t value, char *out, size_t size);

    // The fields to write after an edit of field `edited`, in order; returns
    // how many (3).
    static int updateOrder(Field edited, Field order[fieldCount - 1]);
};

#endif
