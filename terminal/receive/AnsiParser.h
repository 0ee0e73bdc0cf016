#ifndef TERMINAL_ANSIPARSER_H
#define TERMINAL_ANSIPARSER_H

#include <cstddef>
#include <cstdint>

#include "win/TextAttr.h"

// Where the text between the escape sequences goes, in the attribute that
// applies to it.
class AnsiSink
{
public:
    virtual ~AnsiSink() {}
    virtual void text(const char *text, size_t length, const TextAttr &attr) = 0;
};

// Reads the escape sequences of what a device prints, as a terminal does:
// SGR (ESC [ ... m) sets the attribute of the text that follows; every other
// control sequence (CSI with any final byte, OSC and the other strings up to
// BEL or ESC \, ESC with intermediates and a final byte) is consumed and
// shows as nothing. Unknown SGR parameters are ignored. A sequence cut
// between two chunks is carried over to the next; one that has not ended
// within maxSequence bytes was no sequence after all and shows as it came.
//
// Colours are the usual terminal ones: 30-37 and 40-47 the eight standard
// colours, 90-97 and 100-107 their bright forms, 38;5;n and 48;5;n the 256
// of xterm, 38;2;r;g;b and 48;2;r;g;b any. 39 and 49 go back to the view's
// own colours, 0 or nothing to the default attribute.
class AnsiParser
{
public:
    enum : size_t { maxSequence = 64 };

    AnsiParser() { reset(); }
    // The default attribute, nothing carried over.
    void reset();
    const TextAttr &attr() const { return current; }
    // Bytes of a sequence held back for the next chunk.
    size_t pending() const { return held; }

    void feed(const unsigned char *data, size_t length, AnsiSink &sink);

    // The colour of xterm's palette entry n (0..255), as 0x00BBGGRR.
    static uint32_t paletteColour(unsigned n);

private:
    enum State { ground, escape, escapeMore, csi, string, stringEscape };

    // Handles one byte inside a sequence; false when the byte must be read
    // again as text (the sequence broke off and was shown as it came).
    bool step(unsigned char b, AnsiSink &sink);
    void endSequence() { state = ground, held = 0; }
    void showHeld(AnsiSink &sink);
    void applySgr();

    State state;
    TextAttr current;
    unsigned char seq[maxSequence];
    size_t held;
};

#endif
