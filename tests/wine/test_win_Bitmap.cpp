#include <gtest/gtest.h>
#include <windows.h>

#include "test_win_BitmapRig.h"
#include "win/PBitmap.h"
#include "win/PSeqTraspBitmap.h"
#include "win/PTraspBitmap.h"
#include "win/PWin.h"

namespace {

// Red with the magenta key in the corner and at (2, 2).
COLORREF holed(int x, int y)
{
    return (x == 0 && y == 0) || (x == 2 && y == 2) ? kMagenta : kRed;
}

bool alive(HBITMAP h)
{
    BITMAP bm;
    return GetObjectA(h, sizeof bm, &bm) != 0;
}

// A strip that counts its draws.
class CountingStrip : public PSeqTraspBitmap
{
public:
    using PSeqTraspBitmap::PSeqTraspBitmap;
    void draw(HDC dc) override
    {
        ++draws;
        PSeqTraspBitmap::draw(dc);
    }
    int draws = 0;
};

// A real window for the operations that draw on the owner.
class OwnerWindow
{
public:
    OwnerWindow() : win(nullptr, nullptr, nullptr)
    {
        win.hwnd = CreateWindowExA(0, "static", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
    ~OwnerWindow()
    {
        HWND h = win.hwnd;
        win.hwnd = nullptr;
        DestroyWindow(h);
    }
    PWin win;
};

} // namespace

TEST(TraspBitmap, TransparentPixelShowsTheBackground)
{
    Canvas c(16, 16, kBlue);
    auto img = makeImage(4, 4, holed);
    PTraspBitmap t(nullptr, img.get(), POINT{3, 3}, false);
    t.draw(c.dc);
    EXPECT_EQ(c.at(3, 3), kBlue);
    EXPECT_EQ(c.at(5, 5), kBlue);
    EXPECT_EQ(c.at(4, 3), kRed);
    EXPECT_EQ(c.at(6, 6), kRed);
    EXPECT_EQ(c.at(7, 7), kBlue);
    EXPECT_EQ(c.at(2, 2), kBlue);
}

TEST(TraspBitmap, OpaquePixelsOfTheKeyColourAreTransparentToo)
{
    Canvas c(8, 8, kGreen);
    auto img = makeImage(4, 4, [](int x, int) { return x % 2 ? kRed : kWhite; });
    PTraspBitmap t(nullptr, img.get(), POINT{0, 0}, false);
    t.draw(c.dc);
    EXPECT_EQ(c.at(2, 1), kGreen);
    EXPECT_EQ(c.at(1, 1), kRed);
}

TEST(TraspBitmap, DrawingAgainAtOnePlaceComposesOverTheFirstSavedPixels)
{
    Canvas c(16, 16, kBlue);
    auto a = makeImage(4, 4, holed);
    auto b = makeImage(4, 4, [](int x, int y) { return (x == 0 && y == 0) || (x == 1 && y == 1) ? kMagenta : kGreen; });
    PBitmap *frames[2] = {a.get(), b.get()};
    PSeqTraspBitmap s(nullptr, frames, 2, POINT{4, 4});
    s.draw(c.dc);
    EXPECT_EQ(c.at(6, 6), kBlue);
    EXPECT_EQ(c.at(5, 5), kRed);
    s.showFrame(1, c.dc);
    // Where frame 1 is transparent the first background shows, not frame 0.
    EXPECT_EQ(c.at(5, 5), kBlue);
    EXPECT_EQ(c.at(6, 6), kGreen);
    s.showFrame(0, c.dc);
    s.showFrame(0, c.dc);
    EXPECT_EQ(c.at(6, 6), kBlue);
    EXPECT_EQ(c.at(5, 5), kRed);
}

TEST(TraspBitmap, ScaleZeroAndOneCopyWithoutStretching)
{
    for (double scale : {0.0, 1.0}) {
        Canvas c(16, 16, kBlue);
        auto img = makeImage(4, 4, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : (x == 3 ? kGreen : kRed); });
        PTraspBitmap t(nullptr, img.get(), POINT{2, 2}, false);
        t.setScale(scale);
        t.draw(c.dc);
        ASSERT_NE(t.getSaved(), nullptr);
        EXPECT_EQ(t.getSaved()->sizeOf().cx, 4);
        EXPECT_EQ(t.getSaved()->sizeOf().cy, 4);
        EXPECT_EQ(c.at(5, 3), kGreen) << scale;
        EXPECT_EQ(c.at(4, 3), kRed) << scale;
        EXPECT_EQ(c.at(6, 3), kBlue) << scale;
        EXPECT_EQ(c.at(3, 6), kBlue) << scale;
    }
}

TEST(TraspBitmap, OtherScalesStretchToTheTruncatedSize)
{
    Canvas c(32, 32, kBlue);
    auto img = makeImage(5, 5, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : kRed; });
    PTraspBitmap t(nullptr, img.get(), POINT{1, 1}, false);
    t.setScale(1.5);
    t.draw(c.dc);
    ASSERT_NE(t.getSaved(), nullptr);
    EXPECT_EQ(t.getSaved()->sizeOf().cx, 7);
    EXPECT_EQ(t.getSaved()->sizeOf().cy, 7);
    EXPECT_EQ(c.at(7, 7), kRed);
    EXPECT_EQ(c.at(8, 7), kBlue);
    EXPECT_EQ(c.at(7, 8), kBlue);

    Canvas d(32, 32, kBlue);
    PTraspBitmap u(nullptr, img.get(), POINT{0, 0}, false);
    u.setScale(2.5);
    u.draw(d.dc);
    EXPECT_EQ(u.getSaved()->sizeOf().cx, 12);
    EXPECT_EQ(d.at(11, 11), kRed);
    EXPECT_EQ(d.at(12, 11), kBlue);
}

TEST(TraspBitmap, EraseRestoresAndMoveForgetsTheSavedPixels)
{
    Canvas c(32, 32, kBlue);
    auto img = makeImage(4, 4, holed);
    PTraspBitmap t(nullptr, img.get(), POINT{2, 2}, false);
    t.draw(c.dc);
    EXPECT_EQ(c.at(3, 3), kRed);
    t.erase(c.dc);
    EXPECT_EQ(c.at(3, 3), kBlue);
    EXPECT_NE(t.getSaved(), nullptr);

    t.draw(c.dc);
    t.moveTo(POINT{20, 20}, c.dc, true);
    EXPECT_EQ(c.at(3, 3), kBlue);
    EXPECT_EQ(c.at(21, 21), kRed);
    EXPECT_EQ(t.getPos().x, 20);

    t.moveTo(POINT{10, 10}, c.dc, false);
    EXPECT_EQ(c.at(21, 21), kBlue);
    EXPECT_EQ(t.getSaved(), nullptr);
}

TEST(TraspBitmap, BorrowedImageOutlivesTheTransparentBitmap)
{
    auto img = makeImage(4, 4, holed);
    {
        PTraspBitmap t(nullptr, img.get(), POINT{0, 0}, false);
        Canvas c(8, 8, kBlue);
        t.draw(c.dc);
    }
    EXPECT_TRUE(alive(img->getHandle()));
    EXPECT_EQ(img->sizeOf().cx, 4);
    PTraspBitmap owning(nullptr, new PBitmap(*img), POINT{0, 0}, true);
}

TEST(SeqTraspBitmap, ReplaceFrameRefusesAnotherSizeOrIndex)
{
    auto a = makeImage(4, 4, holed);
    auto big = makeImage(5, 4, holed);
    auto same = makeImage(4, 4, holed);
    PBitmap *frames[1] = {a.get()};
    PSeqTraspBitmap s(nullptr, frames, 1, POINT{0, 0});
    EXPECT_EQ(s.replaceFrame(big.get(), 0), nullptr);
    EXPECT_EQ(frames[0], a.get());
    EXPECT_EQ(s.replaceFrame(same.get(), 1), nullptr);
    EXPECT_EQ(s.replaceFrame(nullptr, 0), nullptr);
    EXPECT_EQ(s.replaceFrame(same.get(), 0), a.get());
    EXPECT_EQ(frames[0], same.get());
}

TEST(SeqTraspBitmap, ReplacingTheCurrentFrameRedrawsOnTheOwnerAtOnce)
{
    OwnerWindow owner;
    ASSERT_NE(owner.win.hwnd, nullptr);
    auto a = makeImage(4, 4, holed);
    auto b = makeImage(4, 4, holed);
    auto c = makeImage(4, 4, holed);
    PBitmap *frames[2] = {a.get(), b.get()};
    CountingStrip s(&owner.win, frames, 2, POINT{0, 0});
    EXPECT_EQ(s.replaceFrame(c.get(), 1), b.get());
    EXPECT_EQ(s.draws, 0);
    EXPECT_EQ(s.replaceFrame(b.get(), 0), a.get());
    EXPECT_EQ(s.draws, 1);
    EXPECT_NE(s.getSaved(), nullptr);
}

TEST(SeqTraspBitmap, ShowFrameIgnoresAnIndexOutOfRange)
{
    Canvas c(8, 8, kBlue);
    auto a = makeImage(4, 4, holed);
    PBitmap *frames[1] = {a.get()};
    PSeqTraspBitmap s(nullptr, frames, 1, POINT{0, 0});
    s.showFrame(1, c.dc);
    EXPECT_EQ(s.getCurrent(), 0u);
    EXPECT_EQ(c.at(1, 1), kBlue);
    s.showFrame(0, c.dc);
    EXPECT_EQ(c.at(1, 1), kRed);
}

TEST(Bitmap, FailedLoadHasNoPixelsAndDrawsNothing)
{
    PBitmap none(nullptr, 29999);
    EXPECT_EQ(none.getHandle(), nullptr);
    EXPECT_EQ(none.sizeOf().cx, 0);
    EXPECT_EQ(none.sizeOf().cy, 0);
    Canvas c(8, 8, kBlue);
    EXPECT_FALSE(none.draw(c.dc, POINT{0, 0}));
    EXPECT_FALSE(none.drawScaled(c.dc, POINT{0, 0}, SIZE{4, 4}));
    RECT r = {0, 0, 2, 2};
    EXPECT_FALSE(none.drawRect(c.dc, r, r));
    EXPECT_EQ(none.duplicate(nullptr), nullptr);
    PTraspBitmap t(nullptr, &none, POINT{0, 0}, false);
    t.draw(c.dc);
    EXPECT_EQ(c.at(0, 0), kBlue);
}

TEST(Bitmap, CaptureCopiesThePixelsOfADC)
{
    Canvas c(8, 8, kBlue);
    c.set(3, 4, kRed);
    PBitmap shot(c.dc, POINT{2, 2}, SIZE{4, 4});
    EXPECT_EQ(shot.sizeOf().cx, 4);
    EXPECT_TRUE(shot.isOwned());
    Canvas d(8, 8, kGreen);
    EXPECT_TRUE(shot.draw(d.dc, POINT{0, 0}));
    EXPECT_EQ(d.at(1, 2), kRed);
    EXPECT_EQ(d.at(0, 0), kBlue);
    EXPECT_EQ(d.at(4, 4), kGreen);
}

TEST(Bitmap, DuplicateAndCopyHoldTheSamePixels)
{
    auto img = makeImage(3, 3, [](int x, int y) { return x == y ? kRed : kGreen; });
    Canvas c(8, 8, kBlue);
    HBITMAP dup = img->duplicate(c.dc);
    ASSERT_NE(dup, nullptr);
    {
        PBitmap wrapper(dup);
        EXPECT_FALSE(wrapper.isOwned());
        EXPECT_TRUE(wrapper.draw(c.dc, POINT{1, 1}));
    }
    EXPECT_TRUE(alive(dup));
    DeleteObject(dup);
    EXPECT_EQ(c.at(2, 2), kRed);
    EXPECT_EQ(c.at(3, 2), kGreen);
    PBitmap copy(*img);
    EXPECT_NE(copy.getHandle(), img->getHandle());
    Canvas d(8, 8, kBlue);
    copy.draw(d.dc, POINT{0, 0});
    EXPECT_EQ(d.at(2, 2), kRed);
    EXPECT_EQ(d.at(2, 1), kGreen);
}

TEST(Bitmap, DrawScaledStretchesToTheGivenSize)
{
    auto img = makeImage(2, 2, [](int, int) { return kRed; });
    Canvas c(16, 16, kBlue);
    EXPECT_TRUE(img->drawScaled(c.dc, POINT{1, 1}, SIZE{6, 6}));
    EXPECT_EQ(c.at(6, 6), kRed);
    EXPECT_EQ(c.at(7, 7), kBlue);
    EXPECT_EQ(GetStretchBltMode(c.dc), BLACKONWHITE);
    EXPECT_TRUE(img->drawScaled(c.dc, POINT{10, 10}, SIZE{2, 2}));
    EXPECT_EQ(c.at(11, 11), kRed);
    EXPECT_EQ(c.at(12, 12), kBlue);
}

TEST(Bitmap, DrawRectCopiesPartOfTheBitmap)
{
    auto img = makeImage(4, 4, [](int x, int y) { return x >= 2 && y >= 2 ? kRed : kGreen; });
    Canvas c(8, 8, kBlue);
    RECT dst = {0, 0, 2, 2};
    RECT src = {2, 2, 4, 4};
    EXPECT_TRUE(img->drawRect(c.dc, dst, src));
    EXPECT_EQ(c.at(0, 0), kRed);
    EXPECT_EQ(c.at(1, 1), kRed);
    EXPECT_EQ(c.at(2, 2), kBlue);
}

TEST(Bitmap, MaskIsWhiteWhereTheImageHasItsCornerColour)
{
    auto img = makeImage(4, 4, holed);
    HDC screen = GetDC(nullptr);
    HDC src = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP h = img->duplicate(nullptr);
    MaskRecord m = makeMask(src, h, 4, 4);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(m.dc, 2, 2), kWhite);
    EXPECT_EQ(GetPixel(m.dc, 1, 0), RGB(0, 0, 0));
    SelectObject(m.dc, m.displaced);
    DeleteObject(m.mask);
    DeleteDC(m.dc);
    DeleteDC(src);
    DeleteObject(h);
}
