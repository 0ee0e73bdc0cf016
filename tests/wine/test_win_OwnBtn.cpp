#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/PAppl.h"
#include "test_win_OwnBtnRig.h"
#include "tests/wine/res/controlsIds.h"
#include "util/PVect.h"
#include "win/PDialog.h"
#include "win/POwnBtn.h"
#include "win/POwnBtnImage.h"
#include "win/PSeqTraspBitmap.h"

namespace {

using SnapImage = Snap<POwnBtnImage>;
using SnapPlain = Snap<POwnBtn>;

// Green with the magenta key in its corner: every green pixel on a button
// is the image.
std::unique_ptr<PBitmap> greenImage(int w = 16, int h = 16)
{
    return makeImage(w, h, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : kGreen; });
}

class ButtonDialog : public PDialog
{
public:
    ButtonDialog(PVect<PBitmap *> &images, PVect<PBitmap *> &broken, PVect<PBitmap *> &none)
        : PDialog(nullptr, IDD_CT_BUTTONS)
    {
        image = new SnapImage(this, IDC_CT_IMAGE, images);
        iconOnly = new SnapImage(this, IDC_CT_ICONONLY, images);
        plain = new SnapPlain(this, IDC_CT_PLAINBTN);
        longCaption = new SnapImage(this, IDC_CT_LONG, none);
        brokenImage = new SnapImage(this, IDC_CT_BROKEN, broken);
    }

    LRESULT windowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_COMMAND)
            commands.push_back(wParam);
        return PDialog::windowProc(wnd, msg, wParam, lParam);
    }

    SnapImage *image;
    SnapImage *iconOnly;
    SnapPlain *plain;
    SnapImage *longCaption;
    SnapImage *brokenImage;
    std::vector<WPARAM> commands;
};

class OwnBtnTest : public testing::Test
{
protected:
    void SetUp() override
    {
        green = greenImage();
        images.at(0) = green.get();
        failed.reset(new PBitmap(nullptr, 29999));
        broken.at(0) = failed.get();
        dlg = new ButtonDialog(images, broken, none);
        ASSERT_TRUE(dlg->create());
        ShowWindow(dlg->hwnd, SW_SHOW);
        SetForegroundWindow(dlg->hwnd);
        pumpFor(app, 100);
    }
    void TearDown() override
    {
        delete dlg;
        pumpFor(app, 20);
    }

    RECT templateRect(int l, int t, int w, int h)
    {
        RECT r = {l, t, l + w, t + h};
        MapDialogRect(dlg->hwnd, &r);
        return r;
    }

    PAppl app{GetModuleHandleA(nullptr), SW_SHOW};
    std::unique_ptr<PBitmap> green;
    std::unique_ptr<PBitmap> failed;
    PVect<PBitmap *> images{1};
    PVect<PBitmap *> broken{1};
    PVect<PBitmap *> none{1};
    ButtonDialog *dlg = nullptr;
};

} // namespace

TEST_F(OwnBtnTest, TemplateItemIsMadeAgainAsAnOwnerDrawnButton)
{
    HWND b = dlg->image->hwnd;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetDlgItem(dlg->hwnd, IDC_CT_IMAGE), b);
    EXPECT_EQ(PWin::fromHandle(b), dlg->image);
    EXPECT_EQ(GetWindowLongPtrA(b, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_TRUE(dlg->image->isOwnerDrawn());
    EXPECT_FALSE(dlg->image->hasFlag(PWin::fromTemplate));
    char text[64] = {0};
    GetWindowTextA(b, text, sizeof text);
    EXPECT_STREQ(text, "Se&tup");
    RECT r;
    GetWindowRect(b, &r);
    MapWindowPoints(nullptr, dlg->hwnd, reinterpret_cast<POINT *>(&r), 2);
    RECT expected = templateRect(8, 8, 48, 18);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right, expected.right);
    EXPECT_EQ(r.bottom, expected.bottom);
}

TEST_F(OwnBtnTest, RemadeButtonsKeepTheTemplateTabOrder)
{
    EXPECT_EQ(GetNextDlgTabItem(dlg->hwnd, dlg->image->hwnd, FALSE), dlg->iconOnly->hwnd);
    EXPECT_EQ(GetNextDlgTabItem(dlg->hwnd, dlg->iconOnly->hwnd, FALSE), dlg->plain->hwnd);
    EXPECT_EQ(GetNextDlgTabItem(dlg->hwnd, dlg->longCaption->hwnd, FALSE), dlg->brokenImage->hwnd);
}

TEST_F(OwnBtnTest, ClickIsReportedByTheSystemButton)
{
    dlg->commands.clear();
    SendMessageA(dlg->image->hwnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(pumpUntil(app, [&] { return !dlg->commands.empty(); }));
    ASSERT_FALSE(dlg->commands.empty());
    EXPECT_EQ(dlg->commands.back(), WPARAM(MAKELONG(IDC_CT_IMAGE, BN_CLICKED)));
}

TEST_F(OwnBtnTest, PaintingTheDialogDrawsEveryButton)
{
    int before = dlg->image->draws;
    RedrawWindow(dlg->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(pumpUntil(app, [&] { return dlg->image->draws > before; }));
    EXPECT_NE(dlg->image->getBackground(), nullptr);
}

TEST_F(OwnBtnTest, FocusedButtonHasARedFrameOnItsOutermostPixels)
{
    SnapPlain *b = dlg->plain;
    b->drawAs(ODS_FOCUS);
    auto p = b->picture();
    const int w = b->width;
    const int h = b->height;
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(p->at(x, 0), kRed) << x;
        EXPECT_EQ(p->at(x, h - 1), kRed) << x;
    }
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(p->at(0, y), kRed) << y;
        EXPECT_EQ(p->at(w - 1, y), kRed) << y;
    }
    EXPECT_NE(p->at(1, h / 2), kRed);
    EXPECT_NE(p->at(w / 2, 1), kRed);

    b->drawAs(0);
    auto q = b->picture();
    EXPECT_NE(q->at(0, h / 2), kRed);
}

TEST_F(OwnBtnTest, WideBorderGivesAThreePixelFrameOnePixelIn)
{
    SnapPlain *b = dlg->plain;
    OwnBtnColors c = b->colors();
    c.borderWidth = 3;
    b->setColors(c);
    b->drawAs(ODS_FOCUS);
    auto p = b->picture();
    const int w = b->width;
    const int h = b->height;
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(p->at(x, h / 2), kRed) << x;
        EXPECT_EQ(p->at(w - 1 - x, h / 2), kRed) << x;
        EXPECT_EQ(p->at(w / 2, x), kRed) << x;
        EXPECT_EQ(p->at(w / 2, h - 1 - x), kRed) << x;
    }
    EXPECT_NE(p->at(3, h / 2), kRed);
    EXPECT_NE(p->at(w / 2, 3), kRed);
}

TEST_F(OwnBtnTest, DisabledButtonIsFilledAndCheckeredLightGrey)
{
    SnapPlain *b = dlg->plain;
    OwnBtnColors c = b->colors();
    c.faceColor = kBlue;
    b->setColors(c);
    b->drawAs(ODS_DISABLED);
    auto p = b->picture();
    // The whole control is filled, the margin too.
    EXPECT_EQ(p->at(0, 0), kBlue);
    const int inset = c.borderWidth + GetSystemMetrics(SM_CXEDGE) + c.borderWidth + 2;
    int checked = 0;
    for (int y = inset; y < b->height - inset; ++y)
        for (int x = inset; x < b->width - inset; ++x) {
            bool dot = ((x - inset) % 2) == (y & 1);
            EXPECT_EQ(p->at(x, y), dot ? kSilver : kBlue) << x << "," << y;
            checked += dot;
        }
    EXPECT_GT(checked, 20);
}

TEST_F(OwnBtnTest, DisabledImageIsCoveredByTheCheckerboard)
{
    SnapImage *b = dlg->iconOnly;
    b->drawAs(ODS_DISABLED);
    auto p = b->picture();
    const int bw = b->colors().borderWidth;
    const int dleft = bw + GetSystemMetrics(SM_CXEDGE) + bw + 2;
    const int y = bw + 5 + 4;
    const int x = dleft + 4 + (y & 1);
    EXPECT_EQ(p->at(x, y), kSilver);
    EXPECT_EQ(p->at(x + 1, y), kGreen);
}

TEST_F(OwnBtnTest, TextlessImageButtonPutsTheImageBorderWidthPlusFiveIn)
{
    SnapImage *b = dlg->iconOnly;
    b->drawAs(0);
    RECT g = boxOf(*b->picture(), kGreen);
    const int bw = b->colors().borderWidth;
    EXPECT_EQ(g.left, bw + 5);
    EXPECT_EQ(g.top, bw + 5);
    EXPECT_EQ(g.right - g.left, int(16 * b->scale));
    // The image fits the face height, 5 pixels inside the margin.
    EXPECT_LE(g.bottom, b->height - bw - 5);

    OwnBtnColors c = b->colors();
    c.borderWidth = 3;
    b->setColors(c);
    b->drawAs(0);
    RECT h = boxOf(*b->picture(), kGreen);
    EXPECT_EQ(h.left, 8);
    EXPECT_EQ(h.top, 8);
}

TEST_F(OwnBtnTest, PressedImageIsSmallerAndMovedDownRight)
{
    SnapImage *b = dlg->image;
    b->drawAs(0);
    RECT n = boxOf(*b->picture(), kGreen);
    b->drawAs(ODS_SELECTED);
    RECT p = boxOf(*b->picture(), kGreen);
    EXPECT_GT(p.left, n.left);
    EXPECT_GT(p.top, n.top);
    EXPECT_LT(p.right - p.left, n.right - n.left);
    const double full = 16 * b->scale;
    const int off = int(full - int(full * 0.97));
    const int bw = b->colors().borderWidth;
    EXPECT_EQ(p.left, bw + 6 + off);
    EXPECT_EQ(p.right - p.left, int(full * 0.97));
    // Releasing restores the image.
    b->drawAs(0);
    RECT r = boxOf(*b->picture(), kGreen);
    EXPECT_EQ(r.left, n.left);
    EXPECT_EQ(r.right, n.right);
}

TEST_F(OwnBtnTest, ImageThatFailedToLoadDrawsAPlainButton)
{
    SnapImage *b = dlg->brokenImage;
    EXPECT_EQ(b->strip, nullptr);
    b->drawAs(ODS_FOCUS);
    b->drawAs(ODS_SELECTED);
    b->drawAs(0);
    ASSERT_NE(b->shot, nullptr);
    auto p = b->picture();
    EXPECT_EQ(p->at(b->colors().borderWidth + 8, b->height / 2), b->colors().faceColor);
}

TEST_F(OwnBtnTest, NoFaceColourShowsTheParentThroughTheFace)
{
    SnapPlain *b = dlg->plain;
    OwnBtnColors c = b->colors();
    c.faceColor = POwnBtn::noFace;
    b->setColors(c);
    b->drawAs(0);
    ASSERT_NE(b->getBackground(), nullptr);
    Canvas under(b->width, b->height, RGB(1, 2, 3));
    const_cast<PBitmap *>(b->getBackground())->draw(under.dc, POINT{0, 0});
    auto p = b->picture();
    EXPECT_EQ(p->at(b->width / 2, b->height / 2), under.at(b->width / 2, b->height / 2));
    EXPECT_EQ(p->at(0, 0), under.at(0, 0));
}

TEST_F(OwnBtnTest, StripFrameIsSwappedOnlyForAnImageOfTheSameSize)
{
    POwnBtnImage *b = dynamic_cast<POwnBtnImage *>(PWin::fromHandle(dlg->image->hwnd));
    ASSERT_NE(b, nullptr);
    auto other = greenImage();
    auto bigger = greenImage(18, 16);
    EXPECT_EQ(b->strip->replaceFrame(bigger.get(), 0), nullptr);
    EXPECT_EQ(b->strip->frame(0), green.get());
    EXPECT_EQ(b->strip->replaceFrame(other.get(), 0), green.get());
    EXPECT_EQ(b->strip->frame(0), other.get());
    EXPECT_EQ(b->strip->replaceFrame(green.get(), 0), other.get());
    // The dialog's vector still holds its own bitmap.
    EXPECT_EQ(images.get(0), green.get());
}

TEST_F(OwnBtnTest, ButtonWithoutImagesDrawsItsCaptionOnly)
{
    SnapImage *b = dlg->longCaption;
    EXPECT_EQ(b->strip, nullptr);
    b->drawAs(0);
    auto p = b->picture();
    RECT text = boxOf(*p, b->colors().textColor);
    EXPECT_LT(text.left, text.right);
    // Cut with an ellipsis rather than spilling over the edge.
    EXPECT_LE(text.right, b->width - b->colors().borderWidth);
}

TEST_F(OwnBtnTest, MultiFrameStripShowsFrameZeroNormallyAndFrameOnePressed)
{
    auto normal = greenImage();
    auto pressed = makeImage(16, 16, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : kBlue; });
    PVect<PBitmap *> two(2);
    two.at(0) = normal.get();
    two.at(1) = pressed.get();
    SnapImage *b = dlg->longCaption;
    b->setImages(two);
    ASSERT_NE(b->strip, nullptr);
    EXPECT_EQ(b->strip->getFrameCount(), 2u);
    EXPECT_FALSE(b->fitToImage);

    b->drawAs(0);
    auto n = b->picture();
    RECT g = boxOf(*n, kGreen);
    EXPECT_LT(g.left, g.right);
    EXPECT_GE(boxOf(*n, kBlue).left, boxOf(*n, kBlue).right);

    b->drawAs(ODS_SELECTED);
    auto p = b->picture();
    EXPECT_LT(boxOf(*p, kBlue).left, boxOf(*p, kBlue).right);
    EXPECT_GE(boxOf(*p, kGreen).left, boxOf(*p, kGreen).right);

    // With two frames the focus is the red frame.
    b->drawAs(ODS_FOCUS);
    EXPECT_EQ(b->picture()->at(0, b->height / 2), kRed);
}
