#ifndef TERMINAL_SETTINGS_H
#define TERMINAL_SETTINGS_H

#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"

// What the terminal keeps between runs, all under one key of the current
// user (HKEY_CURRENT_USER\settingsKey):
//   "Setup"        REG_DWORD  the CommSettings word
//   "DelayOnSend"  REG_DWORD  milliseconds between bytes on send
//   "OldPath"      REG_SZ     folder of the last file dialog, NUL counted
//   "SetupPort"    REG_DWORD  the port, 17..256, when it lies beyond the word's
//   "SetupFlow"    REG_DWORD  the flow control, 0..3, when the word cannot say it
//   "Transfer"     REG_DWORD  how "&File" sends: a TransferProtocol (0 raw)
// "SetupPort" and "SetupFlow" exist only while they count with "Setup"
// (CommExtras).
// The key is created by the first read. Nothing here shows a message; a key
// that cannot be opened makes every read fail and every write a no-op.

// Subkey below HKEY_CURRENT_USER.
extern const char settingsKey[];

// The line settings used when none are stored: 0x000AD061.
CommSettings defaultSettings();

// The stored line settings; when "Setup" cannot be read the default word is
// stored and returned.
CommSettings loadSettings();

// True: variable holds the first four bytes of the stored value, whatever
// its type. False (value missing, unreadable or shorter than four bytes):
// variable is unchanged and, when storeWhenMissing, written under name as a
// REG_DWORD.
bool readRegDword(const char *name, uint32_t &variable, bool storeWhenMissing);

// Stores value under name as a REG_DWORD; true when stored.
bool writeRegDword(const char *name, uint32_t value);

// What is kept beside "Setup". A value that is not a REG_DWORD of four bytes
// is taken as missing; so are values that do not count with the word.
CommExtras loadExtras();
// Stores the extras that count with the word and removes the others, so no
// stale value is left behind to be read with a later word.
void storeExtras(const CommSettings &word, const CommExtras &extras);

// How "&File" sends, as "Transfer" holds it: the position in the settings
// dialog's list, 0 (raw) when missing.
uint32_t loadTransfer();
bool storeTransfer(uint32_t transfer);

#endif
