#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/wine/helpers/FileDialogDriver.h"
#include "terminal/settings/Settings.h"
#include "terminal/ui/myOpenSave.h"

namespace {

const char *const allFiles[] = {".*", nullptr};
const char saveFilter[] = "All Files (*.*)\0*.*\0";
const char openFilter[] = "All Files (*.*)\0\0";

std::string currentDirectory()
{
    char dir[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof dir, dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string();
}

// Every test starts from a profile that never ran the program, and leaves
// none behind.
class PersistenceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey);
        char tmp[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("LT_TMP", tmp, sizeof tmp);
        ASSERT_TRUE(n > 0 && n < sizeof tmp) << "LT_TMP is not set";
        folder = std::string(tmp) + "\\" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        remembered = folder + "\\remembered";
        CreateDirectoryA(remembered.c_str(), nullptr);
        startDir = currentDirectory();
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(startDir.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey);
    }

    static void store(const char *name, DWORD type, const void *data, DWORD size)
    {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(k, name, 0, type, static_cast<const BYTE *>(data), size), ERROR_SUCCESS);
        RegCloseKey(k);
    }

    struct Raw
    {
        bool present = false;
        DWORD type = 0;
        std::string data;
    };

    static Raw fetch(const char *name)
    {
        Raw raw;
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return raw;
        char buf[1024];
        DWORD size = sizeof buf;
        if (RegQueryValueExA(k, name, nullptr, &raw.type, reinterpret_cast<BYTE *>(buf), &size) == ERROR_SUCCESS) {
            raw.present = true;
            raw.data.assign(buf, size);
        }
        RegCloseKey(k);
        return raw;
    }

    static uint32_t dwordOf(const Raw &raw)
    {
        uint32_t v = 0;
        if (raw.data.size() == 4)
            std::memcpy(&v, raw.data.data(), 4);
        return v;
    }

    // Runs one save dialog of the terminal's kind, cancelled, and returns
    // the folder it showed.
    static std::string folderOfNextDialog()
    {
        myOpenSave dialog(nullptr);
        FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
        FileDialogDriver driver(nullptr);
        EXPECT_FALSE(dialog.execute(request));
        EXPECT_TRUE(driver.waitDone());
        return driver.folder();
    }

    std::string folder, remembered, startDir;
};

} // namespace

TEST_F(PersistenceTest, TheDefaultWordIsCom2At9600With8N1AndHardwareHandshake)
{
    EXPECT_EQ(defaultSettings().toWord(), 0x000AD061u);
}

TEST_F(PersistenceTest, ACleanProfileGetsTheDefaultSetupAtTheFirstLoad)
{
    ASSERT_FALSE(fetch("Setup").present);
    EXPECT_EQ(loadSettings().toWord(), 0x000AD061u);
    Raw raw = fetch("Setup");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(raw.type, DWORD(REG_DWORD));
    ASSERT_EQ(raw.data.size(), 4u);
    EXPECT_EQ(dwordOf(raw), 0x000AD061u);
}

TEST_F(PersistenceTest, AStoredSetupIsReturnedAsStored)
{
    uint32_t com1 = 0x000AD060u;
    store("Setup", REG_DWORD, &com1, 4);
    EXPECT_EQ(loadSettings().toWord(), com1);
    EXPECT_EQ(loadSettings().portIndex, 0u);
    // Indexes beyond the tables are not judged here.
    uint32_t odd = 0x000AD06Fu;
    store("Setup", REG_DWORD, &odd, 4);
    EXPECT_EQ(loadSettings().portIndex, 15u);
    EXPECT_EQ(dwordOf(fetch("Setup")), odd);
}

TEST_F(PersistenceTest, AMissingDelayIsStoredWithTheValueInMemory)
{
    uint32_t delay = 25;
    EXPECT_FALSE(readRegDword("DelayOnSend", delay, true));
    EXPECT_EQ(delay, 25u);
    Raw raw = fetch("DelayOnSend");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(raw.type, DWORD(REG_DWORD));
    EXPECT_EQ(raw.data.size(), 4u);
    EXPECT_EQ(dwordOf(raw), 25u);
    uint32_t again = 0;
    EXPECT_TRUE(readRegDword("DelayOnSend", again, true));
    EXPECT_EQ(again, 25u);
}

TEST_F(PersistenceTest, AMissingValueIsNotStoredUnlessAsked)
{
    uint32_t delay = 3;
    EXPECT_FALSE(readRegDword("DelayOnSend", delay, false));
    EXPECT_EQ(delay, 3u);
    EXPECT_FALSE(fetch("DelayOnSend").present);
}

TEST_F(PersistenceTest, WrittenDwordsAreStoredAsFourByteDwords)
{
    EXPECT_TRUE(writeRegDword("DelayOnSend", 0x01020304u));
    Raw raw = fetch("DelayOnSend");
    EXPECT_EQ(raw.type, DWORD(REG_DWORD));
    ASSERT_EQ(raw.data.size(), 4u);
    EXPECT_EQ(raw.data, std::string("\x04\x03\x02\x01", 4));
}

TEST_F(PersistenceTest, ASetupShorterThanFourBytesCountsAsMissing)
{
    store("Setup", REG_BINARY, "\x60\xD0", 2);
    EXPECT_EQ(loadSettings().toWord(), 0x000AD061u);
    Raw raw = fetch("Setup");
    EXPECT_EQ(raw.type, DWORD(REG_DWORD));
    EXPECT_EQ(dwordOf(raw), 0x000AD061u);
}

TEST_F(PersistenceTest, AnEmptyDelayCountsAsMissing)
{
    store("DelayOnSend", REG_BINARY, "", 0);
    uint32_t delay = 7;
    EXPECT_FALSE(readRegDword("DelayOnSend", delay, true));
    EXPECT_EQ(delay, 7u);
    EXPECT_EQ(dwordOf(fetch("DelayOnSend")), 7u);
}

TEST_F(PersistenceTest, AValueOfAnotherTypeGivesItsFirstFourBytes)
{
    store("DelayOnSend", REG_BINARY, "\x10\x00\x00\x00\xFF\xFF", 6);
    uint32_t delay = 0;
    EXPECT_TRUE(readRegDword("DelayOnSend", delay, true));
    EXPECT_EQ(delay, 16u);
    store("Setup", REG_SZ, "abcdef", 7);
    EXPECT_EQ(loadSettings().toWord() & 0x1FFFFFu, 0x64636261u & 0x1FFFFFu);
    // What was there stays there.
    EXPECT_EQ(fetch("Setup").type, DWORD(REG_SZ));
}

// The values kept beside "Setup" count only as four-byte REG_DWORDs naming a
// port beyond COM16 or a flow the word cannot say; anything else leaves the
// word's own choice, and nothing is read past its end.
TEST_F(PersistenceTest, BadValuesBesideSetupCountAsMissing)
{
    struct Case { const char *what; DWORD type; const char *data; DWORD size; unsigned port; };
    const Case cases[] = {
        {"port 200", REG_DWORD, "\xC8\x00\x00\x00", 4, 200},
        {"port 0", REG_DWORD, "\x00\x00\x00\x00", 4, 16},
        {"port 257", REG_DWORD, "\x01\x01\x00\x00", 4, 16},
        {"port 2^32-1", REG_DWORD, "\xFF\xFF\xFF\xFF", 4, 16},
        {"text", REG_SZ, "200", 4, 16},
        {"two bytes", REG_BINARY, "\xC8\x00", 2, 16},
        {"eight bytes", REG_BINARY, "\xC8\x00\x00\x00\x00\x00\x00\x00", 8, 16},
        {"binary of four", REG_BINARY, "\xC8\x00\x00\x00", 4, 16},
        {"empty", REG_DWORD, "", 0, 16},
    };
    const CommSettings word(0x000AD06Fu);   // port field 15
    for (const Case &c : cases) {
        store("SetupPort", c.type, c.data, c.size);
        store("SetupFlow", c.type, c.data, c.size);
        CommExtras extras = loadExtras();
        EXPECT_EQ(extras.portNumber(word), c.port) << c.what;
        EXPECT_EQ(extras.flowOf(word), CommExtras::flowBoth) << c.what;
    }
    // A valid port beside a word whose field says otherwise is stale.
    store("SetupPort", REG_DWORD, "\xC8\x00\x00\x00", 4);
    EXPECT_EQ(loadExtras().portNumber(CommSettings(0x000AD069u)), 10u);
}

// Storing keeps only what counts with the word, and removes the rest.
TEST_F(PersistenceTest, StoringTheExtrasLeavesNoStaleValue)
{
    CommSettings word;
    CommExtras extras;
    extras.setPort(word, 200);
    extras.setFlow(word, CommExtras::flowNone);
    storeExtras(word, extras);
    EXPECT_EQ(dwordOf(fetch("SetupPort")), 200u);
    EXPECT_EQ(dwordOf(fetch("SetupFlow")), 0u);
    EXPECT_EQ(loadExtras(), extras);
    extras.setPort(word, 16);
    extras.setFlow(word, CommExtras::flowBoth);
    storeExtras(word, extras);
    EXPECT_FALSE(fetch("SetupPort").present);
    EXPECT_FALSE(fetch("SetupFlow").present);
}

TEST_F(PersistenceTest, AFileDialogStoresTheFolderItShowedWithItsNulCounted)
{
    EXPECT_EQ(folderOfNextDialog(), folder);
    Raw raw = fetch("OldPath");
    ASSERT_TRUE(raw.present);
    EXPECT_EQ(raw.type, DWORD(REG_SZ));
    EXPECT_EQ(raw.data, folder + std::string(1, '\0'));
    EXPECT_EQ(currentDirectory(), folder);
}

TEST_F(PersistenceTest, TheNextDialogStartsInTheRememberedFolder)
{
    std::string stored = remembered + std::string(1, '\0');
    store("OldPath", REG_SZ, stored.c_str(), DWORD(stored.size()));
    EXPECT_EQ(folderOfNextDialog(), remembered);
    EXPECT_EQ(currentDirectory(), folder);
    EXPECT_EQ(fetch("OldPath").data, stored);
}

TEST_F(PersistenceTest, ChoosingAFileElsewhereRemembersItsFolder)
{
    std::string target = remembered + "\\capture.log";
    myOpenSave dialog(nullptr);
    FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
    FileDialogDriver driver(target.c_str());
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), target);
    EXPECT_EQ(fetch("OldPath").data, remembered + std::string(1, '\0'));
    EXPECT_EQ(currentDirectory(), folder);
    EXPECT_EQ(folderOfNextDialog(), remembered);
}

TEST_F(PersistenceTest, AnOpenDialogWithoutExtensionStillRemembersTheFolder)
{
    HANDLE h = CreateFileA((remembered + "\\noext").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    myOpenSave dialog(nullptr);
    FileRequest request = {0, allFiles, openFilter, FileRequest::openMode};
    FileDialogDriver driver((remembered + "\\noext").c_str());
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(fetch("OldPath").data, remembered + std::string(1, '\0'));
}

TEST_F(PersistenceTest, ARememberedFolderThatIsGoneOpensTheCurrentDirectory)
{
    std::string gone = folder + "\\gone";
    std::string stored = gone + std::string(1, '\0');
    store("OldPath", REG_SZ, stored.c_str(), DWORD(stored.size()));
    EXPECT_EQ(folderOfNextDialog(), folder);
    EXPECT_EQ(fetch("OldPath").data, folder + std::string(1, '\0'));
}

TEST_F(PersistenceTest, AnUnterminatedOldPathIsIgnored)
{
    store("OldPath", REG_BINARY, remembered.data(), DWORD(remembered.size()));
    EXPECT_EQ(folderOfNextDialog(), folder);
    EXPECT_EQ(currentDirectory(), folder);
    // A REG_SZ stored without its NUL: Wine's registry adds the terminator
    // on reading, the system's may not; either way only the stored text is
    // used, never the bytes after it.
    store("OldPath", REG_SZ, remembered.data(), DWORD(remembered.size()));
    std::string shown = folderOfNextDialog();
    EXPECT_TRUE(shown == folder || shown == remembered) << shown;
    EXPECT_EQ(currentDirectory(), folder);
}

TEST_F(PersistenceTest, AnEmptyOldPathIsIgnored)
{
    store("OldPath", REG_SZ, "", 1);
    EXPECT_EQ(folderOfNextDialog(), folder);
    store("OldPath", REG_SZ, "", 0);
    EXPECT_EQ(folderOfNextDialog(), folder);
}

TEST_F(PersistenceTest, AnOldPathLongerThanAPathIsIgnored)
{
    std::string tooLong = remembered + "\\" + std::string(300, 'x') + std::string(1, '\0');
    store("OldPath", REG_SZ, tooLong.c_str(), DWORD(tooLong.size()));
    EXPECT_EQ(folderOfNextDialog(), folder);
    EXPECT_EQ(currentDirectory(), folder);
}
