#ifndef TERMINAL_SETTINGS_H
#define TERMINAL_SETTINGS_H

#include <cstdint>

#include "comm/CommExtras.h"
#include "comm/CommSettings.h"
#include "terminal/settings/Options.h"

// What the terminal keeps between runs, all under one key of the current
// user (HKEY_CURRENT_USER\settingsKey):
//   "Setup"        REG_DWORD  the CommSettings word
//   "DelayOnSend"  REG_DWORD  milliseconds between bytes on send
//   "OldPath"      REG_SZ     folder of the last file dialog, NUL counted
//   "SetupPort"    REG_DWORD  the port, 17..256, when it lies beyond the word's
//   "SetupFlow"    REG_DWORD  the flow control, 0..3, when the word cannot say it
//   "Transfer"     REG_DWORD  how "&File" sends: a TransferProtocol (0 raw)
//   "LineEnd"      REG_DWORD  what the send box ends with, 0..3 (Options)
//   "DtrAtOpen"    REG_DWORD  1 DTR raised at open, 0 left low
//   "RtsAtOpen"    REG_DWORD  the same for RTS
//   "PulseTime"    REG_DWORD  ms a pulse of DTR or RTS lasts, 1..10000
//   "BreakTime"    REG_DWORD  ms a break lasts, 1..10000
//   "PauseNewLine" REG_DWORD  ms of silence that ends a received line, 0 off
//   "ReceiveFolder" REG_SZ    where received files go; empty: "OldPath"
//   "Recall"       REG_BINARY the send box's earlier sends (SendRecall's form)
//   "HighlightRules" REG_SZ   the highlight rules (HighlightRules' "HR1:" form)
// A value of the wrong type, size or range is taken as missing: its
// default holds (Options) and nothing is written until the dialog's "&OK".
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

// The pause after each byte of a send, "DelayOnSend". One above
// Options::maxSendDelayMs (4294967295 is INFINITE to a sleep) is taken as
// missing: 0 is stored and returned, as for a value that is not there.
uint32_t loadSendDelay();

// The dialog's further choices, each at its default where the stored value
// is missing or wrong.
Options loadOptions();
// Stores the values of now that differ from before.
void storeOptions(const Options &now, const Options &before);

// A REG_BINARY value of at most capacity bytes into buffer, its size in
// size. False (buffer untouched) when it is missing, of another type or
// larger than capacity.
bool readRegBinary(const char *name, unsigned char *buffer, uint32_t capacity, uint32_t &size);
// Stores size bytes under name as a REG_BINARY; true when stored.
bool writeRegBinary(const char *name, const unsigned char *data, uint32_t size);

// A REG_SZ value of fewer than capacity characters into buffer, NUL ended,
// its length in length. False (buffer untouched) when it is missing, of
// another type or too long.
bool readRegText(const char *name, char *buffer, uint32_t capacity, uint32_t &length);
// Stores text (NUL ended) under name as a REG_SZ; true when stored.
bool writeRegText(const char *name, const char *text);

// The folder received files go into: "ReceiveFolder", or when that is empty
// the folder of the last file dialog ("OldPath"). False when neither holds
// a path that fits size.
bool receiveFolderInUse(char *buffer, size_t size);

#endif
