#ifndef TERMINAL_TEXTSINK_H
#define TERMINAL_TEXTSINK_H

#include <cstdint>

// Where a text layout of the receive view goes (TextDump, TimedText): the
// real view in the terminal, a string in the tests.
class TextSink
{
public:
    virtual ~TextSink() {}
    // Appends `length` characters at the end of the view.
    virtual void putText(const char *text, uint32_t length) = 0;
    // Reports `done` bytes of the data handled; false = the operator aborted.
    virtual bool progress(uint32_t done) = 0;
};

#endif
