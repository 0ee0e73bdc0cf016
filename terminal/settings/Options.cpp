#include "terminal/settings/Options.h"

#include <cstring>

const char *Options::lineEndLabel(uint32_t v)
{
    static const char *const labels[lineEndCount] = {"None", "CR", "LF", "CR+LF"};
    return v < lineEndCount ? labels[v] : nullptr;
}

const char *Options::lineEndBytes(uint32_t v)
{
    static const char *const bytes[lineEndCount] = {"", "\r", "\n", "\r\n"};
    return v < lineEndCount ? bytes[v] : "";
}

bool Options::setReceiveFolder(const char *text)
{
    if (!text)
        return false;
    size_t length = std::strlen(text);
    if (length >= folderSize)
        return false;
    std::memcpy(receiveFolder, text, length + 1);
    return true;
}

bool Options::setReceiveFolderFrom(const unsigned char *data, size_t size)
{
    if (!data || size == 0)
        return false;
    const void *nul = std::memchr(data, 0, size);
    if (!nul)
        return false;
    size_t length = size_t(static_cast<const unsigned char *>(nul) - data);
    if (length >= folderSize)
        return false;
    std::memcpy(receiveFolder, data, length);
    receiveFolder[length] = '\0';
    return true;
}

LinesAtOpen Options::linesAtOpen() const
{
    LinesAtOpen lines;
    lines.dtrOn = dtrAtOpen;
    lines.rtsOn = rtsAtOpen;
    return lines;
}

bool Options::operator==(const Options &o) const
{
    return lineEnd == o.lineEnd && dtrAtOpen == o.dtrAtOpen && rtsAtOpen == o.rtsAtOpen && pulseMs == o.pulseMs &&
           breakMs == o.breakMs && pauseNewLineMs == o.pauseNewLineMs &&
           std::strcmp(receiveFolder, o.receiveFolder) == 0;
}
