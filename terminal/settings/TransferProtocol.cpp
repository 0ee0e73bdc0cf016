#include "terminal/settings/TransferProtocol.h"

namespace {

const char *const labels[transferProtocolCount] = {"Raw", "XMODEM", "XMODEM-1K", "YMODEM", "ZMODEM"};

} // namespace

const char *transferProtocolLabel(TransferProtocol protocol)
{
    uint32_t i = uint32_t(protocol);
    return i < transferProtocolCount ? labels[i] : labels[0];
}

TransferProtocol transferProtocolFrom(uint32_t stored)
{
    return stored < transferProtocolCount ? TransferProtocol(stored) : TransferProtocol::raw;
}
