#ifndef WIN_FILTERRULES_H
#define WIN_FILTERRULES_H

// The accept decisions of the input filters, free of any window: they see
// the typed character, the edit's text as read and its selection. The filter
// classes ask the edit for those and call in here.

#include <cstddef>

namespace FilterRules {

// Backspace, tab, carriage return and the full stop pass every filter.
bool isControlChar(int ch);

bool isDecimalDigit(int ch);
bool isHexDigit(int ch);
bool isBinaryDigit(int ch);

// General filters: a control character or a digit of the notation.
bool decimalAccepts(int ch);
bool hexAccepts(int ch);
bool binaryAccepts(int ch);

// Writes into out (outSize bytes, always terminated when outSize > 0) the
// text the edit would hold if ch replaced the selection [start, end) of
// text. The selection comes from the edit and may disagree with the text we
// read (another source can change it in between, and the text is read into a
// short buffer), so it is clamped to the text: nothing past the terminator
// is ever read. Returns the length written.
size_t buildCandidate(const char *text, int ch, long start, long end, char *out, size_t outSize);

// The value of text by the usual decimal conversion: leading white space,
// an optional sign, digits up to the first other character; no digits is 0.
// Saturates instead of overflowing.
long decimalValue(const char *text);

// The byte-value check of the decimal byte field once its text has two or
// more characters: the candidate must be at most 255.
bool byteValueAccepts(const char *text, int ch, long start, long end);

} // namespace FilterRules

#endif
