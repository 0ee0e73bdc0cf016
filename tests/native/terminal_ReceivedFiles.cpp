#include <gtest/gtest.h>

#include "PosixFolder.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

class Dir
{
public:
    Dir()
    {
        char pattern[] = "/tmp/lt-received-XXXXXX";
        path = mkdtemp(pattern) ? std::string(pattern) + "/" : "";
    }
    ~Dir()
    {
        std::string cmd = "rm -rf '" + path + "'";
        if (!path.empty() && std::system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << path;
    }
    std::string read(const std::string &name) const
    {
        std::ifstream f(path + name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }
    bool has(const std::string &name) const { return access((path + name).c_str(), F_OK) == 0; }
    std::string path;
};

void receive(ReceivedFiles &files, const char *name, const std::string &data, bool complete, uint32_t mtime = 0)
{
    if (!files.startFile(name, data.size(), mtime))
        return;
    if (!files.fileData(reinterpret_cast<const unsigned char *>(data.data()), uint32_t(data.size())))
        complete = false;
    files.endFile(complete);
}

} // namespace

// A file that is there stays; the new one is numbered. The sender's folders
// and forbidden characters do not reach the name; a file that did not come
// whole is gone; the sender's time is kept.
TEST(ReceivedFiles, KeepsWhatIsThereAndOnlyWholeFiles)
{
    Dir dir;
    { std::ofstream(dir.path + "log.txt") << "old"; }
    PosixFolder fs;
    ReceivedFiles files(fs, dir.path.c_str());
    receive(files, "log.txt", "new", true, 1600000000);
    receive(files, "/etc/passwd", "p", true);
    receive(files, "..\\a:b?.txt", "q", true);
    receive(files, "half.bin", "hal", false);
    EXPECT_EQ(dir.read("log.txt"), "old");
    EXPECT_EQ(dir.read("log (1).txt"), "new");
    struct stat st;
    ASSERT_EQ(stat((dir.path + "log (1).txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1600000000);
    EXPECT_EQ(dir.read("passwd"), "p");
    EXPECT_EQ(dir.read("a_b_.txt"), "q");
    EXPECT_FALSE(dir.has("half.bin"));
    EXPECT_EQ(files.filesKept(), 3u);
    EXPECT_FALSE(files.failed());
}

TEST(ReceivedFiles, XmodemsFileGoesWhereTheOperatorChoseAndAFullDiskIsTold)
{
    Dir dir;
    PosixFolder fs;
    std::string chosen = dir.path + "chosen.bin";
    ReceivedFiles files(fs, dir.path.c_str(), chosen.c_str());
    receive(files, "", "xmodem", true);
    EXPECT_EQ(dir.read("chosen.bin"), "xmodem");
    EXPECT_STREQ(files.path(), chosen.c_str());
    fs.failWritesAfter = 10;
    ReceivedFiles more(fs, dir.path.c_str());
    receive(more, "big.bin", std::string(100, 'b'), true);
    EXPECT_TRUE(more.failed());
    EXPECT_FALSE(dir.has("big.bin"));
    EXPECT_EQ(more.filesKept(), 0u);
}
