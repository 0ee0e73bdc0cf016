#include "terminal/send/SendBoxRecall.h"

#include <cstring>
#include <new>

#include "terminal/settings/Settings.h"

namespace {

const char recallName[] = "Recall";

// The most characters the box's text is read with, for the draft.
const uint32_t boxChars = SendRecall::maxText;

} // namespace

void SendBoxRecall::attach(HWND sendBox)
{
    box = sendBox;
    unsigned char *stored = new (std::nothrow) unsigned char[SendRecall::maxStored];
    if (!stored)
        return;
    uint32_t size = 0;
    if (readRegBinary(recallName, stored, SendRecall::maxStored, size))
        recall.load(stored, size);
    delete[] stored;
}

void SendBoxRecall::remember(const char *text, uint32_t length)
{
    if (recall.remember(text, length))
        store();
}

bool SendBoxRecall::onKey(const MSG *msg)
{
    if (!box || msg->hwnd != box || msg->message != WM_KEYDOWN)
        return false;
    if ((msg->wParam != VK_UP && msg->wParam != VK_DOWN) || GetKeyState(VK_CONTROL) >= 0)
        return false;
    const char *text = nullptr;
    uint32_t length = 0;
    if (msg->wParam == VK_UP) {
        char *typed = new (std::nothrow) char[boxChars + 1];
        if (!typed)
            return true;
        uint32_t n = uint32_t(GetWindowTextA(box, typed, int(boxChars + 1)));
        if (n > boxChars)
            n = boxChars;
        if (recall.back(typed, n, &text, &length))
            show(text, length);
        delete[] typed;
    } else if (recall.forward(&text, &length)) {
        show(text, length);
    }
    return true;
}

// The text in the box, the caret after it.
void SendBoxRecall::show(const char *text, uint32_t length)
{
    char *copy = new (std::nothrow) char[length + 1];
    if (!copy)
        return;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    SetWindowTextA(box, copy);
    delete[] copy;
    SendMessageA(box, EM_SETSEL, WPARAM(length), LPARAM(length));
}

void SendBoxRecall::store() const
{
    uint32_t size = recall.storedSize();
    unsigned char *form = new (std::nothrow) unsigned char[size ? size : 1];
    if (!form)
        return;
    uint32_t n = recall.store(form, size);
    writeRegBinary(recallName, form, n);
    delete[] form;
}
