#include "tests/wine/helpers/ScreenCapture.h"

namespace rig {

namespace {

BITMAPINFOHEADER header(int cx, int cy)
{
    BITMAPINFOHEADER bh;
    ZeroMemory(&bh, sizeof bh);
    bh.biSize = sizeof bh;
    bh.biWidth = cx;
    bh.biHeight = -cy;   // top-down rows
    bh.biPlanes = 1;
    bh.biBitCount = 32;
    bh.biCompression = BI_RGB;
    return bh;
}

// cx x cy pixels of `from` at (x, y) through a 32-bit DIB.
Capture captureDC(HDC from, int x, int y, int cx, int cy)
{
    Capture shot;
    if (!from || cx <= 0 || cy <= 0)
        return shot;
    BITMAPINFOHEADER bh = header(cx, cy);
    HDC mem = CreateCompatibleDC(from);
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(from, reinterpret_cast<BITMAPINFO *>(&bh), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    if (bits && BitBlt(mem, 0, 0, cx, cy, from, x, y, SRCCOPY)) {
        GdiFlush();
        const DWORD *p = static_cast<const DWORD *>(bits);
        shot.pixels.assign(p, p + size_t(cx) * size_t(cy));
        for (DWORD &px : shot.pixels)
            px &= 0x00FFFFFFu;
        shot.cx = cx;
        shot.cy = cy;
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    return shot;
}

std::string folderFor(const char *fileName)
{
    char dir[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LT_BUILD", dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        n = GetEnvironmentVariableA("LT_TMP", dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        n = GetTempPathA(sizeof dir, dir);
    std::string path = n > 0 && n < sizeof dir ? std::string(dir, n) : std::string();
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + fileName;
}

} // namespace

Capture captureScreen(const RECT &r)
{
    HDC screen = GetDC(nullptr);
    Capture shot = captureDC(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return shot;
}

Capture captureClient(HWND w)
{
    RECT r;
    if (!GetClientRect(w, &r))
        return Capture();
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return captureScreen(r);
}

std::vector<int> rowsWith(const Capture &shot, COLORREF colour, int minPixels, int width)
{
    std::vector<int> rows;
    int cx = width > 0 && width < shot.cx ? width : shot.cx;
    for (int y = 0; y < shot.cy; ++y) {
        int n = 0;
        for (int x = 0; x < cx; ++x)
            n += shot.colorAt(x, y) == colour;
        if (n > minPixels)
            rows.push_back(y);
    }
    return rows;
}

Capture captureWindow(HWND w)
{
    RECT r;
    if (!GetWindowRect(w, &r))
        return Capture();
    return captureScreen(r);
}

Capture captureWindowDC(HWND w)
{
    RECT r;
    if (!GetWindowRect(w, &r))
        return Capture();
    HDC dc = GetWindowDC(w);
    Capture shot = captureDC(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    ReleaseDC(w, dc);
    return shot;
}

bool writeBmpTo(const Capture &shot, const std::string &path)
{
    if (shot.empty())
        return false;
    BITMAPINFOHEADER bh = header(shot.cx, shot.cy);
    DWORD size = DWORD(shot.pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER fh;
    ZeroMemory(&fh, sizeof fh);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bh;
    fh.bfSize = fh.bfOffBits + size;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD a = 0, b = 0, c = 0;
    bool ok = WriteFile(f, &fh, sizeof fh, &a, nullptr) && WriteFile(f, &bh, sizeof bh, &b, nullptr) &&
              WriteFile(f, shot.pixels.data(), size, &c, nullptr) && a == sizeof fh && b == sizeof bh && c == size;
    return CloseHandle(f) && ok;
}

bool writeBmp(const Capture &shot, const char *fileName)
{
    return writeBmpTo(shot, folderFor(fileName));
}

} // namespace rig
