#include "comm/CommSettings.h"

#include <cstdio>

namespace {

struct TableEntry
{
    long value;
    const char *label;
};

const TableEntry portTable[CommSettings::wordPortCount] = {
    {0, "COM1"},   {1, "COM2"},   {2, "COM3"},   {3, "COM4"},   {4, "COM5"},   {5, "COM6"},
    {6, "COM7"},   {7, "COM8"},   {8, "COM9"},   {9, "COM10"},  {10, "COM11"}, {11, "COM12"},
    {12, "COM13"}, {13, "COM14"}, {14, "COM15"}, {15, "COM16"},
};

// The labels group thousands with a full stop.
const TableEntry baudTable[CommSettings::baudCount] = {
    {110, "110"},         {300, "300"},         {600, "600"},
    {1200, "1.200"},      {2400, "2.400"},      {4800, "4.800"},
    {9600, "9.600"},      {14400, "14.400"},    {19200, "19.200"},
    {38400, "38.400"},    {56000, "56.000"},    {57600, "57.600"},
    {115200, "115.200"},  {128000, "128.000"},  {256000, "256.000"},
};

const TableEntry stopBitsTable[CommSettings::stopBitsCount] = {
    {0, "ONESTOPBIT"}, {1, "ONE5STOPBITS"}, {2, "TWOSTOPBITS"},
};

// Sorted by label, not by platform value.
const TableEntry parityTable[CommSettings::parityCount] = {
    {2, "EVENPARITY"}, {3, "MARKPARITY"}, {0, "NOPARITY"}, {1, "ODDPARITY"}, {4, "SPACEPARITY"},
};

const TableEntry dataBitsTable[CommSettings::dataBitsCount] = {
    {5, "5"}, {6, "6"}, {7, "7"}, {8, "8"},
};

template <size_t N>
const char *labelAt(const TableEntry (&table)[N], unsigned index)
{
    return index < N ? table[index].label : nullptr;
}

template <size_t N>
long valueAt(const TableEntry (&table)[N], unsigned index)
{
    return index < N ? table[index].value : -1;
}

} // namespace

CommSettings::CommSettings()
{
    fromWord(defaultWord);
}

CommSettings::CommSettings(uint32_t word)
{
    fromWord(word);
}

// Packed and unpacked by shifts, so the word does not depend on how the
// compiler lays out the bit fields.
uint32_t CommSettings::toWord() const
{
    return (uint32_t(portIndex) << 0) | (uint32_t(baudIndex) << 4) | (uint32_t(stopBitsIndex) << 9) |
           (uint32_t(parityIndex) << 11) | (uint32_t(dataBitsIndex) << 14) | (uint32_t(dtrDsrMode) << 16) |
           (uint32_t(rtsCtsMode) << 18) | (uint32_t(xonXoff) << 20) | (uint32_t(reserved) << 21);
}

void CommSettings::fromWord(uint32_t word)
{
    portIndex = word & 0xF;
    baudIndex = (word >> 4) & 0x1F;
    stopBitsIndex = (word >> 9) & 0x3;
    parityIndex = (word >> 11) & 0x7;
    dataBitsIndex = (word >> 14) & 0x3;
    dtrDsrMode = (word >> 16) & 0x3;
    rtsCtsMode = (word >> 18) & 0x3;
    xonXoff = (word >> 20) & 0x1;
    reserved = (word >> 21) & 0x7FF;
}

bool CommSettings::isValid() const
{
    return portIndex < wordPortCount && baudIndex < baudCount && stopBitsIndex < stopBitsCount &&
           parityIndex < parityCount && dataBitsIndex < dataBitsCount;
}

const char *CommSettings::portLabel(unsigned index) { return labelAt(portTable, index); }
const char *CommSettings::baudLabel(unsigned index) { return labelAt(baudTable, index); }
long CommSettings::baudValue(unsigned index) { return valueAt(baudTable, index); }
const char *CommSettings::stopBitsLabel(unsigned index) { return labelAt(stopBitsTable, index); }
long CommSettings::stopBitsValue(unsigned index) { return valueAt(stopBitsTable, index); }
const char *CommSettings::parityLabel(unsigned index) { return labelAt(parityTable, index); }
long CommSettings::parityValue(unsigned index) { return valueAt(parityTable, index); }
const char *CommSettings::dataBitsLabel(unsigned index) { return labelAt(dataBitsTable, index); }
long CommSettings::dataBitsValue(unsigned index) { return valueAt(dataBitsTable, index); }

bool CommSettings::deviceName(char *buffer, size_t size) const
{
    return devicePath(portIndex + 1u, buffer, size);
}

namespace {

bool formatPort(const char *format, unsigned number, char *buffer, size_t size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    if (!buffer || number < 1 || number > CommSettings::maxPort)
        return false;
    int length = std::snprintf(buffer, size, format, number);
    if (length < 0 || size_t(length) >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

bool CommSettings::portName(unsigned number, char *buffer, size_t size)
{
    return formatPort("COM%u", number, buffer, size);
}

bool CommSettings::devicePath(unsigned number, char *buffer, size_t size)
{
    return formatPort("\\\\.\\COM%u", number, buffer, size);
}

unsigned CommSettings::parsePortName(const char *text)
{
    if (!text || (text[0] | 0x20) != 'c' || (text[1] | 0x20) != 'o' || (text[2] | 0x20) != 'm')
        return 0;
    const char *digits = text + 3;
    if (*digits < '1' || *digits > '9')
        return 0;
    unsigned number = 0;
    for (const char *d = digits; *d; ++d) {
        if (*d < '0' || *d > '9' || d - digits >= 3)
            return 0;
        number = number * 10 + unsigned(*d - '0');
    }
    return number <= maxPort ? number : 0;
}
