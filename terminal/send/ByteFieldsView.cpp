#include "terminal/send/ByteFieldsView.h"

#include "res/resource.h"
#include "terminal/send/ByteFields.h"
#include "win/PEditSel.h"
#include "win/PEditSend.h"
#include "win/PWin.h"
#include "win/myBinaryFilter.h"
#include "win/myHexFilter.h"
#include "win/myNumbFilter.h"

namespace {

// The four byte fields in their fixed order.
const int fieldIds[ByteFields::fieldCount] = {IDC_DECFIELD, IDC_HEXFIELD, IDC_BINFIELD, IDC_CHARFIELD};

int positionOf(int id)
{
    for (int p = 0; p < ByteFields::fieldCount; ++p)
        if (fieldIds[p] == id)
            return p;
    return -1;
}

} // namespace

ByteFieldsView::ByteFieldsView(PWin *owner) : dialog(owner), syncing(false) {}

void ByteFieldsView::bind(HFONT font)
{
    // The edits belong to the dialog; the font stays the caller's.
    PEditSend *dec = new PEditSend(dialog, IDC_DECFIELD, 255);
    dec->setFilter(new myNumbFilter);
    dec->setFont(font, false);
    PEditSend *hex = new PEditSend(dialog, IDC_HEXFIELD, 255);
    hex->setFilter(new myHexFilter);
    hex->setFont(font, false);
    PEditSend *bin = new PEditSend(dialog, IDC_BINFIELD, 255);
    bin->setFilter(new myBinaryFilter);
    bin->setFont(font, false);
    PEditSel *chr = new PEditSel(dialog, IDC_CHARFIELD, 1);
    chr->setFont(font, false);
}

void ByteFieldsView::sync(int id)
{
    int p = positionOf(id);
    if (syncing || p < 0)
        return;
    syncing = true;
    uint32_t v = read(id);
    ByteFields::Field order[ByteFields::fieldCount - 1];
    int n = ByteFields::updateOrder(ByteFields::Field(p), order);
    for (int i = 0; i < n; ++i)
        write(fieldIds[order[i]], v);
    syncing = false;
}

unsigned char ByteFieldsView::byte() const
{
    UINT v = GetDlgItemInt(dialog->hwnd, IDC_DECFIELD, nullptr, FALSE);
    return (unsigned char)(v & 0xFF);
}

uint32_t ByteFieldsView::read(int id) const
{
    int p = positionOf(id);
    if (p < 0)
        return 0;
    char text[ByteFields::textSize];
    if (GetDlgItemTextA(dialog->hwnd, id, text, sizeof text) == 0)
        text[0] = '\0';
    text[sizeof text - 1] = '\0';
    return ByteFields::parse(ByteFields::Field(p), text);
}

void ByteFieldsView::write(int id, uint32_t value)
{
    int p = positionOf(id);
    if (p < 0)
        return;
    if (p == ByteFields::Dec) {
        SetDlgItemInt(dialog->hwnd, id, value, FALSE);
        return;
    }
    char text[16];
    ByteFields::format(ByteFields::Field(p), value, text, sizeof text);
    SetDlgItemTextA(dialog->hwnd, id, text);
}
