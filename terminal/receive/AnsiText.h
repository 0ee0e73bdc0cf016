#ifndef TERMINAL_ANSITEXT_H
#define TERMINAL_ANSITEXT_H

#include <cstdint>

#include "terminal/receive/AnsiParser.h"

// Where AnsiText lays out the visible text: the text layout of the view
// (with or without times) into the batch of one render.
class AnsiLayout
{
public:
    // `length` visible bytes; `from` is where they begin in the data being
    // rendered (for their arrival times).
    virtual void piece(const unsigned char *text, uint32_t length, uint32_t from) = 0;
    // The characters laid out so far: where the next piece begins.
    virtual uint32_t laidOut() const = 0;

protected:
    ~AnsiLayout() = default;
};

// The received text with its escape sequences read as a terminal reads them
// (ANSI Colours on): the visible text goes to the layout piece by piece, and
// the colour of each piece is noted as a run at the place it was laid out,
// so the view's colours land on its own characters whatever the layout put
// around them (times before the lines).
//
// The parser runs on from chunk to chunk, so a sequence cut between two
// reads is carried over; reset() when the view starts again.
//
// The runs' storage comes from realloc: should it give nothing, the text
// still goes in and only its colours are lost (noted by coloursLost()).
class AnsiText : private AnsiSink
{
public:
    struct Run
    {
        uint32_t at;   // offset into what was laid out by this render
        TextAttr attr;
    };

    AnsiText() = default;
    ~AnsiText();
    AnsiText(const AnsiText &) = delete;
    AnsiText &operator=(const AnsiText &) = delete;

    // Nothing carried over, the default colours.
    void reset() { parser.reset(); }

    // One render: the runs of the last one are forgotten. The first run
    // (at the layout's length on entry) carries the colour the text begins in.
    void render(const unsigned char *data, uint32_t length, AnsiLayout &layout);

    const Run *runs() const { return list; }
    uint32_t runCount() const { return count; }
    // True when every run of the last render has the default colours: the
    // text can go in as plain text.
    bool allDefault() const;
    bool coloursLost() const { return lost; }

private:
    void text(const char *text, size_t length, const TextAttr &attr) override;
    void note(uint32_t at, const TextAttr &attr);

    AnsiParser parser;
    Run *list = nullptr;   // owned, room for `room`
    uint32_t count = 0;
    uint32_t room = 0;
    bool lost = false;
    // The render under way.
    const unsigned char *data = nullptr;
    uint32_t length = 0;
    uint32_t lastFrom = 0;
    AnsiLayout *layout = nullptr;
};

#endif
