#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/PAppl.h"
#include "res/resource.h"
#include "test_win_OwnBtnRig.h"
#include "tests/wine/helpers/ScreenCapture.h"
#include "tests/wine/res/controlsIds.h"
#include "util/PVect.h"
#include "win/PBitmap.h"
#include "win/PDialog.h"
#include "win/POwnBtnImage.h"

namespace {

const int pictureIds[] = {IDB_SETUP, IDB_SEND, IDB_DONE, IDB_DEFAULT, IDB_CANCEL,
                          IDB_OK, IDB_SAVE, IDB_CLEAR, IDB_PORTOPEN, IDB_PORTCLOSED};
const int rowCount = 10;
const int columnCount = 4; // normal, pressed, disabled, focused

// Every picture on a button in every state, for a person to look at.
class Showcase : public PDialog
{
public:
    Showcase() : PDialog(nullptr, IDD_CT_SHOWCASE)
    {
        for (int r = 0; r < rowCount; ++r) {
            bitmaps.push_back(new PBitmap(nullptr, pictureIds[r]));
            PVect<PBitmap *> one(1);
            one.at(0) = bitmaps.back();
            for (int c = 0; c < columnCount; ++c)
                buttons.push_back(new Snap<POwnBtnImage>(this, IDC_CT_SHOW_FIRST + 4 * r + c, one));
        }
    }
    ~Showcase() override
    {
        // The window and the buttons go first; they only borrow the bitmaps.
        destroy();
        while (lastChild)
            delete lastChild;
        for (PBitmap *b : bitmaps)
            delete b;
    }

    std::vector<PBitmap *> bitmaps;
    std::vector<Snap<POwnBtnImage> *> buttons;
};

std::string screenshotPath()
{
    char dir[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableA("LT_BUILD", dir, sizeof dir);
    std::string path = n > 0 && n < sizeof dir ? std::string(dir) + "\\" : std::string();
    return path + "screenshot-buttons.bmp";
}

// The window as it is on screen, written as a .bmp.
bool saveWindow(HWND wnd, const std::string &path)
{
    return rig::writeBmpTo(rig::captureWindowDC(wnd), path);
}

} // namespace

TEST(OwnBtnScreenshot, EveryImageButtonInEveryStateIsWrittenToTheBuildFolder)
{
    PAppl app(GetModuleHandleA(nullptr), SW_SHOW);
    Showcase dlg;
    ASSERT_TRUE(dlg.create());
    ShowWindow(dlg.hwnd, SW_SHOW);
    SetForegroundWindow(dlg.hwnd);
    for (int r = 0; r < rowCount; ++r) {
        SendMessageA(dlg.buttons[size_t(4 * r + 1)]->hwnd, BM_SETSTATE, TRUE, 0);
        EnableWindow(dlg.buttons[size_t(4 * r + 2)]->hwnd, FALSE);
    }
    RedrawWindow(dlg.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(pumpUntil(app, [&] {
        for (auto *b : dlg.buttons)
            if (b->draws == 0)
                return false;
        return true;
    }));
    pumpFor(app, 200);
    // One button can hold the focus; the focused column is drawn as the
    // system would draw a focused button.
    for (int r = 0; r < rowCount; ++r)
        dlg.buttons[size_t(4 * r + 3)]->drawAs(ODS_FOCUS);

    // Every picture loaded and was drawn.
    for (PBitmap *b : dlg.bitmaps)
        EXPECT_NE(b->getHandle(), nullptr);
    const std::string path = screenshotPath();
    ASSERT_TRUE(saveWindow(dlg.hwnd, path)) << path;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 10000u);
}
