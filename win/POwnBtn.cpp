#include "win/POwnBtn.h"

#include <cstring>

#include "win/PBitmap.h"
#include "win/PMessagePump.h"

POwnBtn::POwnBtn(PWin *parentObj, int controlId) : POwnWin(parentObj, controlId), background(nullptr)
{
    colorSet.faceColor = GetSysColor(COLOR_BTNFACE);
    colorSet.focusColor = RGB(255, 0, 0);
    colorSet.borderWidth = 1;
    colorSet.textColor = GetSysColor(COLOR_BTNTEXT);
}

POwnBtn::~POwnBtn()
{
    delete background;
    background = nullptr;
}

const char *POwnBtn::className()
{
    return "button";
}

bool POwnBtn::isOwnerDrawn()
{
    return (GetWindowLongA(hwnd, GWL_STYLE) & 0xB) == 0xB;
}

void POwnBtn::setColors(const OwnBtnColors &c)
{
    colorSet = c;
}

void POwnBtn::captureBackground()
{
    if (!parent || !parent->hwnd || !hwnd)
        return;
    POINT at = {0, 0};
    MapWindowPoints(hwnd, parent->hwnd, &at, 1);
    // Let the parent finish painting before its pixels are copied.
    PMessagePump::pumpWaiting();
    // The pump may have drawn this button, and taken its background, already.
    if (!parent || !parent->hwnd || !hwnd || background)
        return;
    HDC dc = GetDC(parent->hwnd);
    SIZE size = {width, height};
    background = new PBitmap(dc, at, size);
    ReleaseDC(parent->hwnd, dc);
}

bool POwnBtn::drawItem(WPARAM, DRAWITEMSTRUCT *dis)
{
    if (!dis || dis->itemID == UINT(-1))
        return false;
    if (!background)
        captureBackground();
    if (!hwnd)
        return true;

    HDC mem = CreateCompatibleDC(dis->hDC);
    if (!mem)
        return true;
    HBITMAP work = background ? background->duplicate(dis->hDC) : nullptr;
    if (!work)
        work = CreateCompatibleBitmap(dis->hDC, width, height);
    HGDIOBJ old = SelectObject(mem, work);

    const UINT state = dis->itemState;
    if (state & ODS_FOCUS)
        prepareFocus(mem, dis);
    if (state & ODS_DISABLED)
        drawDisabled(mem, dis);
    else if (state & ODS_SELECTED)
        drawPressed(mem, dis);
    else
        drawNormal(mem, dis);
    if (state & ODS_FOCUS)
        drawFocus(mem, dis);
    drawOverlay(mem, dis);

    // Shown on the button's own window, in one blit.
    HDC win = GetDC(hwnd);
    BitBlt(win, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, win);

    SelectObject(mem, old);
    DeleteDC(mem);
    if (work)
        DeleteObject(work);
    return true;
}

void POwnBtn::prepareFocus(HDC, DRAWITEMSTRUCT *)
{
}

void POwnBtn::drawPressed(HDC mem, DRAWITEMSTRUCT *)
{
    drawFace(mem, facePressed);
}

void POwnBtn::drawNormal(HDC mem, DRAWITEMSTRUCT *)
{
    drawFace(mem, faceNormal);
}

void POwnBtn::drawDisabled(HDC mem, DRAWITEMSTRUCT *)
{
    drawFace(mem, faceDisabled);
}

void POwnBtn::drawOverlay(HDC, DRAWITEMSTRUCT *)
{
}

void POwnBtn::drawImage(HDC, RECT *, FaceState)
{
}

void POwnBtn::drawFocus(HDC mem, DRAWITEMSTRUCT *)
{
    const int bw = colorSet.borderWidth;
    const int h = bw / 2;
    HPEN pen = CreatePen(PS_SOLID, bw, colorSet.focusColor);
    HGDIOBJ old = SelectObject(mem, pen);
    POINT pts[5] = {
        {h, h}, {width - 1 - h, h}, {width - 1 - h, height - 1 - h}, {h, height - 1 - h}, {h, h}};
    Polyline(mem, pts, 5);
    SelectObject(mem, old);
    DeleteObject(pen);
}

void POwnBtn::drawFace(HDC mem, FaceState s)
{
    const int bw = colorSet.borderWidth;
    RECT r = {bw, bw, width - bw, height - bw};
    if (colorSet.faceColor == noFace) {
        DrawEdge(mem, &r, s == facePressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    } else {
        HBRUSH brush = CreateSolidBrush(colorSet.faceColor);
        if (s == faceDisabled) {
            RECT all = {0, 0, width, height};
            FillRect(mem, &all, brush);
        }
        DrawFrameControl(mem, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (s == facePressed ? DFCS_PUSHED : 0));
        const int edge = GetSystemMetrics(SM_CXEDGE);
        InflateRect(&r, -edge, -edge);
        FillRect(mem, &r, brush);
        DeleteObject(brush);
    }
    drawImage(mem, &r, s);
    if (s == faceDisabled) {
        RECT d = r;
        InflateRect(&d, -(bw + 2), -(bw + 2));
        for (int y = d.top; y < d.bottom; ++y)
            for (int x = d.left + (y & 1); x < d.right; x += 2)
                SetPixel(mem, x, y, RGB(192, 192, 192));
    }
    drawText(mem, &r, s);
}

void POwnBtn::drawText(HDC mem, RECT *r, FaceState s)
{
    if (!title || !r)
        return;
    const int len = int(std::strlen(title));
    HGDIOBJ oldFont = SelectObject(mem, GetStockObject(DEFAULT_GUI_FONT));
    int oldMode = SetBkMode(mem, TRANSPARENT);

    RECT m = *r;
    DrawTextA(mem, title, len, &m, DT_CALCRECT);
    if (m.right > r->right)
        m.right = r->right;
    const int dx = (r->right - r->left) - (m.right - m.left);
    const int dy = (r->bottom - r->top) - (m.bottom - m.top);
    if (dx || dy)
        OffsetRect(&m, dx / 2, dy / 2);
    const int nudge = s == facePressed ? 1 : -1;
    OffsetRect(&m, nudge, nudge);

    COLORREF oldColor = SetTextColor(mem, s == faceDisabled ? GetSysColor(COLOR_GRAYTEXT) : colorSet.textColor);
    DrawTextA(mem, title, len, &m, DT_CENTER | DT_END_ELLIPSIS);
    SetTextColor(mem, oldColor);
    SelectObject(mem, oldFont);
    SetBkMode(mem, oldMode);
}
