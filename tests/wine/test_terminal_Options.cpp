// The settings dialog's further fields (line end, DTR and RTS at open, pulse,
// break, the pause that ends a line, the folder for received files): their
// place in the dialog, their checks, and what the registry keeps of them.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "helpers/MessageBoxAnswerer.h"
#include "terminal/settings/P_Param.h"
#include "terminal/settings/Settings.h"
#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

const char *const caption = "Communication Setting";
const char *const optionNames[] = {"LineEnd",   "DtrAtOpen",    "RtsAtOpen",    "PulseTime",
                                   "BreakTime", "PauseNewLine", "ReceiveFolder"};

void storeRaw(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

bool readRaw(const char *name, DWORD &type, std::string &data)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buf[600];
    DWORD size = sizeof buf;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buf), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS)
        return false;
    data.assign(buf, size);
    return true;
}

std::string textOf(HWND dialog, int id)
{
    char buf[400] = "";
    GetDlgItemTextA(dialog, id, buf, sizeof buf);
    return buf;
}

std::vector<std::string> comboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char buf[64] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < LRESULT(sizeof buf))
            SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
        items.push_back(buf);
    }
    return items;
}

class OptionFields : public ::testing::Test
{
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        for (const char *name : optionNames)
            removeValue(name);
    }

    // The dialog alone, with options, driven by act.
    int run(Options &options, std::function<void(HWND)> act, uint32_t *delayOut = nullptr)
    {
        CommSettings word(0x000AD061u);
        uint32_t delay = 0;
        ModalDriver driver(caption, std::move(act));
        P_Param dialog(&word, &delay, nullptr, IDD_SETTINGS, nullptr);
        dialog.setOptions(&options);
        int result = dialog.execute();
        EXPECT_TRUE(driver.finish());
        if (delayOut)
            *delayOut = delay;
        return result;
    }
};

} // namespace

// Tab order and screen readers follow the control order: each field comes
// right after the label that names it (as a template writes them).
TEST_F(OptionFields, EachFieldFollowsItsLabelInTheControlOrder)
{
    Options options;
    std::vector<int> order;
    run(options, [&](HWND d) {
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            order.push_back(GetDlgCtrlID(c));
        click(d, IDCANCEL);
    });
    const struct
    {
        int label, field;
        const char *text;
    } pairs[] = {
        {IDC_SET_LINEENDLABEL, IDC_SET_LINEEND, "Line End"},
        {IDC_SET_DTRLABEL, IDC_SET_DTRATOPEN, "DTR at open"},
        {IDC_SET_RTSLABEL, IDC_SET_RTSATOPEN, "RTS at open"},
        {IDC_SET_PULSELABEL, IDC_SET_PULSE, "Pulse (ms)"},
        {IDC_SET_BREAKLABEL, IDC_SET_BREAK, "Break (ms)"},
        {IDC_SET_PAUSELABEL, IDC_SET_PAUSE, "New line after a pause of (ms)"},
        {IDC_SET_FOLDERLABEL, IDC_SET_FOLDER, "Receive into"},
        {IDC_SET_FOLDER, IDC_SET_FOLDERPICK, "..."},
        {IDC_SET_DELAYLABEL, IDC_SET_DELAY, nullptr},
        {IDC_SET_FLOWLABEL, IDC_SET_FLOW, nullptr},
        {IDC_SET_TRANSFERLABEL, IDC_SET_TRANSFER, nullptr},
    };
    for (const auto &p : pairs) {
        auto label = std::find(order.begin(), order.end(), p.label);
        ASSERT_NE(label, order.end()) << p.label;
        ASSERT_NE(label + 1, order.end()) << p.label;
        EXPECT_EQ(*(label + 1), p.field) << "after " << (p.text ? p.text : "an old label");
    }
    std::string texts;
    run(options, [&](HWND d) {
        for (const auto &p : pairs)
            if (p.text)
                texts += textOf(d, p.label == IDC_SET_FOLDER ? IDC_SET_FOLDERPICK : p.label) + "|";
        click(d, IDCANCEL);
    });
    EXPECT_EQ(texts, "Line End|DTR at open|RTS at open|Pulse (ms)|Break (ms)|New line after a pause of (ms)|"
                     "Receive into|...|");
}

TEST_F(OptionFields, FieldsShowTheDefaultsAndTheListsTheirChoices)
{
    Options options;
    std::vector<std::string> lineEnds, dtr, rts;
    std::string lineEnd, dtrShown, rtsShown, pulse, brk, pause, folder;
    run(options, [&](HWND d) {
        lineEnds = comboItems(GetDlgItem(d, IDC_SET_LINEEND));
        dtr = comboItems(GetDlgItem(d, IDC_SET_DTRATOPEN));
        rts = comboItems(GetDlgItem(d, IDC_SET_RTSATOPEN));
        lineEnd = comboSelection(GetDlgItem(d, IDC_SET_LINEEND));
        dtrShown = comboSelection(GetDlgItem(d, IDC_SET_DTRATOPEN));
        rtsShown = comboSelection(GetDlgItem(d, IDC_SET_RTSATOPEN));
        pulse = textOf(d, IDC_SET_PULSE);
        brk = textOf(d, IDC_SET_BREAK);
        pause = textOf(d, IDC_SET_PAUSE);
        folder = textOf(d, IDC_SET_FOLDER);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(lineEnds, (std::vector<std::string>{"None", "CR", "LF", "CR+LF"}));
    EXPECT_EQ(dtr, (std::vector<std::string>{"On", "Off"}));
    EXPECT_EQ(rts, dtr);
    EXPECT_EQ(lineEnd, "None");
    EXPECT_EQ(dtrShown, "On");
    EXPECT_EQ(rtsShown, "On");
    EXPECT_EQ(pulse, "100");
    EXPECT_EQ(brk, "250");
    EXPECT_EQ(pause, "0");
    EXPECT_EQ(folder, "");
}

// An entry out of range is named in a warning and the dialog stays, with
// the field to mend in focus; nothing is stored.
TEST_F(OptionFields, EntriesOutOfRangeAreRefusedWithAWarningAndTheDialogStays)
{
    const struct
    {
        int id;
        const char *text;
        const char *warning;
    } cases[] = {
        {IDC_SET_PULSE, "0", "Pulse (ms) is 1 to 10000 ms."},
        {IDC_SET_PULSE, "10001", "Pulse (ms) is 1 to 10000 ms."},
        {IDC_SET_PULSE, "", "Pulse (ms) is 1 to 10000 ms."},
        {IDC_SET_BREAK, "0", "Break (ms) is 1 to 10000 ms."},
        {IDC_SET_BREAK, "99999999999", "Break (ms) is 1 to 10000 ms."},
        {IDC_SET_PAUSE, "60001", "The pause that ends a line is 0 (off) to 60000 ms."},
        {IDC_SET_DELAY, "10001", "The delay between bytes is 0 to 10000 ms."},
        {IDC_SET_DELAY, "4294967295", "The delay between bytes is 0 to 10000 ms."},
    };
    for (const auto &c : cases) {
        Options options;
        options.pulseMs = 7;
        const Options before = options;
        MessageBoxAnswerer answerer(IDOK, 1, 10000);
        bool stayed = false, focused = false;
        int result = run(options, [&](HWND d) {
            SetDlgItemTextA(d, c.id, c.text);
            click(d, IDOK);
            stayed = answerer.waitAnswered(1, 5000) && IsWindow(d);
            Sleep(100);
            GUITHREADINFO info;
            std::memset(&info, 0, sizeof info);
            info.cbSize = sizeof info;
            focused = GetGUIThreadInfo(GetWindowThreadProcessId(d, nullptr), &info) &&
                      info.hwndFocus == GetDlgItem(d, c.id);
            click(d, IDCANCEL);
        });
        EXPECT_TRUE(stayed) << c.text;
        EXPECT_TRUE(focused) << c.text;
        EXPECT_EQ(answerer.text(0), c.warning) << c.text;
        EXPECT_EQ(answerer.caption(0), caption);
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(options == before);
    }
}

TEST_F(OptionFields, TheEdgesOfEachRangeAreTaken)
{
    Options options;
    uint32_t delay = 1;
    int result = run(
        options,
        [&](HWND d) {
            selectComboText(d, IDC_SET_LINEEND, "CR+LF");
            selectComboText(d, IDC_SET_DTRATOPEN, "Off");
            SetDlgItemTextA(d, IDC_SET_PULSE, "1");
            SetDlgItemTextA(d, IDC_SET_BREAK, "10000");
            SetDlgItemTextA(d, IDC_SET_PAUSE, "60000");
            SetDlgItemTextA(d, IDC_SET_DELAY, "10000");
            SetDlgItemTextA(d, IDC_SET_FOLDER, "C:\\logs");
            click(d, IDOK);
        },
        &delay);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(options.lineEnd, uint32_t(Options::lineEndCrLf));
    EXPECT_FALSE(options.dtrAtOpen);
    EXPECT_TRUE(options.rtsAtOpen);
    EXPECT_EQ(options.pulseMs, 1u);
    EXPECT_EQ(options.breakMs, 10000u);
    EXPECT_EQ(options.pauseNewLineMs, 60000u);
    EXPECT_EQ(delay, 10000u);
    EXPECT_STREQ(options.receiveFolder, "C:\\logs");
}

TEST_F(OptionFields, DefaultSettingPutsTheFieldsBackButKeepsTheFolder)
{
    Options options;
    options.lineEnd = Options::lineEndLf;
    options.rtsAtOpen = false;
    options.pulseMs = 20;
    options.breakMs = 900;
    options.pauseNewLineMs = 30;
    options.setReceiveFolder("C:\\in");
    run(options, [&](HWND d) {
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SET_DEFAULT, BN_CLICKED), LPARAM(GetDlgItem(d, IDC_SET_DEFAULT)));
        click(d, IDOK);
    });
    Options expected;
    expected.setReceiveFolder("C:\\in");
    EXPECT_TRUE(options == expected);
}

// The "..." button opens the system's folder chooser over the dialog, in
// the folder the field names; the folder taken goes into the field.
TEST_F(OptionFields, TheFolderButtonPutsTheChosenFolderIntoTheField)
{
    // Wine's chooser finds a start folder on C: in its tree, not one on Z:
    // (the host's root, where the test's own folder lies): it then starts
    // on the desktop.
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string dir = windows;
    Options options;
    options.setReceiveFolder(dir.c_str());
    std::string before, after;
    bool chooserSeen = false;
    run(options, [&](HWND d) {
        SetDlgItemTextA(d, IDC_SET_FOLDER, "");
        storeFolder(dir);   // an empty field starts in the last folder used
        click(d, IDC_SET_FOLDERPICK);
        HWND chooser = nullptr;
        DWORD start = GetTickCount();
        while (!chooser && GetTickCount() - start < 5000) {
            Sleep(20);
            for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
                if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == d)
                    chooser = w;
        }
        chooserSeen = chooser != nullptr;
        if (chooser) {
            Sleep(300);   // the tree fills and selects the start folder
            PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(chooser, IDOK)));
            waitGone(chooser, 5000);
        }
        after = textOf(d, IDC_SET_FOLDER);
        click(d, IDOK);
    });
    removeValue("OldPath");
    EXPECT_TRUE(chooserSeen);
    EXPECT_EQ(lstrcmpiA(after.c_str(), dir.c_str()), 0) << after << " against " << dir;
    EXPECT_EQ(lstrcmpiA(options.receiveFolder, dir.c_str()), 0);
}

// Through the terminal: what "Se&tup" stores, read again by a new run.
TEST_F(OptionFields, ValuesAreKeptThroughARestart)
{
    {
        Terminal t;
        ASSERT_TRUE(t.ready());
        ModalDriver driver(caption, [&](HWND d) {
            selectComboText(d, IDC_SET_LINEEND, "CR");
            selectComboText(d, IDC_SET_DTRATOPEN, "Off");
            selectComboText(d, IDC_SET_RTSATOPEN, "Off");
            SetDlgItemTextA(d, IDC_SET_PULSE, "50");
            SetDlgItemTextA(d, IDC_SET_BREAK, "400");
            SetDlgItemTextA(d, IDC_SET_PAUSE, "20");
            SetDlgItemTextA(d, IDC_SET_FOLDER, "C:\\received");
            click(d, IDOK);
        });
        t.command(IDC_SETUP);
        EXPECT_TRUE(driver.finish());
    }
    const struct
    {
        const char *name;
        DWORD value;
    } dwords[] = {{"LineEnd", 1},   {"DtrAtOpen", 0},   {"RtsAtOpen", 0},  {"PulseTime", 50},
                  {"BreakTime", 400}, {"PauseNewLine", 20}};
    for (const auto &v : dwords) {
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(readRaw(v.name, type, data)) << v.name;
        EXPECT_EQ(type, DWORD(REG_DWORD)) << v.name;
        ASSERT_EQ(data.size(), 4u) << v.name;
        DWORD stored = 0;
        std::memcpy(&stored, data.data(), 4);
        EXPECT_EQ(stored, v.value) << v.name;
    }
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(readRaw("ReceiveFolder", type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, std::string("C:\\received", 12)) << "the NUL counted";

    Terminal again;
    ASSERT_TRUE(again.ready());
    std::string shown;
    ModalDriver driver(caption, [&](HWND d) {
        shown = comboSelection(GetDlgItem(d, IDC_SET_LINEEND)) + "|" + comboSelection(GetDlgItem(d, IDC_SET_DTRATOPEN)) +
                "|" + comboSelection(GetDlgItem(d, IDC_SET_RTSATOPEN)) + "|" + textOf(d, IDC_SET_PULSE) + "|" +
                textOf(d, IDC_SET_BREAK) + "|" + textOf(d, IDC_SET_PAUSE) + "|" + textOf(d, IDC_SET_FOLDER);
        click(d, IDCANCEL);
    });
    again.command(IDC_SETUP);
    EXPECT_TRUE(driver.finish());
    EXPECT_EQ(shown, "CR|Off|Off|50|400|20|C:\\received");
    char folder[MAX_PATH];
    EXPECT_TRUE(receiveFolderInUse(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\received");
}

// Only what changed is written: an OK with the defaults shown leaves the
// key without the new values.
TEST_F(OptionFields, OkWithNothingChangedWritesNoNewValue)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    ModalDriver driver(caption, [&](HWND d) { click(d, IDOK); });
    t.command(IDC_SETUP);
    EXPECT_TRUE(driver.finish());
    for (const char *name : optionNames) {
        DWORD type = 0;
        std::string data;
        EXPECT_FALSE(readRaw(name, type, data)) << name;
    }
}

// A value of the wrong type, size or range counts as missing.
TEST_F(OptionFields, BadStoredValuesAreTakenAsMissing)
{
    const DWORD big = 10001, huge = 0xFFFFFFFFu, two = 2, zero = 0, pulse = 55;
    const unsigned char shortValue[2] = {5, 0};
    const unsigned char longValue[8] = {5, 0, 0, 0, 0, 0, 0, 0};
    const struct
    {
        const char *name;
        DWORD type;
        const void *data;
        DWORD size;
    } cases[] = {
        {"LineEnd", REG_DWORD, &two, 4},           // fine: CR+LF is 3, LF is 2
        {"LineEnd", REG_DWORD, &big, 4},           {"LineEnd", REG_BINARY, &two, 4},
        {"LineEnd", REG_SZ, "2", 2},               {"DtrAtOpen", REG_DWORD, &two, 4},
        {"DtrAtOpen", REG_BINARY, &zero, 4},       {"RtsAtOpen", REG_DWORD, &huge, 4},
        {"PulseTime", REG_DWORD, &zero, 4},        {"PulseTime", REG_DWORD, &big, 4},
        {"PulseTime", REG_DWORD, shortValue, 2},   {"PulseTime", REG_DWORD, longValue, 8},
        {"PulseTime", REG_DWORD, &pulse, 4},       // fine
        {"BreakTime", REG_DWORD, &zero, 4},        {"BreakTime", REG_DWORD, &huge, 4},
        {"PauseNewLine", REG_DWORD, &huge, 4},     {"PauseNewLine", REG_SZ, "20", 3},
        {"ReceiveFolder", REG_DWORD, &two, 4},     {"ReceiveFolder", REG_BINARY, "C:\\x", 5},
    };
    const bool fine[] = {true,  false, false, false, false, false, false, false, false,
                         false, false, true,  false, false, false, false, false, false};
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto &c = cases[i];
        clear();
        storeRaw(c.name, c.type, c.data, c.size);
        Options o = loadOptions();
        Options defaults;
        if (fine[i]) {
            EXPECT_FALSE(o == defaults) << c.name << " #" << i;
        } else {
            EXPECT_TRUE(o == defaults) << c.name << " #" << i;
        }
    }
    // A text stored without its NUL: Wine's registry hands it back with one
    // added; either way no byte beyond the data is taken.
    clear();
    storeRaw("ReceiveFolder", REG_SZ, "C:\\no-nulXYZ", 9);
    std::string got = loadOptions().receiveFolder;
    EXPECT_TRUE(got.empty() || got == "C:\\no-nul") << got;

    clear();
    std::string tooLong(261, 'a');
    storeText("ReceiveFolder", tooLong);
    EXPECT_STREQ(loadOptions().receiveFolder, "") << "261 characters do not make a path";
    std::string longest(260, 'b');
    storeText("ReceiveFolder", longest);
    EXPECT_EQ(std::string(loadOptions().receiveFolder), longest);
}

// 4294967295 is INFINITE to the pause after each byte: it froze the program.
TEST_F(OptionFields, AStoredSendDelayAbove10000IsTakenAsMissingAndReplaced)
{
    const struct
    {
        DWORD stored, loaded;
    } cases[] = {{0, 0}, {25, 25}, {10000, 10000}, {10001, 0}, {0xFFFFFFFFu, 0}};
    for (const auto &c : cases) {
        storeDword("DelayOnSend", c.stored);
        EXPECT_EQ(loadSendDelay(), c.loaded) << c.stored;
        DWORD now = 1;
        EXPECT_TRUE(readDword("DelayOnSend", now));
        EXPECT_EQ(now, c.loaded) << c.stored;
    }
    removeValue("DelayOnSend");
    EXPECT_EQ(loadSendDelay(), 0u);
    Terminal t(0x000AD061u, 0xFFFFFFFFu);
    ASSERT_TRUE(t.ready());
    DWORD now = 1;
    EXPECT_TRUE(readDword("DelayOnSend", now));
    EXPECT_EQ(now, 0u) << "the terminal reads it the same way";
}

// "Off" at open reaches the port the terminal opens, and a reopen takes the
// choice as it then stands; a line the flow control owns stays with it.
TEST_F(OptionFields, TheTerminalOpensWithTheLinesAsTheSettingsSay)
{
    storeDword("SetupFlow", 0);   // "None": both lines free
    Terminal t(0x0000D061u);      // COM2, 9600 8N1, handshake fields 0
    ASSERT_TRUE(t.ready());
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    EXPECT_TRUE(t.client->currentPort()->lineRaised(ModemLines::dtr));
    EXPECT_TRUE(t.client->currentPort()->lineRaised(ModemLines::rts));
    t.command(IDC_OPENCOMM);

    storeDword("DtrAtOpen", 0);
    t.command(IDC_OPENCOMM);
    ASSERT_TRUE(t.client->isPortOpen());
    EXPECT_FALSE(t.client->currentPort()->lineRaised(ModemLines::dtr));
    EXPECT_TRUE(t.client->currentPort()->lineRaised(ModemLines::rts));
    EXPECT_TRUE(t.client->currentPort()->atOpen == (LinesAtOpen{false, true}));
    t.command(IDC_OPENCOMM);
    removeValue("SetupFlow");
}
