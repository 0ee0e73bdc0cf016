#include <gtest/gtest.h>

#include "terminal/transfer/ZmodemStart.h"

#include <string>
#include <vector>

namespace {

const std::string szStart = std::string("**\x18") + "B00000000000000\r\x8a\x11";
const std::string rzStart = std::string("**\x18") + "B0100000023be50\r\x8a\x11";

struct Seen
{
    std::string shown;
    ZmodemStart::Found found = ZmodemStart::Found::nothing;
    std::string afterStart;  // the start's bytes and what followed, for the transfer
};

// Feeds text in pieces of `piece` bytes, as reads from the port cut it.
Seen feed(const std::string &text, size_t piece)
{
    ZmodemStart start;
    Seen seen;
    for (size_t at = 0; at < text.size(); at += piece) {
        std::string chunk = text.substr(at, piece);
        std::vector<unsigned char> shown(chunk.size() + ZmodemStart::startLength);
        auto scan = start.scan(reinterpret_cast<const unsigned char *>(chunk.data()), uint32_t(chunk.size()),
                               shown.data());
        seen.shown.append(shown.begin(), shown.begin() + scan.shown);
        if (scan.found != ZmodemStart::Found::nothing) {
            seen.found = scan.found;
            seen.afterStart.assign(reinterpret_cast<const char *>(start.startBytes()), ZmodemStart::startLength);
            seen.afterStart += text.substr(at + scan.consumed);
            return seen;
        }
    }
    unsigned char held[ZmodemStart::startLength];
    seen.shown.append(held, held + start.flush(held));
    return seen;
}

struct StartCase
{
    const char *label;
    std::string text;
    ZmodemStart::Found found;
    std::string shown;
};

} // namespace

TEST(ZmodemStart, FindsTheFarEndsStartInAnyCutAndShowsOnlyWhatCameBefore)
{
    const StartCase cases[] = {
        {"sz", "$ sz core\r\nrz\r" + szStart, ZmodemStart::Found::sender, "$ sz core\r\nrz\r"},
        {"rz", "$ rz\r\n" + rzStart, ZmodemStart::Found::receiver, "$ rz\r\n"},
        {"starsBefore", "***" + szStart, ZmodemStart::Found::sender, "***"},
        {"plainText", "a ** b *\x18 c **\x18" "B1 d", ZmodemStart::Found::nothing, "a ** b *\x18 c **\x18" "B1 d"},
        {"cutAtTheEnd", "text **\x18" "B0", ZmodemStart::Found::nothing, "text **\x18" "B0"},
        {"otherFrameType", std::string("**\x18") + "B0800000000", ZmodemStart::Found::nothing,
         std::string("**\x18") + "B0800000000"},
    };
    for (const StartCase &c : cases) {
        for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(1000)}) {
            Seen seen = feed(c.text, piece);
            EXPECT_EQ(seen.found, c.found) << c.label << " in pieces of " << piece;
            EXPECT_EQ(seen.shown, c.shown) << c.label << " in pieces of " << piece;
            if (c.found != ZmodemStart::Found::nothing) {
                EXPECT_EQ(seen.afterStart, c.found == ZmodemStart::Found::sender ? szStart : rzStart) << c.label;
            }
        }
    }
}
