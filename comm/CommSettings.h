#ifndef COMM_COMMSETTINGS_H
#define COMM_COMMSETTINGS_H

#include <cstddef>
#include <cstdint>

// The line settings of one port packed in one 32-bit word, least significant
// bit first. Every field is an index into one of the fixed tables below, never
// the platform value itself; the word is what the registry stores ("Setup")
// and what a port object is configured with.
//
// The word may come from an edited registry value, so any field can hold an
// index beyond its table: the table accessors answer such an index with a
// null label or -1 and never read past a table's end; isValid() tells whether
// every index lies inside its table.
class CommSettings
{
public:
    static constexpr uint32_t defaultWord = 0x000AD061u;   // COM2 9600 8N1, DTR/DSR and RTS/CTS handshake

    static constexpr unsigned portCount = 8;      // "COM1" .. "COM8", always offered
    static constexpr unsigned wordPortCount = 16; // the port field says "COM1" .. "COM16"
    static constexpr unsigned maxPort = 256;      // the highest COM number there is
    static constexpr unsigned baudCount = 15;
    static constexpr unsigned stopBitsCount = 3;
    static constexpr unsigned parityCount = 5;
    static constexpr unsigned dataBitsCount = 4;

    // Fields, in bit order. Assigning to them is a plain field store.
    uint32_t portIndex : 4;       // bits 0-3
    uint32_t baudIndex : 5;       // bits 4-8
    uint32_t stopBitsIndex : 2;   // bits 9-10
    uint32_t parityIndex : 3;     // bits 11-13
    uint32_t dataBitsIndex : 2;   // bits 14-15
    uint32_t dtrDsrMode : 2;      // bits 16-17: 0 off, 1 enable, 2 handshake, 3 keep the port's own
    uint32_t rtsCtsMode : 2;      // bits 18-19: 0 off, 1 enable, 2 handshake, 3 toggle
    uint32_t xonXoff : 1;         // bit 20: XON/XOFF in both directions
    uint32_t reserved : 11;       // bits 21-31: unused here, kept as stored

    CommSettings();                        // the default word
    explicit CommSettings(uint32_t word);  // unpacks a stored word

    // The packed word. The reserved bits go back as they came: a word read
    // from the registry and stored again keeps them.
    uint32_t toWord() const;
    void fromWord(uint32_t word);

    // True when every index lies inside its table. Every port index is: the
    // four bits name COM1 to COM16.
    bool isValid() const;

    // Table lookups by index. Labels are the texts the settings dialog shows;
    // values are the platform's numbers (bits per second, ONESTOPBIT = 0 ...,
    // NOPARITY = 0 ..., data bits). An index beyond its table gives a null
    // label or the value -1.
    static const char *portLabel(unsigned index);
    static const char *baudLabel(unsigned index);
    static long baudValue(unsigned index);
    static const char *stopBitsLabel(unsigned index);
    static long stopBitsValue(unsigned index);
    static const char *parityLabel(unsigned index);
    static long parityValue(unsigned index);
    static const char *dataBitsLabel(unsigned index);
    static long dataBitsValue(unsigned index);

    // Values of this word's fields (-1 when the index is beyond the table).
    long baudRate() const { return baudValue(baudIndex); }
    long stopBits() const { return stopBitsValue(stopBitsIndex); }
    long parity() const { return parityValue(parityIndex); }
    long dataBits() const { return dataBitsValue(dataBitsIndex); }

    // The device of the word's port ("\\.\COM1" .. "\\.\COM16"), into
    // buffer. False, with buffer left empty when it has room, when the buffer
    // is too small.
    bool deviceName(char *buffer, size_t size) const;

    // "COM12" for port 12, and the device to open for it, "\\.\COM12": the
    // device namespace prefix is what Windows needs from COM10 on, and it
    // takes it for every port. False, with buffer left empty when it has
    // room, for a number outside 1..maxPort or a buffer too small.
    static bool portName(unsigned number, char *buffer, size_t size);
    static bool devicePath(unsigned number, char *buffer, size_t size);
    // The number of a port name ("COM12" gives 12, in any letter case); 0 for
    // anything that is not "COM" and a number 1..256 without leading zeros.
    static unsigned parsePortName(const char *text);
};

static_assert(sizeof(CommSettings) == 4, "CommSettings must stay one 32-bit word");

#endif
