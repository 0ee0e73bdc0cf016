// The line's own signals on the terminal's side: DTR and RTS by hand and in
// pulses, the break, the input lamps and the error counts, through what the
// terminal asks of its port (a port object that records the calls, where
// Wine's pseudo-terminals carry no modem lines) and over the real port where
// they do.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/mainWin.h"
#include "comm/PCom.h"
#include "helpers/MessageBoxAnswerer.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "terminal/port/LineControl.h"
#include "terminal/port/PortKeeper.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

struct Call
{
    std::string what;   // "DTR on", "RTS off", "break on", ...
    DWORD at;
};

// A port on COM2 whose modem lines are those of a driver that carries them:
// every change is taken and recorded, with when it came.
class SignalPort : public PCom
{
public:
    explicit SignalPort(HWND notify) : PCom(notify) {}
    bool setLine(ModemLines::Output line, bool raised) override
    {
        if (owned[line])
            return false;
        state[line] = raised;
        calls.push_back({std::string(line == ModemLines::dtr ? "DTR " : "RTS ") + (raised ? "on" : "off"),
                         GetTickCount()});
        return true;
    }
    bool lineRaised(ModemLines::Output line) override { return state[line]; }
    bool lineOwned(ModemLines::Output line) override { return owned[line] || (followFlow && PCom::lineOwned(line)); }
    bool setBreak(bool on) override
    {
        calls.push_back({on ? "break on" : "break off", GetTickCount()});
        return true;
    }
    LineErrors lineErrors() override { return errors; }
    bool signalsRefused() override { return false; }

    static std::vector<Call> calls;
    static LineErrors errors;
    static bool owned[2];
    static bool followFlow;   // the flow control of the real port owns lines too
    bool state[2] = {true, true};
};
std::vector<Call> SignalPort::calls;
LineErrors SignalPort::errors;
bool SignalPort::owned[2] = {false, false};
bool SignalPort::followFlow = false;

PCom *makeSignalPort(HWND notify)
{
    return new SignalPort(notify);
}

// "None": no handshake, both lines free.
const DWORD plainWord = 0x0000D061u;

class LineSignals : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SignalPort::calls.clear();
        SignalPort::errors = LineErrors();
        SignalPort::owned[0] = SignalPort::owned[1] = false;
        SignalPort::followFlow = false;
        storeDword("SetupFlow", 0);
        PortKeeper::factory = makeSignalPort;
    }
    void TearDown() override
    {
        PortKeeper::factory = nullptr;
        removeValue("SetupFlow");
    }
    static std::string whats()
    {
        std::string all;
        for (const Call &c : SignalPort::calls)
            all += c.what + "|";
        return all;
    }
    // Opens COM2 and lets the reader's first report of the inputs through.
    static void open(Terminal &t)
    {
        t.command(IDC_OPENCOMM);
        ASSERT_TRUE(t.client->isPortOpen());
        t.settle(200);
    }
    static void postLine(Terminal &t, uint8_t on, uint8_t changed = 0, bool known = true)
    {
        ModemLines::State s;
        s.on = on;
        s.changed = changed;
        s.known = known;
        PostMessageA(t.dialog(), PWM_COMMLINE, WPARAM(s.pack()), 0);
    }
};

// The frame's Port menu and status bar over a terminal.
class Frame
{
public:
    explicit Frame(Terminal &t) : t(t) {}
    // The item's state as the Port menu opening shows it.
    UINT state(UINT id)
    {
        SendMessageA(t.frame->hwnd, WM_INITMENUPOPUP, WPARAM(GetSubMenu(t.menuBar(), 3)), 0);
        return GetMenuState(t.menuBar(), id, MF_BYCOMMAND);
    }
    bool greyed(UINT id) { return (state(id) & MF_GRAYED) != 0; }
    bool checked(UINT id) { return (state(id) & MF_CHECKED) != 0; }
    void choose(UINT id) { SendMessageA(t.frame->hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // What lamp i's owner-drawn part holds: its look, one up.
    LRESULT lamp(unsigned i)
    {
        char buf[16] = "";
        return SendMessageA(t.statusBar(), SB_GETTEXTA, WPARAM(mainWin::firstLampPart + int(i)), LPARAM(buf));
    }
    static LRESULT shown(LineControl::Look look) { return LRESULT(look) + 1; }
    // The colour inside lamp i, beside its label, as drawn.
    COLORREF lampColour(unsigned i)
    {
        HWND bar = t.statusBar();
        RECT r = {};
        SendMessageA(bar, SB_GETRECT, WPARAM(mainWin::firstLampPart + int(i)), LPARAM(&r));
        UpdateWindow(bar);
        HDC dc = GetDC(bar);
        COLORREF c = GetPixel(dc, r.left + 4, (r.top + r.bottom) / 2);
        ReleaseDC(bar, dc);
        return c;
    }
    std::string note() { return t.status(mainWin::notePart); }

private:
    Terminal &t;
};

const UINT signalItems[] = {IDM_PORT_DTR, IDM_PORT_RTS, IDM_PORT_PULSEDTR, IDM_PORT_PULSERTS, IDM_PORT_BREAK};

} // namespace

TEST_F(LineSignals, TheMenuItemsReachTheirPortCallsForTheTimesTheSettingsKeep)
{
    storeDword("PulseTime", 150);
    storeDword("BreakTime", 200);
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    Frame f(t);
    for (UINT id : signalItems)
        EXPECT_TRUE(f.greyed(id)) << "closed: " << id;
    open(t);
    for (UINT id : signalItems)
        EXPECT_FALSE(f.greyed(id)) << id;
    EXPECT_TRUE(f.checked(IDM_PORT_DTR));
    EXPECT_TRUE(f.checked(IDM_PORT_RTS));
    f.choose(IDM_PORT_DTR);
    EXPECT_FALSE(f.checked(IDM_PORT_DTR));
    f.choose(IDM_PORT_RTS);
    f.choose(IDM_PORT_DTR);
    EXPECT_TRUE(f.checked(IDM_PORT_DTR));
    EXPECT_FALSE(f.checked(IDM_PORT_RTS));
    EXPECT_EQ(whats(), "DTR off|RTS off|DTR on|");

    const struct
    {
        UINT id;
        const char *calls;
        DWORD ms;
    } timed[] = {
        {IDM_PORT_PULSEDTR, "DTR off|DTR on|", 150},
        {IDM_PORT_PULSERTS, "RTS on|RTS off|", 150},   // RTS is low: the pulse raises it
        {IDM_PORT_BREAK, "break on|break off|", 200},
    };
    for (const auto &c : timed) {
        SignalPort::calls.clear();
        DWORD start = GetTickCount();
        f.choose(c.id);
        EXPECT_LT(GetTickCount() - start, 100u) << "the window is not held: " << c.id;
        if (c.id == IDM_PORT_BREAK)
            EXPECT_TRUE(f.greyed(IDM_PORT_BREAK)) << "one break at a time";
        else
            EXPECT_TRUE(f.greyed(c.id == IDM_PORT_PULSEDTR ? IDM_PORT_DTR : IDM_PORT_RTS)) << "the pulse has the line";
        ASSERT_TRUE(t.waitFor([&] { return SignalPort::calls.size() >= 2; }, 5000)) << whats();
        EXPECT_EQ(whats(), c.calls);
        DWORD lasted = SignalPort::calls[1].at - SignalPort::calls[0].at;
        EXPECT_GE(lasted, c.ms - 20) << c.id;
        EXPECT_LE(lasted, c.ms + 500) << c.id;
    }
    EXPECT_FALSE(f.greyed(IDM_PORT_BREAK));
    removeValue("PulseTime");
    removeValue("BreakTime");
}

// A line set by hand, then a flow control that owns it chosen: the port
// opens again under it, and the item greys.
TEST_F(LineSignals, AFlowControlChosenLaterTakesAHandSetLine)
{
    SignalPort::followFlow = true;
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    Frame f(t);
    open(t);
    f.choose(IDM_PORT_RTS);
    EXPECT_EQ(whats(), "RTS off|");
    {
        rig::ModalDriver driver("Communication Setting", [](HWND d) {
            rig::selectComboText(d, IDC_SET_FLOW, "RTS/CTS");
            rig::click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    ASSERT_TRUE(t.client->isPortOpen());
    EXPECT_TRUE(f.greyed(IDM_PORT_RTS));
    EXPECT_TRUE(f.greyed(IDM_PORT_PULSERTS));
    EXPECT_FALSE(f.greyed(IDM_PORT_DTR));
}

TEST_F(LineSignals, TheStatusBarLampsFollowTheInputsAndGreyWhileClosed)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    Frame f(t);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(f.lamp(i), Frame::shown(LineControl::grey)) << "closed: " << i;
    open(t);
    DWORD start = GetTickCount();
    postLine(t, ModemLines::cts | ModemLines::dcd, ModemLines::cts | ModemLines::dcd);
    ASSERT_TRUE(t.waitFor([&] { return f.lamp(0) == Frame::shown(LineControl::lit); }, 1000));
    DWORD took = GetTickCount() - start;
    std::printf("lamp shown %lu ms after the port's report\n", static_cast<unsigned long>(took));
    EXPECT_LE(took, 100u);
    const LineControl::Look expected[4] = {LineControl::lit, LineControl::dark, LineControl::lit, LineControl::dark};
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(f.lamp(i), Frame::shown(expected[i])) << ModemLines::inputLabel(i);
    EXPECT_EQ(f.lampColour(0), RGB(0, 224, 0)) << "lit";
    EXPECT_EQ(f.lampColour(1), RGB(0, 72, 0)) << "dark";
    postLine(t, 0, 0, false);   // the driver cannot say
    ASSERT_TRUE(t.waitFor([&] { return f.lamp(0) == Frame::shown(LineControl::grey); }, 1000));
    EXPECT_EQ(f.lampColour(0), GetSysColor(COLOR_BTNFACE)) << "greyed";
    t.command(IDC_OPENCOMM);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(f.lamp(i), Frame::shown(LineControl::grey)) << "closed again: " << i;
}

TEST_F(LineSignals, TheNoteCountsTheLineErrorsOnceThereAreAny)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    Frame f(t);
    open(t);
    EXPECT_EQ(f.note(), "");
    SignalPort::errors.framing = 12;
    SignalPort::errors.overrun = 1;
    postLine(t, 0);
    ASSERT_TRUE(t.waitFor([&] { return !f.note().empty(); }, 1000));
    EXPECT_EQ(f.note(), "errors: 12 framing, 1 overrun");
    t.command(IDC_OPENCOMM);
    EXPECT_EQ(f.note(), "") << "counted since the port opened";
}

// Over the real port, whose pseudo-terminal carries no modem signals: the
// status bar says so (no box), the lamps grey and the port stays open.
TEST(LineSignalsOnWine, TheStatusBarSaysThatTheDriverCarriesNoSignals)
{
    storeDword("SetupFlow", 0);
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    Frame f(t);
    MessageBoxAnswerer none(IDOK, 1, 3000);
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    f.choose(IDM_PORT_DTR);   // refused by the driver
    EXPECT_TRUE(t.waitFor([&] { return f.note() == LineControl::noSignalsNotice; }, 2000)) << f.note();
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(f.lamp(i), Frame::shown(LineControl::grey)) << i;
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_EQ(none.answeredCount(), 0);
    t.command(IDC_OPENCOMM);
    EXPECT_EQ(f.note(), "") << "gone with the port";
    removeValue("SetupFlow");
}

// The greying under each flow choice and the check of a raised line, with
// the at-open choices, on the real port.
TEST(LineSignalsOnWine, TheMenuGreysTheLinesTheFlowOwnsAndChecksTheRaisedOnes)
{
    const struct
    {
        DWORD word;
        DWORD flow;   // "SetupFlow", or ~0 for none stored
        bool dtrAtOpen, rtsAtOpen;
        bool dtrFree, rtsFree;
    } cases[] = {
        {0x0000D061u, 0, true, true, true, true},                   // None
        {0x0000D061u, 0, false, true, true, true},                  // None, DTR at open "Off"
        {0x0000D061u, 0, true, false, true, true},                  // None, RTS at open "Off"
        {0x0008D061u, 2, true, true, true, false},                  // RTS/CTS
        {0x0002D061u, 3, true, true, false, true},                  // DTR/DSR
        {0x000AD061u, 0xFFFFFFFFu, true, true, false, false}        // both (the default word)
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        if (c.flow != 0xFFFFFFFFu)
            storeDword("SetupFlow", c.flow);
        else
            removeValue("SetupFlow");
        storeDword("DtrAtOpen", c.dtrAtOpen ? 1 : 0);
        storeDword("RtsAtOpen", c.rtsAtOpen ? 1 : 0);
        Terminal t(c.word);
        ASSERT_TRUE(t.ready());
        Frame f(t);
        f.choose(IDM_PORT_OPENCLOSE);
        ASSERT_TRUE(t.client->isPortOpen());
        EXPECT_EQ(f.greyed(IDM_PORT_DTR), !c.dtrFree);
        EXPECT_EQ(f.greyed(IDM_PORT_PULSEDTR), !c.dtrFree);
        EXPECT_EQ(f.greyed(IDM_PORT_RTS), !c.rtsFree);
        EXPECT_EQ(f.greyed(IDM_PORT_PULSERTS), !c.rtsFree);
        EXPECT_FALSE(f.greyed(IDM_PORT_BREAK));
        if (c.dtrFree) {
            EXPECT_EQ(f.checked(IDM_PORT_DTR), c.dtrAtOpen) << "at open";
        }
        if (c.rtsFree) {
            EXPECT_EQ(f.checked(IDM_PORT_RTS), c.rtsAtOpen) << "at open";
        }
        f.choose(IDM_PORT_OPENCLOSE);
    }
    removeValue("SetupFlow");
    removeValue("DtrAtOpen");
    removeValue("RtsAtOpen");
}

TEST_F(LineSignals, HandSetLinesReachThePortAndOnlyWhileItIsOpen)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    LineControl &lines = t.client->lineSignals();
    EXPECT_FALSE(lines.canMove(ModemLines::dtr)) << "closed";
    EXPECT_FALSE(lines.toggle(ModemLines::dtr));
    EXPECT_FALSE(lines.canBreak());
    open(t);
    EXPECT_TRUE(lines.canMove(ModemLines::dtr));
    EXPECT_TRUE(lines.isRaised(ModemLines::dtr));
    EXPECT_TRUE(lines.toggle(ModemLines::dtr));
    EXPECT_FALSE(lines.isRaised(ModemLines::dtr));
    EXPECT_TRUE(lines.toggle(ModemLines::rts));
    EXPECT_TRUE(lines.toggle(ModemLines::dtr));
    EXPECT_EQ(whats(), "DTR off|RTS off|DTR on|");
}

TEST_F(LineSignals, PulsesLastTheirTimeWhileTheWindowAnswersAndOneChosenMeanwhileWaits)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    DWORD start = GetTickCount();
    ASSERT_TRUE(lines.pulse(ModemLines::dtr, 200));
    ASSERT_TRUE(lines.pulse(ModemLines::dtr, 200));   // waits for the first
    EXPECT_LT(GetTickCount() - start, 100u) << "the window is not held";
    EXPECT_TRUE(lines.isPulsing(ModemLines::dtr));
    EXPECT_FALSE(lines.toggle(ModemLines::dtr)) << "the pulse has the line";
    ASSERT_TRUE(t.waitFor([&] { return SignalPort::calls.size() >= 4; }, 5000)) << whats();
    EXPECT_FALSE(lines.isPulsing(ModemLines::dtr));
    EXPECT_EQ(whats(), "DTR off|DTR on|DTR off|DTR on|");
    const std::vector<Call> &c = SignalPort::calls;
    for (size_t i : {size_t(1), size_t(3)}) {
        DWORD lasted = c[i].at - c[i - 1].at;
        EXPECT_GE(lasted, 180u) << i;
        EXPECT_LE(lasted, 700u) << i;
    }
    EXPECT_GE(c[2].at, c[1].at);
}

TEST_F(LineSignals, APulseOfALowLineRaisesItAndPutsItBack)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    ASSERT_TRUE(lines.toggle(ModemLines::rts));
    ASSERT_TRUE(lines.pulse(ModemLines::rts, 50));
    ASSERT_TRUE(t.waitFor([&] { return SignalPort::calls.size() >= 3; }, 5000));
    EXPECT_EQ(whats(), "RTS off|RTS on|RTS off|");
    EXPECT_FALSE(lines.isRaised(ModemLines::rts));
}

TEST_F(LineSignals, BreakLastsItsTimeAndASecondWaitsForNothing)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    ASSERT_TRUE(lines.sendBreak(250));
    EXPECT_FALSE(lines.sendBreak(250)) << "one break at a time";
    EXPECT_FALSE(lines.canBreak());
    ASSERT_TRUE(t.waitFor([&] { return SignalPort::calls.size() >= 2; }, 5000));
    EXPECT_EQ(whats(), "break on|break off|");
    DWORD lasted = SignalPort::calls[1].at - SignalPort::calls[0].at;
    EXPECT_GE(lasted, 230u);
    EXPECT_LE(lasted, 750u);
    EXPECT_TRUE(lines.canBreak());
}

// The device goes (or the port is closed) in the middle of a pulse: the
// pulse ends there, and the old port is never called again.
TEST_F(LineSignals, APulseEndsWithItsPortAndNothingWaits)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    ASSERT_TRUE(lines.pulse(ModemLines::dtr, 300));
    ASSERT_TRUE(lines.pulse(ModemLines::dtr, 300));
    ASSERT_TRUE(lines.sendBreak(300));
    t.command(IDC_OPENCOMM);   // closes
    ASSERT_FALSE(t.client->isPortOpen());
    t.settle(700);
    EXPECT_EQ(whats(), "DTR off|break on|");
    EXPECT_FALSE(lines.isPulsing(ModemLines::dtr));
    EXPECT_FALSE(lines.isBreaking());
    open(t);
    EXPECT_FALSE(lines.isPulsing(ModemLines::dtr)) << "the waiting pulse went with the old port";
}

TEST_F(LineSignals, ALineTheFlowControlOwnsCannotBeMovedOrPulsed)
{
    SignalPort::owned[ModemLines::rts] = true;
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    EXPECT_FALSE(lines.canMove(ModemLines::rts));
    EXPECT_FALSE(lines.toggle(ModemLines::rts));
    EXPECT_FALSE(lines.pulse(ModemLines::rts, 50));
    EXPECT_TRUE(lines.canMove(ModemLines::dtr));
    EXPECT_EQ(whats(), "");
}

TEST_F(LineSignals, LampsFollowTheInputsThePortReports)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    LineControl &lines = t.client->lineSignals();
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(lines.lamp(i), LineControl::grey) << "closed: " << i;
    open(t);
    postLine(t, ModemLines::cts | ModemLines::dcd);
    t.settle(50);
    const LineControl::Look expected[4] = {LineControl::lit, LineControl::dark, LineControl::lit, LineControl::dark};
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(lines.lamp(i), expected[i]) << ModemLines::inputLabel(i);
    postLine(t, 0, 0, false);   // the driver cannot say
    t.settle(50);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(lines.lamp(i), LineControl::grey) << "unknown: " << i;
    t.command(IDC_OPENCOMM);
    EXPECT_EQ(lines.lamp(0), LineControl::grey) << "closed again";
}

// A ring of a few milliseconds, on and off before the window drew anything:
// the RI lamp is lit for a moment all the same, then dark.
TEST_F(LineSignals, ARingFasterThanTheLampIsStillShownForAMoment)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    postLine(t, 0);
    postLine(t, ModemLines::ring, ModemLines::ring);
    postLine(t, 0, ModemLines::ring);
    t.settle(30);
    EXPECT_EQ(lines.lamp(3), LineControl::lit);
    ASSERT_TRUE(t.waitFor([&] { return lines.lamp(3) == LineControl::dark; }, 2000));
    // A ring seen only as the event (the status read after it already off),
    // once the dark lamp has had its own moment.
    postLine(t, 0, ModemLines::ring);
    ASSERT_TRUE(t.waitFor([&] { return lines.lamp(3) == LineControl::lit; }, 1000));
    ASSERT_TRUE(t.waitFor([&] { return lines.lamp(3) == LineControl::dark; }, 2000));
}

TEST_F(LineSignals, ErrorCountsFollowWhatThePortCounted)
{
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    open(t);
    LineControl &lines = t.client->lineSignals();
    char text[64];
    lines.errorText(text, sizeof text);
    EXPECT_STREQ(text, "");
    SignalPort::errors.framing = 12;
    SignalPort::errors.overrun = 1;
    postLine(t, 0);
    t.settle(50);
    lines.errorText(text, sizeof text);
    EXPECT_STREQ(text, "errors: 12 framing, 1 overrun");
    t.command(IDC_OPENCOMM);
    lines.errorText(text, sizeof text);
    EXPECT_STREQ(text, "") << "counted since the port opened";
}

// Over the real port: Wine's pseudo-terminal refuses DTR and RTS. No box, no
// loss, the port stays open and the refusal is said once.
TEST(LineSignalsOnWine, ARefusedLineIsSaidOnceWithoutABoxAndThePortStaysOpen)
{
    storeDword("SetupFlow", 0);
    Terminal t(plainWord);
    ASSERT_TRUE(t.ready());
    MessageBoxAnswerer none(IDOK, 1, 3000);
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    LineControl &lines = t.client->lineSignals();
    EXPECT_FALSE(lines.toggle(ModemLines::dtr));
    EXPECT_FALSE(lines.pulse(ModemLines::rts, 50));
    EXPECT_TRUE(lines.sendBreak(50)) << "Wine takes the break calls";
    t.settle(300);
    // Taken by the status bar, which says it.
    EXPECT_FALSE(lines.takeRefusal()) << "once";
    EXPECT_EQ(t.status(mainWin::notePart), LineControl::noSignalsNotice);
    EXPECT_STREQ(LineControl::noSignalsNotice, "The driver does not carry the signals");
    EXPECT_TRUE(t.client->isPortOpen());
    EXPECT_FALSE(t.client->isWaitingForPort());
    EXPECT_EQ(none.answeredCount(), 0);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(lines.lamp(i), LineControl::grey) << "Wine cannot say: " << i;
    removeValue("SetupFlow");
}

TEST(LineSignalsOnWine, EachFlowChoiceLeavesTheLinesItDoesNotOwnToTheHand)
{
    const struct
    {
        DWORD word;
        DWORD flow;   // "SetupFlow", or ~0 for none stored
        bool dtr, rts;
    } cases[] = {
        {0x0000D061u, 0, true, true},           // None
        {0x0008D061u, 2, true, false},          // RTS/CTS
        {0x0002D061u, 3, false, true},          // DTR/DSR
        {0x000AD061u, 0xFFFFFFFFu, false, false}  // both (the default word)
    };
    for (const auto &c : cases) {
        if (c.flow != 0xFFFFFFFFu)
            storeDword("SetupFlow", c.flow);
        else
            removeValue("SetupFlow");
        Terminal t(c.word);
        ASSERT_TRUE(t.ready());
        t.command(IDC_OPENCOMM);
        ASSERT_TRUE(t.client->isPortOpen()) << std::hex << c.word;
        LineControl &lines = t.client->lineSignals();
        EXPECT_EQ(lines.canMove(ModemLines::dtr), c.dtr) << std::hex << c.word;
        EXPECT_EQ(lines.canMove(ModemLines::rts), c.rts) << std::hex << c.word;
        t.command(IDC_OPENCOMM);
    }
    removeValue("SetupFlow");
}
