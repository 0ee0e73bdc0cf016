#ifndef TERMINAL_ESCAPES_H
#define TERMINAL_ESCAPES_H

#include <cstdint>

// The escape syntax of the send box, decoded in place:
//   "\\"           one backslash;
//   "\" h h        one byte of the hex digits h (either case), "\0D\0A" = CR LF;
//   "\" h x        (x not a hex digit) the byte h; both characters are used up;
//   "\" h at the end of the text: the byte h ("\4" at the end sends 0x04);
//   a backslash followed by anything else, or ending the text, is sent as it
//   stands and what follows it is read as ordinary text.
class Escapes
{
public:
    // Decodes the `length` characters of text in place and returns the
    // number of bytes produced (NULs may be among them). Never reads at or
    // beyond text[length].
    static uint32_t decodeEscapes(char *text, uint32_t length);

    // Value of a hex digit, or -1.
    static int hexDigit(char c);
};

#endif
