#ifndef TERMINAL_SETTINGS_H
#define TERMINAL_SETTINGS_H

#include <cstdint>

#include "comm/CommSettings.h"

// What the terminal keeps between runs, all under one key of the current
// user (HKEY_CURRENT_USER\settingsKey):
//   "Setup"        REG_DWORD  the CommSettings word
//   "DelayOnSend"  REG_DWORD  milliseconds between bytes on send
//   "OldPath"      REG_SZ     folder of the last file dialog, NUL counted
//   "Transfer"     REG_DWORD  how "&File" sends: a TransferProtocol (0 raw)
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

#endif
