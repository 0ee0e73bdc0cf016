#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "win/PEdit.h"

namespace {

void storeBinary(const char *name, const std::string &bytes)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, rig::settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE *>(bytes.data()), DWORD(bytes.size()));
    RegCloseKey(key);
}

class Recall : public ::testing::Test
{
protected:
    Recall() { rig::removeValue("Recall"); }
    ~Recall() override { rig::removeValue("Recall"); }

    void start()
    {
        term.reset();
        rig::dropQuit();
        term.reset(new rig::Terminal(rig::dataPath));
        ASSERT_TRUE(term->ready());
        ASSERT_TRUE(term->openPort());
    }
    void sendBox(const std::string &text)
    {
        size_t before = peer.receivedCount();
        term->setText(IDC_SENDBOX, text);
        term->command(IDC_SENDSTRING);
        term->waitFor([&] { return peer.receivedCount() >= before + text.size(); }, 5000);
    }
    // Ctrl+Up (back) or Ctrl+Down in the focused send box; the box's text after it.
    std::string step(bool back)
    {
        HWND box = term->item(IDC_SENDBOX);
        SetForegroundWindow(term->frame->hwnd);
        SetFocus(box);
        term->waitFor([&] { return GetFocus() == box; }, 3000);
        std::string before = term->text(IDC_SENDBOX);
        pressKeyWithModifier(back ? VK_UP : VK_DOWN, VK_CONTROL, 0);
        term->waitFor([&] { return term->text(IDC_SENDBOX) != before; }, 1000);
        return term->text(IDC_SENDBOX);
    }

    SerialPeer peer{"COM9", SerialPeer::listening};
    std::unique_ptr<rig::Terminal> term;
};

} // namespace

// The sends come back newest first, the same one sent twice once, and past
// the newest the box gets what was being typed; all of it after a restart.
TEST_F(Recall, StepsThroughEarlierSendsAcrossARestart)
{
    start();
    sendBox("AT");
    sendBox("ATI");
    sendBox("AT+GMR");
    sendBox("ATI");
    start();
    term->setText(IDC_SENDBOX, "draft");
    EXPECT_EQ(step(true), "ATI");
    EXPECT_EQ(step(true), "AT+GMR");
    EXPECT_EQ(step(true), "AT");
    EXPECT_EQ(step(true), "AT");   // the oldest stays
    EXPECT_EQ(step(false), "AT+GMR");
    EXPECT_EQ(step(false), "ATI");
    EXPECT_EQ(step(false), "draft");
}

// A long text goes out whole and comes back whole.
TEST_F(Recall, LongTextGoesOutAndComesBackWhole)
{
    start();
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += char('a' + i % 26);
    sendBox(text);
    EXPECT_EQ(peer.received(), std::vector<unsigned char>(text.begin(), text.end()));
    term->setText(IDC_SENDBOX, "");
    EXPECT_EQ(step(true), text);
}

// A stored list the program did not write is ignored: recall starts empty
// and works from there.
TEST_F(Recall, StoredListNotWrittenHereIsIgnored)
{
    storeBinary("Recall", std::string("\x01\x00\x00\x00garbage", 11));
    start();
    term->setText(IDC_SENDBOX, "typed");
    EXPECT_EQ(step(true), "typed");
    sendBox("ATZ");
    term->setText(IDC_SENDBOX, "");
    EXPECT_EQ(step(true), "ATZ");
}
