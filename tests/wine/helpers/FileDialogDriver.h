#ifndef TESTS_WINE_HELPERS_FILEDIALOGDRIVER_H
#define TESTS_WINE_HELPERS_FILEDIALOGDRIVER_H

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/DriverThread.h"

// Drives the next common open or save dialog (GetOpenFileNameA /
// GetSaveFileNameA) of this process as an operator would: types a file name
// into its "File name" field and presses its OK button, or presses Cancel.
//
// Constructing a driver arms a watcher thread; then run the code that shows
// the dialog on the test's thread. The watcher waits (until the deadline,
// counted from construction) for a visible #32770 dialog of this process
// that has the file name field (combo 0x47C or edit 0x480), records its
// caption and the folder it shows, then acts:
//   - fileName given: types it and presses IDOK. If the dialog answers with a
//     message box (file must exist, replace existing file?...), the box's
//     text is recorded and the box answered with boxAnswer (IDYES for an
//     overwrite prompt, say); if the dialog is still open afterwards it is
//     cancelled, so the call under test always returns.
//   - fileName null: presses IDCANCEL.
//
// The driver answers the dialog's own prompts itself; do not arm a
// MessageBoxAnswerer for them at the same time (both would race for them).
//
// Typical use:
//     FileDialogDriver driver("out.txt");        // relative: the shown folder
//     bool ok = dialog.execute(request);
//     ASSERT_TRUE(driver.waitDone());
//     EXPECT_EQ(driver.folder(), expectedFolder);
class FileDialogDriver : public DriverThread
{
public:
    explicit FileDialogDriver(const char *fileName, int boxAnswer = IDOK, DWORD deadlineMs = 30000);
    ~FileDialogDriver() override;

    // Waits until the driver has finished with a dialog (it closed) or the
    // timeout passes. True when a dialog was seen and has closed.
    bool waitDone(DWORD timeoutMs = 20000) const;

    bool sawDialog() const;
    std::string caption() const;
    // The folder the dialog showed when it appeared, no trailing backslash
    // unless it is a drive root; empty when the dialog did not tell.
    std::string folder() const;
    // Texts of the message boxes the dialog raised after OK.
    std::vector<std::string> messages() const;
    // True when the driver had to cancel the dialog after pressing OK.
    bool cancelledAfterOk() const;

    // Finds a visible common file dialog of this process, or null.
    static HWND findFileDialog();

private:
    void run() override;
    void setResult(bool seen, const std::string &cap, const std::string &dir);

    std::string name;
    bool cancel;
    int boxAnswer;
    HANDLE doneEvent;
    bool seenDialog;
    bool cancelledAfterPress;
    std::string seenCaption;
    std::string seenFolder;
    std::vector<std::string> seenMessages;
};

#endif
