#ifndef TERMINAL_BYTEFIELDSVIEW_H
#define TERMINAL_BYTEFIELDSVIEW_H

#include <windows.h>

#include <cstdint>

class PWin;

// The four byte fields of the terminal (decimal, hex, binary, character):
// each shows the same byte, so an edit of one rewrites the others. The
// parsing and formatting live in ByteFields; this moves the texts.
class ByteFieldsView
{
public:
    explicit ByteFieldsView(PWin *dialog);
    ByteFieldsView(const ByteFieldsView &) = delete;
    ByteFieldsView &operator=(const ByteFieldsView &) = delete;

    // Binds the edits to the dialog's items with their filters and font.
    void bind(HFONT font);
    // After an edit of field id (any other id is passed over).
    void sync(int id);
    // The byte the fields show (the decimal field's value).
    unsigned char byte() const;

private:
    uint32_t read(int id) const;
    void write(int id, uint32_t value);

    PWin *dialog;
    // Writing one field raises EN_CHANGE in the others: one update at a time.
    bool syncing;
};

#endif
