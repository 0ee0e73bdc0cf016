#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/FileNames.h"

TEST(FileNames, ExtensionStartsAtTheLastDotOfTheNamePart)
{
    EXPECT_STREQ(fileExtension("C:\\LOG\\A.DAT"), ".DAT");
    EXPECT_STREQ(fileExtension("C:\\a.b\\name.tar.gz"), ".gz");
    EXPECT_STREQ(fileExtension("C:\\a.b\\name"), "");
    EXPECT_STREQ(fileExtension("name."), ".");
    EXPECT_STREQ(fileExtension(""), "");
}

TEST(FileNames, ADotInAFolderIsNoExtension)
{
    const char *path = "Z:\\tmp\\dir.d\\plain";
    EXPECT_EQ(fileExtension(path), path + std::strlen(path));
}

TEST(FileNames, BackupNameReplacesTheExtensionWithBac)
{
    char out[260];
    ASSERT_TRUE(makeBackupName("C:\\LOG\\A.DAT", nullptr, out, sizeof out));
    EXPECT_STREQ(out, "C:\\LOG\\A.BAC");
    ASSERT_TRUE(makeBackupName("DATA.TXT", ".BAC", out, sizeof out));
    EXPECT_STREQ(out, "DATA.BAC");
    ASSERT_TRUE(makeBackupName("C:\\LOG\\A.DAT", "", out, sizeof out));
    EXPECT_STREQ(out, "C:\\LOG\\A.BAC");
}

TEST(FileNames, BackupNameOfANameWithoutExtensionAddsOne)
{
    char out[260];
    ASSERT_TRUE(makeBackupName("C:\\v1.0\\README", ".old", out, sizeof out));
    EXPECT_STREQ(out, "C:\\v1.0\\README.old");
}

TEST(FileNames, BackupNameThatDoesNotFitIsRefused)
{
    char out[8];
    EXPECT_FALSE(makeBackupName("ABCDEFG.TXT", ".BAC", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(makeBackupName("ABC.TXT", ".BAC", out, sizeof out));
    EXPECT_STREQ(out, "ABC.BAC");
}

TEST(FileNames, ExtensionsMatchIgnoringCase)
{
    const char *const list[] = {".txt", ".bin", ".*", nullptr};
    EXPECT_EQ(matchExtension(".TXT", list), 0);
    EXPECT_EQ(matchExtension(".Bin", list), 1);
    EXPECT_EQ(matchExtension(".*", list), 2);
    EXPECT_EQ(matchExtension(".dat", list), -1);
    EXPECT_EQ(matchExtension(".tx", list), -1);
}

TEST(FileNames, AppendingAnExtensionThatFitsAddsIt)
{
    char name[260] = "Z:\\tmp\\out";
    ASSERT_TRUE(appendExtension(name, sizeof name, ".txt"));
    EXPECT_STREQ(name, "Z:\\tmp\\out.txt");
}

TEST(FileNames, FilterPatternsAreToldFromExtensions)
{
    EXPECT_TRUE(hasWildcard(".*"));
    EXPECT_TRUE(hasWildcard(".t?t"));
    EXPECT_FALSE(hasWildcard(".txt"));
    EXPECT_FALSE(hasWildcard(""));
    EXPECT_FALSE(hasWildcard(nullptr));
}

TEST(FileNames, AppendingNeverWritesPastTheBuffer)
{
    char buffer[264];
    std::memset(buffer, '#', sizeof buffer);
    char *name = buffer;   // 260 usable bytes, 4 guard bytes after
    std::string full(258, 'a');
    std::memcpy(name, full.c_str(), full.size() + 1);   // 258 characters + NUL
    EXPECT_FALSE(appendExtension(name, 260, ".*"));     // would need 261 bytes
    EXPECT_EQ(std::string(name), full);
    EXPECT_EQ(std::memcmp(buffer + 260, "####", 4), 0);
    name[257] = 0;                                      // 257 characters: exactly fits
    EXPECT_TRUE(appendExtension(name, 260, ".*"));
    EXPECT_EQ(std::strlen(name), 259u);
    EXPECT_EQ(std::memcmp(buffer + 260, "####", 4), 0);
}

TEST(FileNames, AppendingToAnUnterminatedBufferIsRefused)
{
    char name[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(appendExtension(name, sizeof name, ".x"));
    EXPECT_EQ(std::memcmp(name, "abcd", 4), 0);
}

TEST(FileNames, ErrorTextsFollowTheirCodes)
{
    const struct
    {
        int code;
        const char *text;
    } rows[] = {
        {0, "Nessun Errore"},          {1, "Gestore non allocato"},  {2, "File non aperto"},
        {3, "Errore numero di user"},  {4, "Errore in lettura"},     {5, "Errore in scrittura"},
        {6, "Errore di posizionamento"}, {7, "Errore indefinito"},   {8, "Errore indefinito"},
        {-1, "Errore indefinito"},
    };
    for (const auto &row : rows)
        EXPECT_STREQ(fileErrorText(row.code), row.text) << "code " << row.code;
}

TEST(FileNames, TheFolderOfAPathIsWhatPrecedesItsLastSeparator)
{
    const struct
    {
        const char *path;
        bool found;
        const char *folder;
    } rows[] = {
        {"Z:\\tmp\\a\\file.txt", true, "Z:\\tmp\\a"},
        {"C:\\file.txt", true, "C:\\"},
        {"\\file.txt", true, "\\"},
        {"file.txt", false, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        char out[260];
        if (row.found) {
            ASSERT_TRUE(folderOf(row.path, out, sizeof out));
        } else {
            EXPECT_FALSE(folderOf(row.path, out, sizeof out));
        }
        EXPECT_STREQ(out, row.folder);
    }
}

TEST(FileNames, AFolderThatDoesNotFitIsRefused)
{
    char out[7];
    EXPECT_FALSE(folderOf("C:\\abcdef\\x", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(folderOf("C:\\abc\\x", out, sizeof out));
    EXPECT_STREQ(out, "C:\\abc");
}
