#include "terminal/receive/Scrollback.h"

#include "terminal/receive/HexDump.h"

Scrollback::Scrollback(uint32_t limit) : maxChars(defaultLimit)
{
    setLimit(limit);
}

void Scrollback::setLimit(uint32_t chars)
{
    maxChars = chars < minimumLimit ? uint32_t(minimumLimit) : chars;
}

uint32_t Scrollback::hexCut(uint32_t textLength, uint32_t line) const
{
    if (textLength <= maxChars)
        return 0;
    uint32_t over = textLength - keepChars();
    // keepChars() is far above one line, so rounding up stays inside the text.
    return (over + line - 1) / line * line;
}

uint32_t Scrollback::textCut(uint32_t textLength) const
{
    return textLength <= maxChars ? 0 : textLength - keepChars();
}

uint32_t Scrollback::firstHexLine(uint32_t bytes, uint32_t lineChars) const
{
    uint32_t per = HexDump::bytesPerLine;
    uint32_t lines = (bytes + per - 1) / per;
    uint32_t fit = maxChars / lineChars;
    return lines > fit ? lines - fit : 0;
}

uint32_t Scrollback::firstTextByte(uint32_t bytes) const
{
    return bytes > maxChars ? bytes - maxChars : 0;
}
