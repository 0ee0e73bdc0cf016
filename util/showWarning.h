#ifndef UTIL_SHOWWARNING_H
#define UTIL_SHOWWARNING_H

// Warning box (exclamation icon, OK) owned by whatever window is in the
// foreground at the moment of the call, which may be none or another
// program's. Caption first, text second. Returns the message-box result.
int showWarning(const char *caption, const char *text);

#endif
