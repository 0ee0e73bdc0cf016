#include <gtest/gtest.h>

#include <string>

#include <cstring>

#include "comm/CommSettings.h"

TEST(CommSettings, DefaultIsCom2At9600EightNoneOneWithHardwareHandshake)
{
    CommSettings s;
    EXPECT_EQ(s.toWord(), 0x000AD061u);
    EXPECT_EQ(CommSettings::defaultWord, 0x000AD061u);
    EXPECT_EQ(s.portIndex, 1u);
    EXPECT_EQ(s.baudIndex, 6u);
    EXPECT_EQ(s.stopBitsIndex, 0u);
    EXPECT_EQ(s.parityIndex, 2u);
    EXPECT_EQ(s.dataBitsIndex, 3u);
    EXPECT_EQ(s.dtrDsrMode, 2u);
    EXPECT_EQ(s.rtsCtsMode, 2u);
    EXPECT_EQ(s.xonXoff, 0u);
    EXPECT_EQ(s.baudRate(), 9600);
    EXPECT_EQ(s.dataBits(), 8);
    EXPECT_EQ(s.parity(), 0);
    EXPECT_EQ(s.stopBits(), 0);
    EXPECT_TRUE(s.isValid());
}

TEST(CommSettings, FieldsPackLeastSignificantBitFirst)
{
    struct Case { const char *field; unsigned value; uint32_t word; };
    const Case cases[] = {
        {"port", 0xF, 0xFu},          {"baud", 0x1F, 0x1Fu << 4},  {"stop", 3, 3u << 9},
        {"parity", 7, 7u << 11},      {"data", 3, 3u << 14},       {"dtr", 3, 3u << 16},
        {"rts", 3, 3u << 18},         {"xon", 1, 1u << 20},
    };
    for (const Case &c : cases) {
        CommSettings s(0);
        if (!std::strcmp(c.field, "port")) s.portIndex = c.value;
        if (!std::strcmp(c.field, "baud")) s.baudIndex = c.value;
        if (!std::strcmp(c.field, "stop")) s.stopBitsIndex = c.value;
        if (!std::strcmp(c.field, "parity")) s.parityIndex = c.value;
        if (!std::strcmp(c.field, "data")) s.dataBitsIndex = c.value;
        if (!std::strcmp(c.field, "dtr")) s.dtrDsrMode = c.value;
        if (!std::strcmp(c.field, "rts")) s.rtsCtsMode = c.value;
        if (!std::strcmp(c.field, "xon")) s.xonXoff = c.value;
        EXPECT_EQ(s.toWord(), c.word) << c.field;
        EXPECT_EQ(CommSettings(c.word).toWord(), c.word) << c.field;
    }
}

// Bits 21-31 mean nothing to this program, but a stored word may carry them
// (another version, a hand edit): unpacking and packing again keeps them, and
// changing a field leaves them alone.
TEST(CommSettings, ReservedBitsSurviveUnpackingAndFieldChanges)
{
    const uint32_t reservedBits[] = {0xFFE00000u, 0x00200000u, 0x80000000u, 0x55400000u};
    for (uint32_t r : reservedBits) {
        CommSettings s(r | 0x000AD061u);
        EXPECT_EQ(s.toWord(), r | 0x000AD061u);
        EXPECT_EQ(s.reserved, r >> 21);
        s.portIndex = 3;
        s.baudIndex = 12;
        s.xonXoff = 1;
        EXPECT_EQ(s.toWord() & 0xFFE00000u, r);
        EXPECT_EQ(s.toWord() & 0x001FFFFFu, (0x000AD061u & ~0xFu & ~(0x1Fu << 4)) | 3u | (12u << 4) | (1u << 20));
        CommSettings copy;
        copy.fromWord(s.toWord());
        EXPECT_EQ(copy.toWord(), s.toWord());
    }
    EXPECT_TRUE(CommSettings(0xFFE00000u | 0x000AD061u).isValid());
    EXPECT_EQ(CommSettings().reserved, 0u);
}

TEST(CommSettings, EveryWordOfTheFieldsRoundTrips)
{
    for (uint32_t word = 0; word < (1u << 21); word += 97) {
        ASSERT_EQ(CommSettings(word).toWord(), word);
    }
}

TEST(CommSettings, PortFieldNamesCom1ToCom16OpenedByDevicePath)
{
    ASSERT_EQ(CommSettings::portCount, 8u);
    const char *expected[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                              "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16"};
    for (unsigned i = 0; i < 16; ++i) {
        EXPECT_STREQ(CommSettings::portLabel(i), expected[i]);
        CommSettings s;
        s.portIndex = i;
        EXPECT_TRUE(s.isValid()) << i;
        char name[16];
        ASSERT_TRUE(s.deviceName(name, sizeof name));
        EXPECT_EQ(std::string(name), std::string("\\\\.\\") + expected[i]);
    }
}

TEST(CommSettings, PortNamesAndPathsCoverCom1ToCom256Only)
{
    struct Case { unsigned number; const char *name; const char *path; };
    const Case cases[] = {{1, "COM1", "\\\\.\\COM1"}, {10, "COM10", "\\\\.\\COM10"},
                          {256, "COM256", "\\\\.\\COM256"}, {0, "", ""}, {257, "", ""}};
    for (const Case &c : cases) {
        char name[16] = "x", path[16] = "x";
        EXPECT_EQ(CommSettings::portName(c.number, name, sizeof name), *c.name != 0) << c.number;
        EXPECT_EQ(CommSettings::devicePath(c.number, path, sizeof path), *c.path != 0) << c.number;
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(path, c.path);
    }
    // "\\.\COM256" needs 11 bytes with its terminator.
    char path[10] = "x";
    EXPECT_FALSE(CommSettings::devicePath(256, path, sizeof path));
    EXPECT_STREQ(path, "");
}

TEST(CommSettings, PortNamesParseBackToTheirNumbers)
{
    struct Case { const char *text; unsigned number; };
    const Case cases[] = {{"COM1", 1},   {"com12", 12}, {"COM256", 256}, {"COM257", 0}, {"COM0", 0},
                          {"COM012", 0}, {"COM", 0},    {"COM1x", 0},    {"LPT1", 0},   {"COM1000", 0},
                          {"", 0},       {nullptr, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(CommSettings::parsePortName(c.text), c.number) << (c.text ? c.text : "null");
}

TEST(CommSettings, BaudTableHasFifteenRatesWithDottedLabels)
{
    const long values[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                           56000, 57600, 115200, 128000, 256000};
    const char *labels[] = {"110", "300", "600", "1.200", "2.400", "4.800", "9.600", "14.400",
                            "19.200", "38.400", "56.000", "57.600", "115.200", "128.000", "256.000"};
    ASSERT_EQ(CommSettings::baudCount, 15u);
    for (unsigned i = 0; i < 15; ++i) {
        EXPECT_EQ(CommSettings::baudValue(i), values[i]);
        EXPECT_STREQ(CommSettings::baudLabel(i), labels[i]);
    }
}

TEST(CommSettings, StopBitsParityAndDataTablesHoldPlatformValues)
{
    EXPECT_STREQ(CommSettings::stopBitsLabel(0), "ONESTOPBIT");
    EXPECT_STREQ(CommSettings::stopBitsLabel(1), "ONE5STOPBITS");
    EXPECT_STREQ(CommSettings::stopBitsLabel(2), "TWOSTOPBITS");
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(CommSettings::stopBitsValue(i), long(i));

    const char *parities[] = {"EVENPARITY", "MARKPARITY", "NOPARITY", "ODDPARITY", "SPACEPARITY"};
    const long parityValues[] = {2, 3, 0, 1, 4};
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_STREQ(CommSettings::parityLabel(i), parities[i]);
        EXPECT_EQ(CommSettings::parityValue(i), parityValues[i]);
    }

    const char *lengths[] = {"5", "6", "7", "8"};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_STREQ(CommSettings::dataBitsLabel(i), lengths[i]);
        EXPECT_EQ(CommSettings::dataBitsValue(i), long(5 + i));
    }
}

TEST(CommSettings, IndexesBeyondTheTablesAreNeverLookedUp)
{
    EXPECT_EQ(CommSettings::portLabel(16), nullptr);
    EXPECT_EQ(CommSettings::baudLabel(15), nullptr);
    EXPECT_EQ(CommSettings::baudValue(31), -1);
    EXPECT_EQ(CommSettings::stopBitsLabel(3), nullptr);
    EXPECT_EQ(CommSettings::stopBitsValue(3), -1);
    EXPECT_EQ(CommSettings::parityLabel(5), nullptr);
    EXPECT_EQ(CommSettings::parityValue(7), -1);
    EXPECT_EQ(CommSettings::dataBitsLabel(4), nullptr);
    EXPECT_EQ(CommSettings::dataBitsValue(4), -1);
    EXPECT_EQ(CommSettings::baudValue(~0u), -1);
}

TEST(CommSettings, AWordWithAnyIndexBeyondItsTableIsInvalid)
{
    CommSettings s;
    s.baudIndex = 15;
    EXPECT_FALSE(s.isValid());
    EXPECT_EQ(s.baudRate(), -1);
    s = CommSettings();
    s.stopBitsIndex = 3;
    EXPECT_FALSE(s.isValid());
    s = CommSettings();
    s.parityIndex = 5;
    EXPECT_FALSE(s.isValid());
    // Four data lengths fill the two bits: every data index is in the table.
    s = CommSettings();
    s.dataBitsIndex = 3;
    EXPECT_TRUE(s.isValid());
}

TEST(CommSettings, DeviceNameNeedsRoomForTheTerminator)
{
    CommSettings s;
    char name[8] = "abc";
    EXPECT_FALSE(s.deviceName(name, sizeof name));
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(s.deviceName(nullptr, 10));
}
