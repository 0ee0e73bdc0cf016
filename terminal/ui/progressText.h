#ifndef TERMINAL_PROGRESSTEXT_H
#define TERMINAL_PROGRESSTEXT_H

#include <cstddef>

// The text of the progress dialog: `format` with its first "%d" replaced by
// done and its second by total; "%%" gives one "%", every other character is
// copied as it is (so a stray "%s" in a format can never read an argument
// that is not there). The result is cut to fit `size` bytes and always
// terminated (nothing is written when size is 0). Returns the length written.
size_t progressText(char *buffer, size_t size, const char *format, long long done, long long total);

#endif
