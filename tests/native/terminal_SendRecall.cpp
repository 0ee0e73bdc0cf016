#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/send/SendRecall.h"

namespace {

void remember(SendRecall &r, const std::string &s) { r.remember(s.data(), uint32_t(s.size())); }

// Ctrl+Up with `typed` in the box; "-" when it does nothing.
std::string up(SendRecall &r, const std::string &typed = "")
{
    const char *t;
    uint32_t n;
    return r.back(typed.data(), uint32_t(typed.size()), &t, &n) ? std::string(t, n) : "-";
}

std::string down(SendRecall &r)
{
    const char *t;
    uint32_t n;
    return r.forward(&t, &n) ? std::string(t, n) : "-";
}

std::vector<unsigned char> stored(const SendRecall &r)
{
    std::vector<unsigned char> form(r.storedSize());
    EXPECT_EQ(r.store(form.data(), uint32_t(form.size())), form.size());
    return form;
}

std::vector<std::string> texts(const SendRecall &r)
{
    std::vector<std::string> out;
    for (uint32_t i = 0; i < r.count(); ++i) {
        uint32_t n;
        const char *t = r.text(i, &n);
        out.emplace_back(t, n);
    }
    return out;
}

} // namespace

TEST(SendRecall, StepsBackAgainAndAgainAndForwardToWhatWasTyped)
{
    SendRecall r;
    EXPECT_EQ(up(r, "typing"), "-");
    remember(r, "AT");
    remember(r, "ATI");
    remember(r, "AT+CSQ");
    EXPECT_EQ(up(r, "half typed"), "AT+CSQ");
    EXPECT_EQ(up(r), "ATI");
    EXPECT_EQ(up(r), "AT");
    EXPECT_EQ(up(r), "-");   // the oldest stays
    EXPECT_EQ(down(r), "ATI");
    EXPECT_EQ(down(r), "AT+CSQ");
    EXPECT_EQ(down(r), "half typed");
    EXPECT_FALSE(r.stepping());
    EXPECT_EQ(down(r), "-");
    // Stepping starts again from the newest.
    EXPECT_EQ(up(r, "x"), "AT+CSQ");
}

TEST(SendRecall, KeepsTheLastHundredDistinctSends)
{
    SendRecall r;
    for (int i = 0; i < 150; ++i)
        remember(r, "cmd" + std::to_string(i));
    ASSERT_EQ(r.count(), 100u);
    EXPECT_EQ(texts(r).front(), "cmd50");
    EXPECT_EQ(texts(r).back(), "cmd149");
    // A text sent again becomes the newest, once.
    remember(r, "cmd60");
    EXPECT_EQ(r.count(), 100u);
    EXPECT_EQ(up(r), "cmd60");
    EXPECT_EQ(up(r), "cmd149");
    // Sending ends the stepping.
    remember(r, "cmd149");
    EXPECT_FALSE(r.stepping());
    EXPECT_EQ(up(r), "cmd149");
    EXPECT_EQ(up(r), "cmd60");
}

TEST(SendRecall, RefusesEmptyAndOverlongTextsAndKeepsLongOnes)
{
    SendRecall r;
    EXPECT_FALSE(r.remember("", 0));
    std::string longText(1500, 'L');
    EXPECT_TRUE(r.remember(longText.data(), uint32_t(longText.size())));
    std::string tooLong(SendRecall::maxText + 1, 'T');
    EXPECT_FALSE(r.remember(tooLong.data(), uint32_t(tooLong.size())));
    EXPECT_EQ(texts(r), std::vector<std::string>{longText});
    EXPECT_EQ(texts(r), std::vector<std::string>{longText});
}

TEST(SendRecall, ComesBackThroughItsStoredForm)
{
    SendRecall r;
    remember(r, "AT");
    remember(r, std::string(1200, 'x') + "\\0D");
    remember(r, "line one\r\nline two");
    SendRecall again;
    std::vector<unsigned char> form = stored(r);
    ASSERT_TRUE(again.load(form.data(), uint32_t(form.size())));
    EXPECT_EQ(texts(again), texts(r));
    EXPECT_EQ(up(again), "line one\r\nline two");
    SendRecall empty;
    form = stored(empty);
    ASSERT_TRUE(again.load(form.data(), uint32_t(form.size())));
    EXPECT_EQ(again.count(), 0u);
}

TEST(SendRecall, AStoredFormIsBoundedToTheNewestThatFit)
{
    SendRecall r;
    std::string big(SendRecall::maxText, 'b');
    for (int i = 0; i < 100; ++i) {
        big[0] = char('A' + i % 26);
        big[1] = char('A' + i / 26);
        remember(r, big);
    }
    std::vector<unsigned char> form = stored(r);
    EXPECT_LE(form.size(), SendRecall::maxStored);
    SendRecall again;
    ASSERT_TRUE(again.load(form.data(), uint32_t(form.size())));
    ASSERT_GT(again.count(), 0u);
    EXPECT_LT(again.count(), 100u);
    EXPECT_EQ(texts(again).back(), texts(r).back());
}

TEST(SendRecall, AStoredListThatIsNotTheProgramsIsIgnored)
{
    SendRecall r;
    remember(r, "AT");
    remember(r, "ATZ");
    const std::vector<unsigned char> good = stored(r);
    auto withChecksum = [](std::vector<unsigned char> f) {
        uint32_t h = 2166136261u;
        for (size_t i = 0; i + 4 < f.size(); ++i)
            h = (h ^ f[i]) * 16777619u;
        for (int i = 0; i < 4; ++i)
            f[f.size() - 4 + i] = static_cast<unsigned char>(h >> (8 * i));
        return f;
    };
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back({});
    bad.push_back(std::vector<unsigned char>(good.begin(), good.end() - 1));   // cut
    auto edited = good;
    edited[12] = 'B';   // a byte of the first text, checksum now wrong
    bad.push_back(edited);
    auto otherTag = good;
    otherTag[0] = 'X';
    bad.push_back(withChecksum(otherTag));
    auto moreCount = good;
    moreCount[4] = 3;   // three texts said, two there
    bad.push_back(withChecksum(moreCount));
    auto hugeLength = good;
    hugeLength[8] = 0xFF, hugeLength[9] = 0xFF, hugeLength[10] = 0xFF, hugeLength[11] = 0xFF;
    bad.push_back(withChecksum(hugeLength));
    auto twice = good;   // "AT" then "ATZ" made "AT" "AT" + a stray byte
    twice[18] = 'A', twice[19] = 'T';
    twice[14] = 2;
    bad.push_back(withChecksum(twice));
    auto withNul = good;
    withNul[12] = 0;
    bad.push_back(withChecksum(withNul));

    for (size_t i = 0; i < bad.size(); ++i) {
        SendRecall target;
        remember(target, "mine");
        EXPECT_FALSE(target.load(bad[i].data(), uint32_t(bad[i].size()))) << "case " << i;
        EXPECT_EQ(texts(target), std::vector<std::string>{"mine"}) << "case " << i;
    }
}
