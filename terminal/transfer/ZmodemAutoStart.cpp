#include "terminal/transfer/ZmodemAutoStart.h"

#include <cstring>

#include "terminal/settings/Settings.h"

namespace {

const char valueName[] = "ZmodemAutoStart";

} // namespace

ZmodemAutoStart::ZmodemAutoStart() : on(true)
{
    uint32_t stored = 1;
    readRegDword(valueName, stored, false);
    on = stored != 0;
}

void ZmodemAutoStart::setOn(bool now)
{
    on = now;
    writeRegDword(valueName, now ? 1 : 0);
}

uint32_t ZmodemAutoStart::look(const unsigned char *data, uint32_t count, unsigned char *shown, bool &began)
{
    began = false;
    // Off, a transfer under way (its chooser is up, say) or a start still
    // waiting to run: a start cut between two reads is text after all.
    if (!on || heldOff || pending != ZmodemStart::Found::nothing) {
        uint32_t n = scanner.flush(shown);
        std::memcpy(shown + n, data, count);
        return n + count;
    }
    ZmodemStart::Scan scan = scanner.scan(data, count, shown);
    if (scan.found == ZmodemStart::Found::nothing)
        return scan.shown;
    pending = scan.found;
    std::memcpy(held, scanner.startBytes(), ZmodemStart::startLength);
    uint32_t rest = count - scan.consumed;
    if (rest > sizeof held - ZmodemStart::startLength)
        rest = sizeof held - ZmodemStart::startLength;
    std::memcpy(held + ZmodemStart::startLength, data + scan.consumed, rest);
    heldCount = ZmodemStart::startLength + rest;
    began = true;
    return scan.shown;
}

ZmodemStart::Found ZmodemAutoStart::take(const unsigned char *&bytes, uint32_t &count)
{
    ZmodemStart::Found found = pending;
    pending = ZmodemStart::Found::nothing;
    bytes = held;
    count = found == ZmodemStart::Found::nothing ? 0 : heldCount;
    return found;
}
