#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/send/RepeatSchedule.h"
#include "terminal/send/StoredCommands.h"

namespace {

bool set(StoredCommands &c, uint32_t row, const std::string &name, const std::string &text, uint32_t interval)
{
    return c.set(row, name.data(), uint32_t(name.size()), text.data(), uint32_t(text.size()), interval);
}

std::string textOf(const StoredCommands &c, uint32_t row)
{
    uint32_t n;
    const char *t = c.text(row, &n);
    return std::string(t, n);
}

std::string nameOf(const StoredCommands &c, uint32_t row)
{
    uint32_t n;
    const char *t = c.name(row, &n);
    return std::string(t, n);
}

std::string label(const StoredCommands &c, uint32_t row)
{
    char out[StoredCommands::menuLabelSize];
    uint32_t n = c.menuLabel(row, out);
    EXPECT_LT(n, sizeof out);
    return std::string(out, n);
}

std::vector<unsigned char> stored(const StoredCommands &c)
{
    std::vector<unsigned char> f(c.storedSize());
    EXPECT_EQ(c.store(f.data(), uint32_t(f.size())), f.size());
    return f;
}

void rechecksum(std::vector<unsigned char> &f)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i + 4 < f.size(); ++i)
        h = (h ^ f[i]) * 16777619u;
    for (int i = 0; i < 4; ++i)
        f[f.size() - 4 + i] = static_cast<unsigned char>(h >> (8 * i));
}

} // namespace

TEST(StoredCommands, RowsHoldWhatTheDialogGaveAndRefuseWhatItCannot)
{
    StoredCommands c;
    EXPECT_FALSE(c.hasText(0));
    ASSERT_TRUE(set(c, 0, "Reset", "ATZ\\0D", 0));
    ASSERT_TRUE(set(c, 11, "", std::string(1500, 'p'), 200));
    EXPECT_EQ(textOf(c, 0), "ATZ\\0D");
    EXPECT_EQ(nameOf(c, 0), "Reset");
    EXPECT_EQ(c.interval(11), 200u);
    EXPECT_EQ(textOf(c, 11).size(), 1500u);

    struct Bad
    {
        uint32_t row;
        std::string name, text;
        uint32_t interval;
    } bad[] = {
        {12, "x", "y", 0},
        {0, std::string(StoredCommands::maxName + 1, 'n'), "y", 0},
        {0, "x", std::string(StoredCommands::maxText + 1, 't'), 0},
        {0, "x", "y", StoredCommands::maxInterval + 1},
        {0, std::string("a\0b", 3), "y", 0},
        {0, "x", std::string("a\0b", 3), 0},
    };
    for (const Bad &b : bad) {
        EXPECT_FALSE(set(c, b.row, b.name, b.text, b.interval)) << b.row << " " << b.interval;
        EXPECT_EQ(textOf(c, 0), "ATZ\\0D");
        EXPECT_EQ(c.interval(0), 0u);
    }
    // An empty row: nothing to send, not on the menu.
    ASSERT_TRUE(set(c, 0, "Reset", "", 0));
    EXPECT_FALSE(c.hasText(0));
}

TEST(StoredCommands, MenuLabelsNameTheKey)
{
    StoredCommands c;
    set(c, 0, "Reset", "ATZ", 0);
    set(c, 9, "R&D", "x", 0);
    set(c, 11, "", "AT+CSQ\r\nAT", 0);
    set(c, 1, std::string(StoredCommands::maxName, '&'), "x", 0);
    EXPECT_EQ(label(c, 0), "Reset\tF1");
    EXPECT_EQ(label(c, 9), "R&&D\tF10");
    EXPECT_EQ(label(c, 11), "AT+CSQ  AT\tF12");
    EXPECT_EQ(label(c, 1), std::string(2 * StoredCommands::maxName, '&') + "\tF2");
}

TEST(StoredCommands, ComeBackThroughTheirStoredForm)
{
    StoredCommands c;
    set(c, 0, "Reset", "ATZ\\0D", 0);
    set(c, 1, "Poll", std::string(1200, 'q'), 200);
    set(c, 11, "Last", "x", StoredCommands::maxInterval);
    std::vector<unsigned char> f = stored(c);
    StoredCommands again;
    ASSERT_TRUE(again.load(f.data(), uint32_t(f.size())));
    for (uint32_t r = 0; r < StoredCommands::rows; ++r) {
        EXPECT_EQ(textOf(again, r), textOf(c, r)) << r;
        EXPECT_EQ(nameOf(again, r), nameOf(c, r)) << r;
        EXPECT_EQ(again.interval(r), c.interval(r)) << r;
    }
}

TEST(StoredCommands, AStoredFormThatIsNotTheProgramsIsIgnored)
{
    StoredCommands c;
    set(c, 0, "Reset", "ATZ", 0);
    const std::vector<unsigned char> good = stored(c);
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back(std::vector<unsigned char>(good.begin(), good.begin() + 10));
    bad.push_back(std::vector<unsigned char>(good.begin(), good.end() - 1));
    auto edited = good;
    edited[good.size() - 5] ^= 1;   // a byte of the last row, checksum now wrong
    bad.push_back(edited);
    auto tagged = good;
    tagged[3] = '2';
    rechecksum(tagged);
    bad.push_back(tagged);
    auto slow = good;   // row 0's interval beyond the range
    slow[4] = 0xFF, slow[5] = 0xFF, slow[6] = 0xFF, slow[7] = 0x7F;
    rechecksum(slow);
    bad.push_back(slow);
    auto longName = good;   // row 0's name length past the value's end
    longName[8] = 60;
    rechecksum(longName);
    bad.push_back(longName);
    auto nul = good;   // a NUL in row 0's name
    nul[12] = 0;
    rechecksum(nul);
    bad.push_back(nul);
    auto extra = good;   // a stray byte after the last row
    extra.insert(extra.end() - 4, 'x');
    rechecksum(extra);
    bad.push_back(extra);
    for (size_t i = 0; i < bad.size(); ++i) {
        StoredCommands target;
        set(target, 3, "mine", "kept", 50);
        EXPECT_FALSE(target.load(bad[i].data(), uint32_t(bad[i].size()))) << "case " << i;
        EXPECT_EQ(textOf(target, 3), "kept") << "case " << i;
        EXPECT_FALSE(target.hasText(0)) << "case " << i;
    }
}

TEST(RepeatSchedule, KeysSendOnceStartAndStop)
{
    RepeatSchedule s;
    EXPECT_EQ(s.press(0, false, 0, 0), RepeatSchedule::nothing);   // an empty row
    EXPECT_EQ(s.press(0, false, 200, 0), RepeatSchedule::nothing);
    EXPECT_EQ(s.press(0, true, 0, 0), RepeatSchedule::sendOnce);
    EXPECT_FALSE(s.repeating(0));
    EXPECT_EQ(s.press(1, true, 200, 1000), RepeatSchedule::startRepeating);
    EXPECT_TRUE(s.repeating(1));
    EXPECT_EQ(s.press(1, true, 200, 1100), RepeatSchedule::stopRepeating);
    EXPECT_FALSE(s.anyRepeating());
    EXPECT_EQ(s.press(12, true, 0, 0), RepeatSchedule::nothing);
    uint64_t at;
    EXPECT_FALSE(s.nextDue(&at));
}

TEST(RepeatSchedule, RepeatsOnItsBeatUntilStopped)
{
    RepeatSchedule s;
    ASSERT_EQ(s.press(1, true, 200, 0), RepeatSchedule::startRepeating);   // the first send: at once
    int sends = 1;
    // A tick every 10 ms for one second.
    for (uint64_t now = 10; now <= 1000; now += 10)
        while (s.takeDue(now, false) == 1)
            ++sends;
    EXPECT_EQ(sends, 6);   // 0, 200, 400, 600, 800, 1000
    uint64_t at;
    ASSERT_TRUE(s.nextDue(&at));
    EXPECT_EQ(at, 1200u);
    s.stopAll();
    EXPECT_EQ(s.takeDue(5000, false), -1);
    EXPECT_EQ(s.skipped(), 0u);
}

TEST(RepeatSchedule, ADueTurnWhileTheWriteIsHeldIsSkippedNeverQueued)
{
    RepeatSchedule s;
    s.press(0, true, 100, 0);
    s.press(5, true, 100, 50);
    // The line holds the write from 90 to 420 ms: the turns of 100..400 and
    // 150..350 pass without a send, and none is made up afterwards.
    std::vector<std::pair<uint64_t, int>> sent;
    for (uint64_t now = 0; now <= 700; now += 10) {
        bool held = now >= 90 && now < 420;
        for (int r; (r = s.takeDue(now, held)) >= 0;)
            sent.emplace_back(now, r);
    }
    // After the hold: row 0 at 500, 600, 700; row 5 at 450, 550, 650.
    std::vector<std::pair<uint64_t, int>> expected = {{450, 5}, {500, 0}, {550, 5}, {600, 0}, {650, 5}, {700, 0}};
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(s.skipped(), 7u);   // 100..400 of row 0, 150..350 of row 5
}

TEST(RepeatSchedule, ALateTickSendsOnceAndKeepsThePhase)
{
    RepeatSchedule s;
    s.press(2, true, 100, 0);
    EXPECT_EQ(s.takeDue(350, false), 2);   // 100, 200, 300 due: one send
    EXPECT_EQ(s.takeDue(350, false), -1);
    EXPECT_EQ(s.skipped(), 2u);
    uint64_t at;
    ASSERT_TRUE(s.nextDue(&at));
    EXPECT_EQ(at, 400u);
}
