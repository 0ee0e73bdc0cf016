#ifndef TERMINAL_TRANSFERPROTOCOL_H
#define TERMINAL_TRANSFERPROTOCOL_H

#include <cstdint>

// How "&File" sends a file: raw bytes, or by one of the block protocols that
// bootloaders and modems take files with. The value is the position in the
// settings dialog's "Transfer" list and what "Transfer" holds in the registry.
enum class TransferProtocol : uint32_t
{
    raw = 0,       // the file's bytes as they are, with the optional pause
    xmodem = 1,    // 128-byte blocks, CRC-16 or 8-bit checksum as the receiver asks
    xmodem1k = 2,  // 1024-byte blocks, CRC-16
    ymodem = 3,    // block 0 with name and size, 1024-byte blocks, closing block 0
    zmodem = 4,    // streamed with CRC-32, resumed where the receiver asks
};

const uint32_t transferProtocolCount = 5;

// The list's label of a protocol: "Raw", "XMODEM", "XMODEM-1K", "YMODEM",
// "ZMODEM".
const char *transferProtocolLabel(TransferProtocol protocol);
// A stored value beyond the list (an edited registry value) sends raw.
TransferProtocol transferProtocolFrom(uint32_t stored);

#endif
