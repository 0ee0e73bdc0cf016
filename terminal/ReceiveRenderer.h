#ifndef TERMINAL_RECEIVERENDERER_H
#define TERMINAL_RECEIVERENDERER_H

#include <windows.h>
#include <cstdint>

#include "terminal/LineBreaker.h"
#include "terminal/Scrollback.h"

class PWin;

// What the receive view shows of the received bytes: chunks as they come and
// the whole history again (Show Hex, end of a capture), as text or as hex
// lines through the HexDump and TextDump layouts. It keeps the count of hex
// lines written (so the labels count from the first byte received) and the
// scrollback that bounds the view. The history itself belongs to the
// terminal, which passes it in where a render needs it.
class ReceiveRenderer
{
public:
    // owner: the terminal, which owns the progress dialogs of re-renders.
    explicit ReceiveRenderer(PWin *owner);
    ~ReceiveRenderer();
    ReceiveRenderer(const ReceiveRenderer &) = delete;
    ReceiveRenderer &operator=(const ReceiveRenderer &) = delete;

    // The view control of the terminal's dialog and the font it shows;
    // neither is owned.
    void attach(HWND view, HFONT font);
    HWND window() const { return view; }
    uint32_t textLength() const;

    // A received chunk after the history of historyBytes bytes (the chunk
    // is not yet in it). withProgress: a progress dialog for the render.
    void appendText(const unsigned char *data, uint32_t length, bool withProgress);
    void appendHex(const unsigned char *data, uint32_t length, uint32_t textLength,
                   const unsigned char *history, uint32_t historyBytes, bool withProgress);

    // The whole history, into a view that holds nothing of it.
    void showHistory(const unsigned char *history, uint32_t bytes, bool hex);
    // Empties the view; the hex labels start again from 000000.
    void empty();
    // The hex labels start again from 000000 with the next line.
    void restartHexLines();
    uint32_t hexLines() const { return hexLineCount; }

    // A drain of received chunks: painting is held off while it inserts and
    // the view brought up to date at its end (see the source).
    void beginDrain();
    void drained(bool hex);   // after each chunk shown
    void endDrain();
    // How many of `waiting` bytes the next chunk of at most `most` bytes
    // takes, with `held` bytes in the history before it.
    static uint32_t chunkSize(uint32_t waiting, uint32_t most, uint32_t held, bool hex);

    void setLimit(uint32_t chars) { scrollback.setLimit(chars); }
    uint32_t limit() const { return scrollback.limit(); }

private:
    class PaintPause;
    void configure(HWND target);
    HWND renew();
    void trim(bool hex);

    PWin *owner;
    HWND view;
    HFONT font;
    uint32_t hexLineCount;   // hex lines written since the view was emptied
    uint32_t hexLinesCut;    // hex lines cut from the top of the view
    Scrollback scrollback;   // how much of the history the view keeps
    LineBreaker viewLines;   // bounds the lines of the text view
    PaintPause *paint;       // during a drain
};

#endif
