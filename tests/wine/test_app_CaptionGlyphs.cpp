// The frame's caption buttons are drawn with the system's symbol font,
// Marlett. Where it is missing Wine falls back to a text font and the close
// button of the frame shows the letter "r" instead of a cross.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/ModalDriver.h"
#include "tests/wine/helpers/TerminalRig.h"

using namespace rig;

namespace {

int CALLBACK countFace(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM found)
{
    ++*reinterpret_cast<int *>(found);
    return 1;
}

// What the screen shows of a rectangle, as rows of pixels.
std::vector<std::vector<COLORREF>> grab(const RECT &r)
{
    Capture shot = captureScreen(r);
    std::vector<std::vector<COLORREF>> rows;
    for (int y = 0; y < shot.cy; ++y) {
        std::vector<COLORREF> row;
        for (int x = 0; x < shot.cx; ++x)
            row.push_back(shot.colorAt(x, y));
        rows.push_back(row);
    }
    return rows;
}

int brightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

// The glyph of the caption's last button, cut to its own box: the pixels
// clearly darker than the button face (smoothed glyph edges included) that
// are not joined to the edge of the strip. The caption bar and the buttons'
// shadows are, the glyph inside its button face is not.
std::vector<std::vector<bool>> closeGlyph(const std::vector<std::vector<COLORREF>> &strip)
{
    int h = int(strip.size()), w = h ? int(strip[0].size()) : 0;
    int face = brightness(GetSysColor(COLOR_BTNFACE));
    std::vector<std::vector<bool>> dark(static_cast<size_t>(h), std::vector<bool>(static_cast<size_t>(w)));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            dark[size_t(y)][size_t(x)] = brightness(strip[size_t(y)][size_t(x)]) < face - 3 * 40;
    std::vector<POINT> todo;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (y == 0 || x == 0 || y == h - 1 || x == w - 1)
                todo.push_back({x, y});
    while (!todo.empty()) {
        POINT p = todo.back();
        todo.pop_back();
        if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h || !dark[size_t(p.y)][size_t(p.x)])
            continue;
        dark[size_t(p.y)][size_t(p.x)] = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                todo.push_back({p.x + dx, p.y + dy});
    }
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark[size_t(y)][size_t(x)]) {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
            }
    std::vector<std::vector<bool>> glyph;
    for (int y = top; y <= bottom; ++y)
        glyph.push_back(std::vector<bool>(dark[size_t(y)].begin() + left, dark[size_t(y)].begin() + right + 1));
    return glyph;
}

// Share of the dark pixels whose mirror image (left-right) is dark too: a
// cross is its own mirror image, a letter "r" is not.
double mirrorMatch(const std::vector<std::vector<bool>> &dark, int &count)
{
    int matched = 0;
    count = 0;
    for (const std::vector<bool> &row : dark) {
        size_t w = row.size();
        for (size_t x = 0; x < w; ++x) {
            if (!row[x])
                continue;
            ++count;
            // One pixel of slack: the glyph's centre may fall between pixels.
            size_t m = w - 1 - x;
            if (row[m] || (m > 0 && row[m - 1]) || (m + 1 < w && row[m + 1]))
                ++matched;
        }
    }
    return count ? double(matched) / count : 0.0;
}

} // namespace

TEST(CaptionGlyphs, MarlettIsInstalledInThePrefix)
{
    HDC dc = GetDC(nullptr);
    LOGFONTA want;
    ZeroMemory(&want, sizeof want);
    want.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(want.lfFaceName, "Marlett");
    int found = 0;
    EnumFontFamiliesExA(dc, &want, countFace, LPARAM(&found), 0);
    EXPECT_GT(found, 0) << "no Marlett font: install fonts-wine";

    // Asked for by name, the font mapper gives Marlett itself, not a substitute.
    HFONT f = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
    HGDIOBJ old = SelectObject(dc, f);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(nullptr, dc);
    EXPECT_STREQ(face, "Marlett");
}

TEST(CaptionGlyphs, FrameCloseButtonShowsACross)
{
    Terminal t;
    ASSERT_TRUE(t.ready());
    HWND frame = t.frame->hwnd;
    SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(frame, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    pumpFor(t.app, 200);

    // The close box is the last square of the caption, at its right end.
    RECT win;
    GetWindowRect(frame, &win);
    POINT origin = {0, 0};
    ClientToScreen(frame, &origin);
    int size = GetSystemMetrics(SM_CXSIZE);
    ASSERT_GT(size, 8);
    RECT strip = {win.right - size - 8, win.top, win.right, origin.y};
    std::vector<std::vector<bool>> dark = closeGlyph(grab(strip));
    screenshot(frame, "screenshot-caption.bmp");

    int count = 0;
    double match = mirrorMatch(dark, count);
    std::string picture;
    for (const std::vector<bool> &row : dark) {
        for (bool d : row)
            picture += d ? '#' : '.';
        picture += '\n';
    }
    EXPECT_GE(count, 6) << "no glyph in the close box:\n" << picture;
    EXPECT_GE(match, 0.9) << "the close box shows no cross:\n" << picture;
}
