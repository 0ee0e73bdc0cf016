#include "terminal/send/SendBox.h"

#include <cstring>
#include <memory>
#include <new>

#include "res/resource.h"
#include "terminal/port/PortControl.h"
#include "terminal/send/ByteFieldsView.h"
#include "terminal/send/LineEnd.h"
#include "terminal/receive/SentNotes.h"
#include "terminal/settings/Settings.h"

void SendBox::attach(HWND dialogWindow)
{
    dialog = dialogWindow;
    // The box takes no more than a send reads, so nothing typed is cut off
    // unseen; recall and the stored commands hold texts of the same length.
    SendDlgItemMessageA(dialog, IDC_SENDBOX, EM_LIMITTEXT, WPARAM(maxChars), 0);
    recall.attach(GetDlgItem(dialog, IDC_SENDBOX));
}

SendBox::Source SendBox::sourceOf(int editId)
{
    return editId == IDC_SENDBOX ? Source::sendBox : Source::byteFields;
}

SendBox::Outcome SendBox::send(Source from)
{
    if (from == Source::byteFields) {
        unsigned char byte = byteFields.byte();
        notes.sentBytes(&byte, 1);
        return line.send(&byte, 1, false) ? sent : failed;
    }
    // The text and what it becomes with its line ends, in one block; none
    // to be had sends nothing rather than part of the text.
    const size_t textSize = maxChars + 1;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[textSize + LineEnd::outputBound(maxChars)]);
    if (!buffer)
        return nothing;
    char *text = buffer.get(), *out = text + textSize;
    UINT length = GetDlgItemTextA(dialog, IDC_SENDBOX, text, int(textSize));
    if (length == 0)
        return nothing;
    text[textSize - 1] = '\0';
    uint32_t typed = uint32_t(strnlen(text, textSize - 1));
    recall.remember(text, typed);
    // The settings' "Line End" ends the text and each of its line breaks.
    uint32_t n = LineEnd::compose(text, typed, LineEnd::fromStored(loadOptions().lineEnd), out);
    Outcome done = sendComposed(reinterpret_cast<unsigned char *>(out), n);
    HWND box = GetDlgItem(dialog, IDC_SENDBOX);
    SendMessageA(box, EM_SETSEL, 0, -1);
    SetFocus(box);
    return done;
}

SendBox::Outcome SendBox::sendComposed(const unsigned char *bytes, uint32_t count)
{
    // Told before the write: an answer the write's wait lets in comes after it.
    notes.sentBytes(bytes, count);
    PacedWriter::Outcome done = paced.send(bytes, count, line.sendDelay());
    if (done == PacedWriter::failed)
        return failed;
    return done == PacedWriter::sent ? sent : nothing;
}
