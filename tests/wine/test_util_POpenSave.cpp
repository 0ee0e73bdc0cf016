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
        // A table's cases are named "Case/Row": one folder each, all at one level.
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char &c : name)
            if (c == '/')
                c = '-';
        folder = std::string(tmp) + "\\" + name;
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

// A name typed into the dialog, the file it chooses and the filter entry
// the request reports back.
struct TypedName
{
    const char *label;
    const char *existing;   // a file made first (opening needs one); null: none
    unsigned filterIndex;
    const char *const *extensions;
    const char *filter;
    uint32_t mode;
    const char *typed;
    const char *chosen;     // the name chosen, inside the test's folder
    unsigned filterIndexAfter;
    bool showsTheFolder;    // also check the folder the dialog opened in
};

class POpenSaveNames : public POpenSaveTest, public testing::WithParamInterface<TypedName>
{
};

TEST_P(POpenSaveNames, ChoosesTheNameAndReportsTheFilter)
{
    const TypedName &c = GetParam();
    if (c.existing)
        makeFile(folder + "\\" + c.existing);
    FileRequest request = {c.filterIndex, c.extensions, c.filter, c.mode};
    POpenSave dialog(nullptr);
    FileDialogDriver driver(c.typed);
    ASSERT_TRUE(dialog.execute(request));
    ASSERT_TRUE(driver.waitDone());
    if (c.showsTheFolder) {
        EXPECT_EQ(driver.folder(), folder);
    }
    EXPECT_EQ(std::string(dialog.getFileName()), folder + "\\" + c.chosen);
    EXPECT_EQ(request.filterIndex, c.filterIndexAfter);
}

// The only entry of allFiles is "All Files" (".*"): a name "received.*"
// could not be created, so the name is kept as typed.
const TypedName typedNames[] = {
    {"ASaveNameWithoutExtensionUnderAllFilesStaysAsTyped", nullptr, 0, allFiles, saveFilter, FileRequest::saveMode,
     "received", "received", 0, true},
    {"AnExtensionMatchesItsEntryIgnoringCase", "DATA.TXT", 2, textAndAll, textFilter, FileRequest::openMode,
     "DATA.TXT", "DATA.TXT", 0, false},
    {"AnExtensionOutsideTheListLeavesTheFilterIndex", nullptr, 1, textAndAll, textFilter, FileRequest::saveMode,
     "notes.md", "notes.md", 1, false},
    {"ASaveNameWithoutExtensionTakesTheChosenFiltersOne", nullptr, 1, textAndAll, textFilter, FileRequest::saveMode,
     "dump", "dump.bin", 1, false},
};

INSTANTIATE_TEST_SUITE_P(Typed, POpenSaveNames, testing::ValuesIn(typedNames),
                         [](const testing::TestParamInfo<TypedName> &info) { return std::string(info.param.label); });

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
