#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/wine/helpers/FileDialogDriver.h"
#include "util/POpenSave.h"

namespace {

const char *const allFiles[] = {".*", nullptr};
const char saveFilter[] = "All Files (*.*)\0*.*\0";
const char openFilter[] = "All Files (*.*)\0\0";
const char *const textAndAll[] = {".txt", ".bin", ".*", nullptr};
const char textFilter[] = "Text (*.txt)\0*.txt\0Binary (*.bin)\0*.bin\0All Files (*.*)\0*.*\0";

std::string currentDirectory()
{
    char dir[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(sizeof dir, dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string();
}

class POpenSaveTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char tmp[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("LT_TMP", tmp, sizeof tmp);
        ASSERT_TRUE(n > 0 && n < sizeof tmp) << "LT_TMP is not set";
        folder = std::string(tmp) + "\\" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        other = folder + "\\other";
        CreateDirectoryA(other.c_str(), nullptr);
        startDir = currentDirectory();
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    }
    void TearDown() override { SetCurrentDirectoryA(startDir.c_str()); }

    static void makeFile(const std::string &p)
    {
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }

    std::string folder, other, startDir;
};

} // namespace

// The only entry is "All Files" (".*"): a name "received.*" could not be
// created, so the name is kept as typed.
TEST_F(POpenSaveTest, ASaveNameWithoutExtensionUnderAllFilesStaysAsTyped)
{
    FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("received");
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(driver.folder(), folder);
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\received");
    EXPECT_EQ(request.filterIndex, 0u);
}

TEST_F(POpenSaveTest, AnExtensionMatchesItsEntryIgnoringCase)
{
    makeFile(folder + "\\DATA.TXT");
    FileRequest request = {2, textAndAll, textFilter, FileRequest::openMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("DATA.TXT");
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\DATA.TXT");
    EXPECT_EQ(request.filterIndex, 0u);
}

TEST_F(POpenSaveTest, AnExtensionOutsideTheListLeavesTheFilterIndex)
{
    FileRequest request = {1, textAndAll, textFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("notes.md");
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\notes.md");
    EXPECT_EQ(request.filterIndex, 1u);
}

TEST_F(POpenSaveTest, ASaveNameWithoutExtensionTakesTheChosenFiltersOne)
{
    FileRequest request = {1, textAndAll, textFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("dump");
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\dump.bin");
    EXPECT_EQ(request.filterIndex, 1u);
}

TEST_F(POpenSaveTest, AnOpenedNameWithoutExtensionIsRefused)
{
    makeFile(folder + "\\plain");
    FileRequest request = {0, allFiles, openFilter, FileRequest::openMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("plain");
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_FALSE(driver.cancelledAfterOk());
}

TEST_F(POpenSaveTest, CancellingReturnsFalse)
{
    FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver(nullptr);
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_TRUE(driver.sawDialog());
}

TEST_F(POpenSaveTest, TheCurrentDirectoryIsRestoredAfterChoosingElsewhere)
{
    makeFile(other + "\\moved.txt");
    FileRequest request = {0, textAndAll, textFilter, FileRequest::openMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver((other + "\\moved.txt").c_str());
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), other + "\\moved.txt");
    EXPECT_EQ(currentDirectory(), folder);
}

TEST_F(POpenSaveTest, AModeThatIsNeitherOpenNorSaveShowsNoDialog)
{
    FileRequest request = {0, allFiles, saveFilter, 7};
    POpenSave dialog(nullptr);
    EXPECT_FALSE(dialog.execute(request));
    EXPECT_EQ(dialog.getFileName()[0], '\0');
    EXPECT_EQ(currentDirectory(), folder);
}

TEST_F(POpenSaveTest, ASaveNameThatWouldNotFitWithItsExtensionIsRefused)
{
    // folder + '\\' + name is exactly 256 characters: 4 more for ".bin"
    // would need 261 bytes with the NUL.
    size_t nameLength = 256 - folder.size() - 1;
    ASSERT_LT(nameLength, 256u);
    std::string name(nameLength, 'n');
    FileRequest request = {1, textAndAll, textFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver(name.c_str());
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\" + name);
}

TEST_F(POpenSaveTest, SavingOverAnExistingFileAsksFirstAndAcceptsYes)
{
    makeFile(folder + "\\exists.bin");
    FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("exists.bin", IDYES);
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_NE(driver.messages()[0].find("exists"), std::string::npos) << driver.messages()[0];
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\exists.bin");
}

TEST_F(POpenSaveTest, SavingOverAnExistingFileAnsweredNoChoosesNothing)
{
    makeFile(folder + "\\exists.bin");
    FileRequest request = {0, allFiles, saveFilter, FileRequest::saveMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("exists.bin", IDNO);
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(driver.messages().size(), 1u);
    EXPECT_TRUE(driver.cancelledAfterOk());
    EXPECT_EQ(currentDirectory(), folder);
}

TEST_F(POpenSaveTest, OpeningAMissingFileIsRefusedByTheDialog)
{
    FileRequest request = {0, allFiles, openFilter, FileRequest::openMode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver("absent.txt");
    EXPECT_FALSE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    EXPECT_EQ(driver.messages().size(), 1u);
    EXPECT_TRUE(driver.cancelledAfterOk());
}
