#include <gtest/gtest.h>

#include "terminal/transfer/ReceivedName.h"

#include <set>
#include <string>

namespace {

struct CleanCase
{
    std::string sent;
    std::string kept;
};

class Taken : public ReceivedName::Exists
{
public:
    std::set<std::string> paths;
    bool exists(const char *path) override { return paths.count(path) != 0; }
};

} // namespace

TEST(ReceivedName, KeepsOnlyAPlainNameWindowsAccepts)
{
    const CleanCase cases[] = {
        {"log.txt", "log.txt"},
        {"/var/log/messages", "messages"},
        {"C:\\Users\\x\\dump.bin", "dump.bin"},
        {"dir/sub\\core.123", "core.123"},
        {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
        {std::string("tab\there\x01\x7f", 11), "tab_here__"},
        {"name.", "name_"},
        {"trail  ", "trail__"},
        {"..", "__"},
        {"/tmp/", "received"},
        {"", "received"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"COM1", "_COM1"},
        {"lpt9.log", "_lpt9.log"},
        {"NUL .x", "_NUL .x"},
        {"COM0", "COM0"},
        {"CONSOLE", "CONSOLE"},
        {"AUXI.txt", "AUXI.txt"},
    };
    for (const CleanCase &c : cases) {
        char out[260];
        ReceivedName::clean(c.sent.data(), c.sent.size(), out, sizeof out);
        EXPECT_EQ(std::string(out), c.kept) << c.sent;
    }
}

TEST(ReceivedName, ALongNameIsCutAndKeepsItsExtension)
{
    std::string sent = std::string(300, 'a') + ".tar.gz";
    char out[40];
    ReceivedName::clean(sent.c_str(), sent.size(), out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(36, 'a') + ".gz");
    // The sender's bytes are read no further than it said.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    ReceivedName::clean(unterminated, 3, out, sizeof out);
    EXPECT_EQ(std::string(out), "abc");
}

TEST(ReceivedName, AFileThatExistsIsKeptAndTheNewOneNumbered)
{
    Taken taken;
    char out[260];
    ASSERT_TRUE(ReceivedName::unique("C:\\in", "log.txt", taken, out, sizeof out));
    EXPECT_STREQ(out, "C:\\in\\log.txt");
    taken.paths = {"C:\\in\\log.txt", "C:\\in\\log (1).txt"};
    ASSERT_TRUE(ReceivedName::unique("C:\\in\\", "log.txt", taken, out, sizeof out));
    EXPECT_STREQ(out, "C:\\in\\log (2).txt");
    taken.paths = {"C:\\in\\README"};
    ASSERT_TRUE(ReceivedName::unique("C:\\in", "README", taken, out, sizeof out));
    EXPECT_STREQ(out, "C:\\in\\README (1)");
    taken.paths = {"C:\\in\\.profile"};
    ASSERT_TRUE(ReceivedName::unique("C:\\in", ".profile", taken, out, sizeof out));
    EXPECT_STREQ(out, "C:\\in\\.profile (1)");
}

TEST(ReceivedName, ThePathStaysWithinTheLimit)
{
    Taken taken;
    std::string folder = "C:\\" + std::string(240, 'f');
    std::string name = std::string(100, 'n') + ".bin";
    char out[260];
    ASSERT_TRUE(ReceivedName::unique(folder.c_str(), name.c_str(), taken, out, sizeof out));
    EXPECT_EQ(std::string(out), folder + "\\" + std::string(259 - 244 - 4, 'n') + ".bin");
    taken.paths = {out};
    ASSERT_TRUE(ReceivedName::unique(folder.c_str(), name.c_str(), taken, out, sizeof out));
    EXPECT_EQ(std::string(out), folder + "\\" + std::string(259 - 244 - 8, 'n') + " (1).bin");
    EXPECT_EQ(std::string(out).size(), 259u);
    // A folder that leaves no room for a name is refused.
    std::string full = "C:\\" + std::string(256, 'f');
    EXPECT_FALSE(ReceivedName::unique(full.c_str(), "x", taken, out, sizeof out));
}
