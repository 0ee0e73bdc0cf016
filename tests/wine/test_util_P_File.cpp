#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/wine/helpers/MessageBoxAnswerer.h"
#include "util/P_File.h"

namespace {

class P_FileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char tmp[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("LT_TMP", tmp, sizeof tmp);
        ASSERT_TRUE(n > 0 && n < sizeof tmp) << "LT_TMP is not set";
        folder = std::string(tmp) + "\\" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
    }

    std::string path(const char *leaf) const { return folder + "\\" + leaf; }

    static bool exists(const std::string &p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

    static void makeFile(const std::string &p, const std::string &content)
    {
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD put = 0;
        WriteFile(h, content.data(), DWORD(content.size()), &put, nullptr);
        CloseHandle(h);
    }

    static std::string contents(const std::string &p)
    {
        HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string s;
        char buf[512];
        DWORD got = 0;
        while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
            s.append(buf, got);
        CloseHandle(h);
        return s;
    }

    std::string folder;
};

} // namespace

TEST_F(P_FileTest, ReadOnlyOnAMissingFileFailsAndCreatesNothing)
{
    std::string p = path("missing.txt");
    P_File f(p.c_str(), P_File::readOnly);
    EXPECT_FALSE(f.open());
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(exists(p));
}

TEST_F(P_FileTest, ReadWriteOnAMissingFileCreatesItEmpty)
{
    std::string p = path("new.txt");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    EXPECT_TRUE(exists(p));
    EXPECT_EQ(f.getSize(), 0u);
    EXPECT_EQ(f.getPosition(), 0u);
    f.close();
    EXPECT_EQ(contents(p), "");
}

TEST_F(P_FileTest, CreateEmptiesAnExistingFileAndBecomesReadWrite)
{
    std::string p = path("old.txt");
    makeFile(p, "previous contents");
    P_File f(p.c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.getPosition(), 0u);
    EXPECT_EQ(f.getSize(), 0u);
    EXPECT_EQ(f.getMode(), uint32_t(P_File::readWrite));
    f.close();
    EXPECT_EQ(contents(p), "");
}

TEST_F(P_FileTest, OpeningAnExistingFileKnowsItsSize)
{
    std::string p = path("data.bin");
    makeFile(p, "0123456789");
    P_File f(p.c_str(), P_File::readOnly);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.getSize(), 10u);
    char buf[16] = {};
    EXPECT_EQ(f.read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf), "0123");
    EXPECT_EQ(f.getPosition(), 4u);
    EXPECT_EQ(f.read(buf, 16), 6u);
    EXPECT_EQ(f.getPosition(), 10u);
    EXPECT_EQ(f.read(buf, 16), 0u);
}

TEST_F(P_FileTest, WritingTenBytesAfterCreateCountsTen)
{
    std::string p = path("ten.bin");
    P_File f(p.c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.write("abcdefghij", 10), 10u);
    EXPECT_EQ(f.getPosition(), 10u);
    EXPECT_EQ(f.getSize(), 10u);
    EXPECT_TRUE(f.flush());
    EXPECT_EQ(contents(p), "abcdefghij");
}

TEST_F(P_FileTest, SeekingBackBeforeTheStartStopsAtTheStart)
{
    P_File f(path("s.bin").c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("abcdefghij", 10);
    ASSERT_TRUE(f.seek(3, FILE_BEGIN));
    EXPECT_EQ(f.getPosition(), 3u);
    ASSERT_TRUE(f.seek(-5, FILE_CURRENT));
    EXPECT_EQ(f.getPosition(), 0u);
    char c = 0;
    EXPECT_EQ(f.read(&c, 1), 1u);
    EXPECT_EQ(c, 'a');
}

TEST_F(P_FileTest, SeekingForwardPastTheEndStopsAtTheEnd)
{
    P_File f(path("s.bin").c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("abcdefghij", 10);
    ASSERT_TRUE(f.seek(3, FILE_BEGIN));
    ASSERT_TRUE(f.seek(100, FILE_CURRENT));
    EXPECT_EQ(f.getPosition(), 10u);
    EXPECT_EQ(f.getSize(), 10u);
}

TEST_F(P_FileTest, SeekingFromTheEndBeforeTheStartStopsAtTheStart)
{
    P_File f(path("s.bin").c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("abcdefghij", 10);
    ASSERT_TRUE(f.seek(-4, FILE_END));
    EXPECT_EQ(f.getPosition(), 6u);
    ASSERT_TRUE(f.seek(-50, FILE_END));
    EXPECT_EQ(f.getPosition(), 0u);
}

TEST_F(P_FileTest, SeekingFromTheStartPastTheEndExtendsTheFile)
{
    std::string p = path("grow.bin");
    P_File f(p.c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("abc", 3);
    ASSERT_TRUE(f.seek(20, FILE_BEGIN));
    EXPECT_EQ(f.getPosition(), 20u);
    EXPECT_EQ(f.getSize(), 20u);
    EXPECT_EQ(f.write("Z", 1), 1u);
    f.close();
    std::string c = contents(p);
    ASSERT_EQ(c.size(), 21u);
    EXPECT_EQ(c.substr(0, 3), "abc");
    EXPECT_EQ(c[20], 'Z');
}

TEST_F(P_FileTest, ANegativePositionFromTheStartIsAPositioningError)
{
    MessageBoxAnswerer answerer(IDOK);
    std::string p = path("neg.bin");
    P_File f(p.c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("abc", 3);
    EXPECT_FALSE(f.seek(-1, FILE_BEGIN));
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Errore di posizionamento");
    EXPECT_EQ(answerer.text(0), p);
    EXPECT_EQ(f.getLastError(), uint32_t(P_File::seekError));
    EXPECT_EQ(f.getPosition(), 3u);
}

TEST_F(P_FileTest, ReadingANeverOpenedFileWarnsFileNotOpen)
{
    MessageBoxAnswerer answerer(IDOK);
    std::string p = path("never.txt");
    P_File f(p.c_str(), P_File::readOnly);
    char buf[4];
    EXPECT_EQ(f.read(buf, sizeof buf), 0u);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "File non aperto");
    EXPECT_EQ(answerer.text(0), p);
    EXPECT_EQ(f.getLastError(), uint32_t(P_File::notOpen));
}

TEST_F(P_FileTest, WritingAndSeekingAClosedFileWarnEachTime)
{
    MessageBoxAnswerer answerer(IDOK, 3);
    P_File f(path("closed.txt").c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.close();
    EXPECT_EQ(f.write("x", 1), 0u);
    EXPECT_FALSE(f.seek(0, FILE_BEGIN));
    EXPECT_FALSE(f.resize(0, nullptr));
    ASSERT_TRUE(answerer.waitAnswered(3));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(answerer.caption(i), "File non aperto");
    EXPECT_FALSE(f.flush());
}

TEST_F(P_FileTest, ReportErrorShowsTheCodesMessageAndReturnsZero)
{
    MessageBoxAnswerer answerer(IDOK);
    P_File f("C:\\nowhere\\x.dat", P_File::readOnly);
    EXPECT_EQ(f.reportError(P_File::writeError), 0);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.caption(0), "Errore in scrittura");
    EXPECT_EQ(answerer.text(0), "C:\\nowhere\\x.dat");
    EXPECT_EQ(f.getLastError(), 5u);
}

TEST_F(P_FileTest, TransferFailuresOnAnOpenFileAreSilent)
{
    MessageBoxAnswerer answerer(IDOK);
    std::string p = path("ro.txt");
    makeFile(p, "abc");
    P_File f(p.c_str(), P_File::readOnly);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.write("x", 1), 0u);
    EXPECT_EQ(f.getLastError(), 0u);
    EXPECT_EQ(f.getPosition(), 0u);
    EXPECT_EQ(answerer.answeredCount(), 0);
}

TEST_F(P_FileTest, BackupNameReplacesTheExtension)
{
    P_File f("C:\\LOG\\A.DAT", P_File::readOnly);
    char out[MAX_PATH];
    ASSERT_TRUE(f.backupName(out, sizeof out, nullptr));
    EXPECT_STREQ(out, "C:\\LOG\\A.BAC");
    ASSERT_TRUE(f.backupName(out, sizeof out, ".OLD"));
    EXPECT_STREQ(out, "C:\\LOG\\A.OLD");
}

TEST_F(P_FileTest, ResizeWithoutBackupCutsTheFileAndKeepsThePointerSound)
{
    std::string p = path("cut.bin");
    P_File f(p.c_str(), P_File::create);
    ASSERT_TRUE(f.open());
    f.write("0123456789", 10);
    ASSERT_TRUE(f.seek(2, FILE_BEGIN));
    ASSERT_TRUE(f.resize(5, nullptr));
    EXPECT_EQ(f.getSize(), 5u);
    EXPECT_EQ(f.getPosition(), 2u);
    // The next write lands where the object says it is.
    EXPECT_EQ(f.write("x", 1), 1u);
    ASSERT_TRUE(f.resize(2, nullptr));
    EXPECT_EQ(f.getPosition(), 2u);
    f.close();
    EXPECT_EQ(contents(p), "01");
}

TEST_F(P_FileTest, ResizeWithBackupKeepsTheOldContentsInTheBacFile)
{
    std::string p = path("DATA.TXT");
    makeFile(p, "The quick brown fox");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.seek(15, FILE_BEGIN));
    ASSERT_TRUE(f.resize(9, ".BAC"));
    EXPECT_STREQ(f.getName(), p.c_str());
    EXPECT_EQ(f.getSize(), 9u);
    EXPECT_EQ(f.getPosition(), 9u);
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(f.write("!", 1), 1u);
    f.close();
    EXPECT_EQ(contents(path("DATA.BAC")), "The quick brown fox");
    EXPECT_EQ(contents(p), "The quick!");
}

TEST_F(P_FileTest, ResizeWithBackupBeyondTheOldLengthGivesAFileOfTheNewSize)
{
    std::string p = path("short.txt");
    makeFile(p, "abc");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.resize(10, ".BAC"));
    EXPECT_EQ(f.getSize(), 10u);
    EXPECT_EQ(f.getPosition(), 0u);
    char buf[4] = {};
    EXPECT_EQ(f.read(buf, 3), 3u);
    EXPECT_STREQ(buf, "abc");
    f.close();
    EXPECT_EQ(contents(p).size(), 10u);
    EXPECT_EQ(contents(path("short.BAC")), "abc");
}

TEST_F(P_FileTest, ResizeWithBackupCopiesMoreThanOneBlock)
{
    std::string p = path("big.dat");
    std::string data;
    for (int i = 0; i < 10000; ++i)
        data += char('a' + i % 26);
    makeFile(p, data);
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.resize(9000, ""));
    f.close();
    EXPECT_EQ(contents(path("big.BAC")), data);
    EXPECT_EQ(contents(p), data.substr(0, 9000));
}

TEST_F(P_FileTest, ResizeWithBackupReplacesAnOldReadOnlyBackup)
{
    std::string p = path("log.txt");
    std::string bak = path("log.BAC");
    makeFile(bak, "stale");
    SetFileAttributesA(bak.c_str(), FILE_ATTRIBUTE_READONLY);
    makeFile(p, "fresh data");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.resize(5, ".BAC"));
    f.close();
    EXPECT_EQ(contents(bak), "fresh data");
    EXPECT_EQ(contents(p), "fresh");
}

TEST_F(P_FileTest, ResizeWithBackupThatCannotMoveTheFileKeepsTheOriginal)
{
    std::string p = path("keep.txt");
    makeFile(p, "original");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.seek(3, FILE_BEGIN));
    // A folder under the backup name can be neither deleted nor replaced.
    std::string bakDir = path("keep.BAC");
    ASSERT_TRUE(CreateDirectoryA(bakDir.c_str(), nullptr));
    EXPECT_FALSE(f.resize(2, ".BAC"));
    EXPECT_TRUE(f.isOpen());
    EXPECT_STREQ(f.getName(), p.c_str());
    EXPECT_EQ(f.getPosition(), 3u);
    EXPECT_EQ(f.getSize(), 8u);
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, 5), 5u);
    EXPECT_STREQ(buf, "ginal");
    f.close();
    EXPECT_EQ(contents(p), "original");
}

TEST_F(P_FileTest, AFileNamedLikeItsBackupIsNotResizedOverItself)
{
    // Deleting the "old backup" would delete the file itself.
    std::string p = path("SAVED.BAC");
    makeFile(p, "precious");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    EXPECT_FALSE(f.resize(3, ".bac"));
    EXPECT_TRUE(f.isOpen());
    f.close();
    EXPECT_EQ(contents(p), "precious");
}

TEST_F(P_FileTest, ABackupNameTooLongIsRefusedWithoutTouchingTheFile)
{
    std::string p = path("x");
    makeFile(p, "abc");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    std::string longExt = "." + std::string(300, 'e');
    EXPECT_FALSE(f.resize(1, longExt.c_str()));
    EXPECT_TRUE(f.isOpen());
    f.close();
    EXPECT_EQ(contents(p), "abc");
}

TEST_F(P_FileTest, AFileOf4GiBOrMoreIsRefused)
{
    std::string p = path("huge.bin");
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LONG high = 1;   // 4 GiB + 16, sparse on the host's file system
    SetFilePointer(h, 16, &high, FILE_BEGIN);
    bool grown = SetEndOfFile(h) != FALSE;
    CloseHandle(h);
    if (!grown)
        GTEST_SKIP() << "the file system cannot hold a 4 GiB file";
    P_File ro(p.c_str(), P_File::readOnly);
    EXPECT_FALSE(ro.open());
    P_File rw(p.c_str(), P_File::readWrite);
    EXPECT_FALSE(rw.open());
    DeleteFileA(p.c_str());
}

TEST_F(P_FileTest, PositionsPast2GiBAreKeptWhole)
{
    std::string p = path("large.bin");
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const uint32_t size = 0xC0000000u;   // 3 GiB, sparse on the host's file system
    LONG high = 0;
    SetFilePointer(h, LONG(size), &high, FILE_BEGIN);
    bool grown = SetEndOfFile(h) != FALSE;
    CloseHandle(h);
    if (!grown)
        GTEST_SKIP() << "the file system cannot hold a 3 GiB file";
    {
        P_File f(p.c_str(), P_File::readWrite);
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.getSize(), size);
        EXPECT_TRUE(f.seek(-16, FILE_END));
        EXPECT_EQ(f.getPosition(), size - 16);
        EXPECT_EQ(f.write("tail", 4), 4u);
        EXPECT_TRUE(f.seek(-4, FILE_CURRENT));
        char back[5] = {};
        EXPECT_EQ(f.read(back, 4), 4u);
        EXPECT_STREQ(back, "tail");
        EXPECT_EQ(f.getPosition(), size - 12);
        EXPECT_TRUE(f.seek(100, FILE_CURRENT));
        EXPECT_EQ(f.getPosition(), size);
    }
    DeleteFileA(p.c_str());
}

TEST_F(P_FileTest, OpeningTwiceDoesNotLeakTheFirstHandle)
{
    std::string p = path("twice.txt");
    P_File f(p.c_str(), P_File::readWrite);
    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.open());
    f.close();
    // With no handle left open the file can be deleted at once.
    EXPECT_TRUE(DeleteFileA(p.c_str()));
}
