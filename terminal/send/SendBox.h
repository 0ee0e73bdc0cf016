#ifndef TERMINAL_SENDBOX_H
#define TERMINAL_SENDBOX_H

#include <windows.h>

#include <cstdint>

#include "terminal/send/PacedWriter.h"
#include "terminal/send/SendBoxRecall.h"

class ByteFieldsView;
class SentNotes;
class PortControl;
class PWin;

// What "&String" and "&Byte" put on the line: the send box's text with its
// escapes decoded and the settings' line end, paced when a delay is set, or
// the byte of the byte fields. The box keeps its earlier sends for recall.
// Whether the line is free and the port open is its owner's to settle first.
class SendBox
{
public:
    // Where a send comes from: the text of the send box ("&String", Enter
    // in the box) or the byte of the byte fields ("&Byte", Enter in a field).
    enum class Source { sendBox, byteFields };
    enum Outcome { nothing, sent, failed };
    // The most characters the box holds and sends, as recall keeps them.
    enum : uint32_t { maxChars = SendRecall::maxText };

    // window: the dialog, which owns the progress dialog of a paced send;
    // notes: told what each send puts on the line. None of them is owned.
    SendBox(PWin *window, PortControl &line, const ByteFieldsView &byteFields, SentNotes &notes)
        : line(line), byteFields(byteFields), notes(notes), paced(window, line), dialog(nullptr) {}
    SendBox(const SendBox &) = delete;
    SendBox &operator=(const SendBox &) = delete;

    // The dialog's window, whose send box (IDC_SENDBOX) this serves.
    void attach(HWND dialogWindow);
    // Ctrl+Up and Ctrl+Down in the box: true when msg was one and is handled.
    bool onKey(const MSG *msg) { return recall.onKey(msg); }
    // A paced send is under way and owns the line.
    bool isRunning() const { return paced.isRunning(); }

    // Enter in the send box sends its text; in a byte field, the byte.
    static Source sourceOf(int editId);
    // nothing: the box was empty or the send aborted; failed: the port
    // closed or a write fell short, for the owner to say.
    Outcome send(Source from);
    // Text already composed (escapes decoded, line ends in place) to the
    // line as the box's text goes: paced when a delay is set. The stored
    // commands come this way too, so what is done with the box's sends is
    // done with theirs.
    Outcome sendComposed(const unsigned char *bytes, uint32_t count);

private:
    PortControl &line;
    const ByteFieldsView &byteFields;
    SentNotes &notes;
    PacedWriter paced;      // the box with a long pause after each byte
    SendBoxRecall recall;   // Ctrl+Up and Ctrl+Down in the box
    HWND dialog;
};

#endif
