#include "terminal/settings/lineFields.h"

unsigned lineFieldCount(LineField field)
{
    switch (field) {
    case linePort: return CommSettings::portCount;
    case lineBaud: return CommSettings::baudCount;
    case lineStopBits: return CommSettings::stopBitsCount;
    case lineDataBits: return CommSettings::dataBitsCount;
    case lineParity: return CommSettings::parityCount;
    }
    return 0;
}

const char *lineFieldLabel(LineField field, unsigned index)
{
    switch (field) {
    // The ports every list offers; the dialog adds the present ones beyond.
    case linePort: return index < CommSettings::portCount ? CommSettings::portLabel(index) : nullptr;
    case lineBaud: return CommSettings::baudLabel(index);
    case lineStopBits: return CommSettings::stopBitsLabel(index);
    case lineDataBits: return CommSettings::dataBitsLabel(index);
    case lineParity: return CommSettings::parityLabel(index);
    }
    return nullptr;
}

unsigned lineFieldIndex(const CommSettings &word, LineField field)
{
    switch (field) {
    case linePort: return word.portIndex;
    case lineBaud: return word.baudIndex;
    case lineStopBits: return word.stopBitsIndex;
    case lineDataBits: return word.dataBitsIndex;
    case lineParity: return word.parityIndex;
    }
    return 0;
}

void setLineFieldIndex(CommSettings &word, LineField field, unsigned index)
{
    switch (field) {
    case linePort: word.portIndex = index & 0xFu; break;
    case lineBaud: word.baudIndex = index & 0x1Fu; break;
    case lineStopBits: word.stopBitsIndex = index & 0x3u; break;
    case lineDataBits: word.dataBitsIndex = index & 0x3u; break;
    case lineParity: word.parityIndex = index & 0x7u; break;
    }
}
