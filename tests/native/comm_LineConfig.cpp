#include <gtest/gtest.h>

#include "comm/LineConfig.h"

namespace {

LineConfig built(const CommSettings &s)
{
    LineConfig c;
    EXPECT_TRUE(c.build(s));
    return c;
}

} // namespace

TEST(LineConfig, DefaultWordGivesHardwareHandshakeOnBothPairs)
{
    LineConfig c = built(CommSettings());
    EXPECT_EQ(c.baudRate, 9600u);
    EXPECT_EQ(c.byteSize, 8);
    EXPECT_EQ(c.parity, 0);
    EXPECT_EQ(c.stopBits, 0);
    EXPECT_EQ(c.fBinary, 1);
    EXPECT_EQ(c.fParity, 1);
    EXPECT_TRUE(c.setDtrDsr);
    EXPECT_EQ(c.fOutxDsrFlow, 1);
    EXPECT_EQ(c.fDtrControl, LineConfig::dtrControlHandshake);
    EXPECT_EQ(c.fOutxCtsFlow, 1);
    EXPECT_EQ(c.fRtsControl, LineConfig::rtsControlHandshake);
    EXPECT_EQ(c.fOutX, 0);
    EXPECT_EQ(c.fInX, 0);
    EXPECT_EQ(c.xonChar, 0x11);
    EXPECT_EQ(c.xoffChar, 0x13);
    EXPECT_EQ(c.xonLim, 100);
    EXPECT_EQ(c.xoffLim, 100);
    EXPECT_EQ(c.writeTotalMultiplier, 2u);
    EXPECT_EQ(c.writeTotalConstant, LineConfig::writeHoldMs);
    EXPECT_EQ(c.readIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(c.readTotalMultiplier, 0u);
    EXPECT_EQ(c.readTotalConstant, 1000u);
    EXPECT_EQ(LineConfig::dcbLength, 28u);
}

// Every write has a bound, also from 38400 baud up where 19200 / baud is 0.
TEST(LineConfig, WriteMultiplierIsMillisecondsPerByteFor19200OverBaudAndNeverZero)
{
    const uint32_t expected[CommSettings::baudCount] = {174, 64, 32, 16, 8, 4, 2, 1, 1, 1, 1, 1, 1, 1, 1};
    for (unsigned i = 0; i < CommSettings::baudCount; ++i) {
        CommSettings s;
        s.baudIndex = i;
        LineConfig c = built(s);
        EXPECT_EQ(c.baudRate, uint32_t(CommSettings::baudValue(i))) << i;
        EXPECT_EQ(c.writeTotalMultiplier, expected[i]) << "baud " << c.baudRate;
    }
    EXPECT_EQ(LineConfig::writeMultiplierFor(0), 0u);
}

TEST(LineConfig, EveryStopParityAndDataEntryReachesTheLine)
{
    for (unsigned stop = 0; stop < CommSettings::stopBitsCount; ++stop)
        for (unsigned parity = 0; parity < CommSettings::parityCount; ++parity)
            for (unsigned data = 0; data < CommSettings::dataBitsCount; ++data) {
                CommSettings s;
                s.stopBitsIndex = stop;
                s.parityIndex = parity;
                s.dataBitsIndex = data;
                LineConfig c = built(s);
                EXPECT_EQ(c.stopBits, CommSettings::stopBitsValue(stop));
                EXPECT_EQ(c.parity, CommSettings::parityValue(parity));
                EXPECT_EQ(c.byteSize, CommSettings::dataBitsValue(data));
                EXPECT_EQ(c.fParity, 1) << "parity checking stays on";
            }
}

TEST(LineConfig, ParityIndexTwoIsNoParityWithCheckingStillOn)
{
    CommSettings s;
    s.parityIndex = 2;
    LineConfig c = built(s);
    EXPECT_EQ(c.parity, 0);
    EXPECT_EQ(c.fParity, 1);
}

TEST(LineConfig, DtrDsrModesMapToFlowAndControl)
{
    const uint8_t flow[] = {0, 1, 1};
    const uint8_t control[] = {LineConfig::dtrControlDisable, LineConfig::dtrControlEnable,
                               LineConfig::dtrControlHandshake};
    for (unsigned mode = 0; mode < 3; ++mode) {
        CommSettings s;
        s.dtrDsrMode = mode;
        LineConfig c = built(s);
        EXPECT_TRUE(c.setDtrDsr);
        EXPECT_EQ(c.fOutxDsrFlow, flow[mode]);
        EXPECT_EQ(c.fDtrControl, control[mode]);
    }
}

TEST(LineConfig, DtrDsrModeThreeLeavesThePortsOwnSettings)
{
    CommSettings s;
    s.dtrDsrMode = 3;
    LineConfig c = built(s);
    EXPECT_FALSE(c.setDtrDsr);
}

TEST(LineConfig, RtsCtsModesMapToFlowAndControl)
{
    const uint8_t flow[] = {0, 1, 1, 1};
    const uint8_t control[] = {LineConfig::rtsControlDisable, LineConfig::rtsControlEnable,
                               LineConfig::rtsControlHandshake, LineConfig::rtsControlToggle};
    for (unsigned mode = 0; mode < 4; ++mode) {
        CommSettings s;
        s.rtsCtsMode = mode;
        LineConfig c = built(s);
        EXPECT_EQ(c.fOutxCtsFlow, flow[mode]);
        EXPECT_EQ(c.fRtsControl, control[mode]);
    }
}

TEST(LineConfig, XonXoffSwitchesBothDirectionsButNotTheCharacters)
{
    CommSettings s;
    s.xonXoff = 1;
    LineConfig c = built(s);
    EXPECT_EQ(c.fOutX, 1);
    EXPECT_EQ(c.fInX, 1);
    EXPECT_EQ(c.xonChar, 0x11);
    EXPECT_EQ(c.xoffChar, 0x13);
}

TEST(LineConfig, WordsWithIndexesBeyondTheTablesAreRefused)
{
    LineConfig c;
    CommSettings s;
    s.baudIndex = 15;
    EXPECT_FALSE(c.build(s));
    s = CommSettings();
    s.baudIndex = 31;
    EXPECT_FALSE(c.build(s));
    s = CommSettings();
    s.stopBitsIndex = 3;
    EXPECT_FALSE(c.build(s));
    s = CommSettings();
    s.parityIndex = 6;
    EXPECT_FALSE(c.build(s));
    // Every port index names a port, COM1 to COM16.
    s = CommSettings();
    s.portIndex = 12;
    EXPECT_TRUE(c.build(s));
}

// DTR and RTS at open, per flow choice: "Off" drops a line the flow control
// leaves free, and never touches one the handshake owns.
TEST(LineConfig, LinesOffAtOpenDropOnlyTheLinesTheFlowControlLeavesFree)
{
    struct Case
    {
        CommExtras::Flow flow;
        bool dtrOn, rtsOn;
        uint8_t dtr, rts;
    };
    const uint8_t dOff = LineConfig::dtrControlDisable, dOn = LineConfig::dtrControlEnable,
                  dHs = LineConfig::dtrControlHandshake;
    const uint8_t rOff = LineConfig::rtsControlDisable, rOn = LineConfig::rtsControlEnable,
                  rHs = LineConfig::rtsControlHandshake;
    const Case cases[] = {
        {CommExtras::flowNone, true, true, dOn, rOn},          {CommExtras::flowNone, false, true, dOff, rOn},
        {CommExtras::flowNone, true, false, dOn, rOff},        {CommExtras::flowNone, false, false, dOff, rOff},
        {CommExtras::flowXonXoff, false, false, dOff, rOff},   {CommExtras::flowRtsCts, true, true, dOn, rHs},
        {CommExtras::flowRtsCts, false, false, dOff, rHs},     {CommExtras::flowDtrDsr, true, true, dHs, rOn},
        {CommExtras::flowDtrDsr, false, false, dHs, rOff},     {CommExtras::flowBoth, false, false, dHs, rHs},
    };
    for (const Case &k : cases) {
        CommSettings s;
        CommExtras extras;
        extras.setFlow(s, k.flow);
        LinesAtOpen atOpen;
        atOpen.dtrOn = k.dtrOn;
        atOpen.rtsOn = k.rtsOn;
        LineConfig c;
        ASSERT_TRUE(c.build(s, extras, atOpen));
        EXPECT_EQ(c.fDtrControl, k.dtr) << CommExtras::flowLabel(k.flow) << " dtr " << k.dtrOn;
        EXPECT_EQ(c.fRtsControl, k.rts) << CommExtras::flowLabel(k.flow) << " rts " << k.rtsOn;
        EXPECT_TRUE(c.setDtrDsr);
        EXPECT_FALSE(c.setDtrControlOnly);
    }
}

TEST(LineConfig, DtrOffAtOpenUnderModeThreeKeepsTheDsrFlowAndAsksForDtrAlone)
{
    CommSettings s;
    s.dtrDsrMode = 3;
    LinesAtOpen atOpen;
    LineConfig c;
    ASSERT_TRUE(c.build(s, CommExtras(), atOpen));
    EXPECT_FALSE(c.setDtrControlOnly);
    atOpen.dtrOn = false;
    ASSERT_TRUE(c.build(s, CommExtras(), atOpen));
    EXPECT_FALSE(c.setDtrDsr);
    EXPECT_TRUE(c.setDtrControlOnly);
}

TEST(LineConfig, RtsToggleIsOwnedByTheDriverAndKeptAtOpen)
{
    CommSettings s;
    s.rtsCtsMode = 3;
    LinesAtOpen atOpen;
    atOpen.rtsOn = false;
    LineConfig c;
    ASSERT_TRUE(c.build(s, CommExtras(), atOpen));
    EXPECT_EQ(c.fRtsControl, LineConfig::rtsControlToggle);
    EXPECT_TRUE(LineConfig::ownsRts(c.fRtsControl));
    EXPECT_FALSE(LineConfig::ownsRts(LineConfig::rtsControlEnable));
    EXPECT_TRUE(LineConfig::ownsDtr(LineConfig::dtrControlHandshake));
    EXPECT_FALSE(LineConfig::ownsDtr(LineConfig::dtrControlDisable));
}
