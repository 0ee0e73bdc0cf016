#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DataPathTest.h"
#include "tests/wine/helpers/TerminalRig.h"
#include "wine/helpers/FileDialogDriver.h"
#include "wine/helpers/MessageBoxAnswerer.h"

using rig::bytesOf;

namespace {

class SaveReceived : public rig::DataPathTest
{
protected:
    // Saves under path; returns the message shown.
    std::string save(const std::string &path)
    {
        // An existing file raises the dialog's replace question first (Yes);
        // the terminal's own box then takes its default answer.
        bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        // Wine's file dialog can take several seconds to come up on a
        // loaded machine: the watchers' deadlines leave it room, and the
        // box after it is waited for from when the dialog has closed.
        MessageBoxAnswerer answerer(IDYES, exists ? 2 : 1, 60000);
        FileDialogDriver driver(path.c_str(), IDYES, 60000);
        term.command(IDC_SAVE);
        EXPECT_TRUE(driver.waitDone(40000));
        EXPECT_TRUE(answerer.waitAnswered(1, 20000));
        term.settle(300);
        int last = answerer.answeredCount() - 1;
        return answerer.text(last) + "|" + answerer.caption(last);
    }
};

} // namespace

TEST_F(SaveReceived, SavedFileHoldsExactlyTheReceivedBytesNulIncluded)
{
    std::vector<unsigned char> data = {0x41, 0x00, 0x42};
    ASSERT_TRUE(receive(data));
    std::string path = rig::tempPath("three.bin");
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, data);
}

TEST_F(SaveReceived, SavedFileIsRawAlsoInHexView)
{
    term.check(IDC_SHOWHEX, true);
    ASSERT_TRUE(receive(bytesOf("hex\r\n")));
    std::string path = rig::tempPath("hexview.bin");
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("hex\r\n"));
}

TEST_F(SaveReceived, NothingToSaveAfterClear)
{
    ASSERT_TRUE(receive(bytesOf("gone")));
    term.command(IDC_CLEAR);
    MessageBoxAnswerer answerer(IDOK);
    FileDialogDriver driver(nullptr, IDOK, 3000);
    term.command(IDC_SAVE);
    ASSERT_TRUE(answerer.waitAnswered(1));
    EXPECT_EQ(answerer.text(0), "Nothing to Save");
    EXPECT_EQ(answerer.caption(0), "Warning");
    EXPECT_FALSE(driver.sawDialog());
}

TEST_F(SaveReceived, SavingTwiceToTheSameNameReplacesTheFile)
{
    ASSERT_TRUE(receive(bytesOf("first and longer")));
    std::string path = rig::tempPath("twice.bin");
    EXPECT_EQ(save(path), "File Saved|Success");
    term.command(IDC_CLEAR);
    ASSERT_TRUE(receive(bytesOf("second")));
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("second"));
}

TEST_F(SaveReceived, SavingDoesNotChangeHistoryOrView)
{
    ASSERT_TRUE(receive(bytesOf("stay")));
    save(rig::tempPath("stay.bin"));
    EXPECT_EQ(term.history(), bytesOf("stay"));
    EXPECT_EQ(term.viewText(), "stay");
}

TEST_F(SaveReceived, SavingWhileCapturingWritesWhatCameSinceTheCaptureStarted)
{
    ASSERT_TRUE(receive(bytesOf("old")));
    std::string cap = rig::tempPath("cap.bin");
    {
        FileDialogDriver driver(cap.c_str(), IDYES);
        term.check(IDC_CAPTURE, true);
        ASSERT_TRUE(driver.waitDone());
    }
    ASSERT_TRUE(receive(bytesOf("new")));
    std::string path = rig::tempPath("during.bin");
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("new"));
    term.check(IDC_CAPTURE, false);
}

TEST_F(SaveReceived, ANameTypedWithoutExtensionIsSavedUnderThatName)
{
    ASSERT_TRUE(receive(bytesOf("plain")));
    std::string path = rig::tempPath("noextension");
    DeleteFileA(path.c_str());
    EXPECT_EQ(save(path), "File Saved|Success");
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("plain"));
}

TEST_F(SaveReceived, FileHeldByAnotherProgramCannotBeCreatedAndIsLeftAlone)
{
    ASSERT_TRUE(receive(bytesOf("x")));
    std::string path = rig::tempPath("held.bin");
    ASSERT_TRUE(rig::writeFile(path, bytesOf("keep")));
    {
        rig::HeldFile holder(path);
        ASSERT_TRUE(holder.held());
        EXPECT_EQ(save(path), "Unable to creat File|Error on file");
    }
    std::vector<unsigned char> file;
    ASSERT_TRUE(rig::readFile(path, file));
    EXPECT_EQ(file, bytesOf("keep"));
    EXPECT_EQ(term.history(), bytesOf("x"));
}

TEST_F(SaveReceived, WriteFailingOnAFullVolumeIsReported)
{
    ASSERT_TRUE(receive(bytesOf("lost?")));
    std::string full = rig::fullDevice();
    ASSERT_FALSE(full.empty()) << "Z:\\dev\\full cannot be opened";
    EXPECT_EQ(save(full), "Unable to write to File|Error on file");
    // Nothing is lost: the history still holds the bytes for another try.
    EXPECT_EQ(term.history(), bytesOf("lost?"));
}
