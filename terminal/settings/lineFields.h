#ifndef TERMINAL_LINEFIELDS_H
#define TERMINAL_LINEFIELDS_H

#include "comm/CommSettings.h"

// The five line-setting fields of a CommSettings word that the settings
// dialog shows, one combo box each. The other fields of the word (handshake
// modes, XON/XOFF, reserved bits) are never touched through these.
enum LineField
{
    linePort,
    lineBaud,
    lineStopBits,
    lineDataBits,
    lineParity
};

// The order in which the dialog fills its combo boxes.
const LineField lineFieldOrder[5] = {linePort, lineBaud, lineStopBits, lineDataBits, lineParity};

// Entries of the field's table: 8, 15, 3, 4, 5.
unsigned lineFieldCount(LineField field);
// The label of an entry; null for an index beyond the table.
const char *lineFieldLabel(LineField field, unsigned index);
// The index the word holds in the field, as stored (it may lie beyond the table).
unsigned lineFieldIndex(const CommSettings &word, LineField field);
// Stores an index into the field, leaving every other bit of the word as it was.
void setLineFieldIndex(CommSettings &word, LineField field, unsigned index);

#endif
