#include <gtest/gtest.h>

#include <string>

#include "terminal/settings/Options.h"

TEST(Options, DefaultsAreThoseThatLeaveTheProgramAsItWas)
{
    Options o;
    EXPECT_EQ(o.lineEnd, uint32_t(Options::lineEndNone));
    EXPECT_TRUE(o.dtrAtOpen);
    EXPECT_TRUE(o.rtsAtOpen);
    EXPECT_EQ(o.pulseMs, 100u);
    EXPECT_EQ(o.breakMs, 250u);
    EXPECT_EQ(o.pauseNewLineMs, 0u);
    EXPECT_STREQ(o.receiveFolder, "");
    EXPECT_TRUE(o.linesAtOpen() == LinesAtOpen());
}

TEST(Options, LineEndsHaveTheirLabelsAndBytes)
{
    const char *labels[] = {"None", "CR", "LF", "CR+LF"};
    const char *bytes[] = {"", "\r", "\n", "\r\n"};
    for (uint32_t i = 0; i < Options::lineEndCount; ++i) {
        EXPECT_STREQ(Options::lineEndLabel(i), labels[i]);
        EXPECT_STREQ(Options::lineEndBytes(i), bytes[i]);
        EXPECT_TRUE(Options::lineEndValid(i));
    }
    EXPECT_EQ(Options::lineEndLabel(4), nullptr);
    EXPECT_STREQ(Options::lineEndBytes(4), "");
    EXPECT_FALSE(Options::lineEndValid(4));
}

TEST(Options, RangesTakeTheirEdgesAndRefuseBeyond)
{
    const struct
    {
        bool (*valid)(uint32_t);
        uint32_t lowest, highest;
    } ranges[] = {{Options::sendDelayValid, 0, 10000},
                  {Options::pulseValid, 1, 10000},
                  {Options::breakValid, 1, 10000},
                  {Options::pauseNewLineValid, 0, 60000}};
    for (const auto &r : ranges) {
        EXPECT_TRUE(r.valid(r.lowest));
        EXPECT_TRUE(r.valid(r.highest));
        EXPECT_FALSE(r.valid(r.highest + 1));
        EXPECT_FALSE(r.valid(0xFFFFFFFFu));
        if (r.lowest > 0) {
            EXPECT_FALSE(r.valid(r.lowest - 1));
        }
    }
}

TEST(Options, AFolderOfUpTo260CharactersIsTakenAndALongerOneRefused)
{
    Options o;
    std::string longest(260, 'x');
    EXPECT_TRUE(o.setReceiveFolder(longest.c_str()));
    EXPECT_EQ(std::string(o.receiveFolder), longest);
    std::string tooLong(261, 'y');
    EXPECT_FALSE(o.setReceiveFolder(tooLong.c_str()));
    EXPECT_EQ(std::string(o.receiveFolder), longest) << "unchanged";
    EXPECT_FALSE(o.setReceiveFolder(nullptr));
    EXPECT_TRUE(o.setReceiveFolder(""));
    EXPECT_STREQ(o.receiveFolder, "");
}

TEST(Options, AStoredFolderCountsOnlyUpToANulInsideItsData)
{
    const struct
    {
        std::string data;
        bool taken;
        const char *folder;
    } cases[] = {
        {std::string("C:\\in\0", 6), true, "C:\\in"},
        {std::string("C:\\in\0junk", 10), true, "C:\\in"},
        {std::string("C:\\in", 5), false, ""},
        {std::string("\0", 1), true, ""},
        {std::string(260, 'a') + '\0', true, nullptr},
        {std::string(261, 'a') + '\0', false, ""},
    };
    for (const auto &c : cases) {
        Options o;
        bool taken = o.setReceiveFolderFrom(reinterpret_cast<const unsigned char *>(c.data.data()), c.data.size());
        EXPECT_EQ(taken, c.taken) << c.data.size();
        if (c.folder) {
            EXPECT_STREQ(o.receiveFolder, c.folder);
        } else {
            EXPECT_EQ(std::string(o.receiveFolder), std::string(260, 'a'));
        }
    }
    Options o;
    EXPECT_FALSE(o.setReceiveFolderFrom(nullptr, 4));
}

TEST(Options, EqualityCoversEveryField)
{
    Options a, b;
    EXPECT_TRUE(a == b);
    b.lineEnd = 1;
    EXPECT_TRUE(a != b);
    b = a;
    b.rtsAtOpen = false;
    EXPECT_TRUE(a != b);
    b = a;
    b.pauseNewLineMs = 5;
    EXPECT_TRUE(a != b);
    b = a;
    b.setReceiveFolder("C:\\x");
    EXPECT_TRUE(a != b);
}
