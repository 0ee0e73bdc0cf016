#include "terminal/settings/Settings.h"

#include <windows.h>

#include <cstring>

#include "util/PRegKeyDWORD.h"
#include "util/PRegKeyStr.h"
#include "util/PRegistry.h"

const char settingsKey[] = "Software\\Kerovia_Apps\\lineTalk";

CommSettings defaultSettings()
{
    return CommSettings(CommSettings::defaultWord);
}

CommSettings loadSettings()
{
    uint32_t word = defaultSettings().toWord();
    readRegDword("Setup", word, true);
    return CommSettings(word);
}

namespace {

// The first four bytes of a value read, as the DWORD they hold.
uint32_t dwordOf(const PRegKey &value)
{
    const unsigned char *b = value.getData();
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

} // namespace

bool readRegDword(const char *name, uint32_t &variable, bool storeWhenMissing)
{
    PRegKeyDWORD value(name);
    PRegistry reg(HKEY_CURRENT_USER, false);
    // A value shorter than a DWORD (an edited REG_BINARY, say) cannot fill
    // the variable; it counts as missing rather than being padded.
    if (reg.readValue(value, settingsKey) == 0 && value.getSize() >= 4) {
        variable = dwordOf(value);
        return true;
    }
    if (storeWhenMissing) {
        unsigned char bytes[4] = {
            static_cast<unsigned char>(variable), static_cast<unsigned char>(variable >> 8),
            static_cast<unsigned char>(variable >> 16), static_cast<unsigned char>(variable >> 24)};
        value.setBuffer(bytes, 4);
        // A short value read back may have left its own type behind.
        value.setType(PRegKey::typeDword);
        reg.writeValue(value, settingsKey);
    }
    return false;
}

bool writeRegDword(const char *name, uint32_t value)
{
    PRegKeyDWORD key(name, value);
    PRegistry reg(HKEY_CURRENT_USER, false);
    return reg.writeValue(key, settingsKey) == 0;
}

namespace {

const char extraPortName[] = "SetupPort";
const char extraFlowName[] = "SetupFlow";

// Only a REG_DWORD of exactly four bytes: anything else was not written here.
bool readExactDword(const char *name, uint32_t &variable)
{
    PRegKeyDWORD value(name);
    PRegistry reg(HKEY_CURRENT_USER, false);
    if (reg.readValue(value, settingsKey) != 0 || value.getType() != PRegKey::typeDword || value.getSize() != 4)
        return false;
    variable = dwordOf(value);
    return true;
}

void removeRegValue(const char *name)
{
    PRegistry reg(HKEY_CURRENT_USER, false);
    HKEY key;
    if (reg.openKey(settingsKey, &key) != 0)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void keepOrRemove(const char *name, bool keep, uint32_t value)
{
    if (keep)
        writeRegDword(name, value);
    else
        removeRegValue(name);
}

} // namespace

CommExtras loadExtras()
{
    CommExtras extras;
    uint32_t value = 0;
    if (readExactDword(extraPortName, value))
        extras.port = value;
    if (readExactDword(extraFlowName, value))
        extras.flow = value;
    return extras;
}

void storeExtras(const CommSettings &word, const CommExtras &extras)
{
    CommExtras kept = extras.effective(word);
    keepOrRemove(extraPortName, kept.port != CommExtras::noPort, kept.port);
    keepOrRemove(extraFlowName, kept.flow != CommExtras::noFlow, kept.flow);
}

uint32_t loadTransfer()
{
    uint32_t transfer = 0;
    readRegDword("Transfer", transfer, false);
    return transfer;
}

bool storeTransfer(uint32_t transfer)
{
    return writeRegDword("Transfer", transfer);
}

uint32_t loadSendDelay()
{
    uint32_t delay = 0;
    if (readRegDword("DelayOnSend", delay, true) && !Options::sendDelayValid(delay)) {
        delay = 0;
        writeRegDword("DelayOnSend", delay);
    }
    return delay;
}

namespace {

const char lineEndName[] = "LineEnd";
const char dtrAtOpenName[] = "DtrAtOpen";
const char rtsAtOpenName[] = "RtsAtOpen";
const char pulseName[] = "PulseTime";
const char breakName[] = "BreakTime";
const char pauseName[] = "PauseNewLine";
const char folderName[] = "ReceiveFolder";

// A REG_DWORD of four bytes that passes valid; anything else leaves
// variable as it was.
void readChecked(const char *name, uint32_t &variable, bool (*valid)(uint32_t))
{
    uint32_t value = 0;
    if (readExactDword(name, value) && valid(value))
        variable = value;
}

bool isFlag(uint32_t v)
{
    return v <= 1;
}

void readFlag(const char *name, bool &flag)
{
    uint32_t value = flag ? 1 : 0;
    readChecked(name, value, isFlag);
    flag = value != 0;
}

void storeIfChanged(const char *name, uint32_t now, uint32_t before)
{
    if (now != before)
        writeRegDword(name, now);
}

// A REG_SZ whose text ends inside its data and fits a path.
bool readText(const char *name, Options &into)
{
    PRegKeyStr value(name);
    PRegistry reg(HKEY_CURRENT_USER, false);
    if (reg.readValue(value, settingsKey) != 0 || value.getType() != PRegKey::typeString)
        return false;
    return into.setReceiveFolderFrom(value.getData(), value.getSize());
}

} // namespace

Options loadOptions()
{
    Options o;
    readChecked(lineEndName, o.lineEnd, Options::lineEndValid);
    readFlag(dtrAtOpenName, o.dtrAtOpen);
    readFlag(rtsAtOpenName, o.rtsAtOpen);
    readChecked(pulseName, o.pulseMs, Options::pulseValid);
    readChecked(breakName, o.breakMs, Options::breakValid);
    readChecked(pauseName, o.pauseNewLineMs, Options::pauseNewLineValid);
    readText(folderName, o);
    return o;
}

void storeOptions(const Options &now, const Options &before)
{
    storeIfChanged(lineEndName, now.lineEnd, before.lineEnd);
    storeIfChanged(dtrAtOpenName, now.dtrAtOpen ? 1 : 0, before.dtrAtOpen ? 1 : 0);
    storeIfChanged(rtsAtOpenName, now.rtsAtOpen ? 1 : 0, before.rtsAtOpen ? 1 : 0);
    storeIfChanged(pulseName, now.pulseMs, before.pulseMs);
    storeIfChanged(breakName, now.breakMs, before.breakMs);
    storeIfChanged(pauseName, now.pauseNewLineMs, before.pauseNewLineMs);
    if (std::strcmp(now.receiveFolder, before.receiveFolder) != 0) {
        PRegKeyStr value(folderName, now.receiveFolder, uint32_t(std::strlen(now.receiveFolder) + 1));
        PRegistry reg(HKEY_CURRENT_USER, false);
        reg.writeValue(value, settingsKey);
    }
}

bool receiveFolderInUse(char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = '\0';
    Options o = loadOptions();
    if (o.receiveFolder[0] == '\0' && !readText("OldPath", o))
        return false;
    size_t length = std::strlen(o.receiveFolder);
    if (length == 0 || length >= size)
        return false;
    std::memcpy(buffer, o.receiveFolder, length + 1);
    return true;
}

bool readRegBinary(const char *name, unsigned char *buffer, uint32_t capacity, uint32_t &size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, got = 0;
    // Its size first: a value larger than the buffer is not read at all.
    LONG r = RegQueryValueExA(key, name, nullptr, &type, nullptr, &got);
    bool ok = r == ERROR_SUCCESS && type == REG_BINARY && got <= capacity;
    if (ok) {
        got = capacity;
        ok = RegQueryValueExA(key, name, nullptr, &type, buffer, &got) == ERROR_SUCCESS && type == REG_BINARY &&
             got <= capacity;
    }
    RegCloseKey(key);
    if (ok)
        size = uint32_t(got);
    return ok;
}

bool writeRegBinary(const char *name, const unsigned char *data, uint32_t size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, name, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool readRegText(const char *name, char *buffer, uint32_t capacity, uint32_t &length)
{
    if (capacity == 0)
        return false;
    unsigned char *bytes = reinterpret_cast<unsigned char *>(buffer);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, got = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, nullptr, &got);
    bool ok = r == ERROR_SUCCESS && type == REG_SZ && got <= capacity;
    if (ok) {
        got = capacity;
        ok = RegQueryValueExA(key, name, nullptr, &type, bytes, &got) == ERROR_SUCCESS && type == REG_SZ &&
             got <= capacity;
    }
    RegCloseKey(key);
    if (!ok)
        return false;
    // A value stored without its NUL is ended here; one that fills the
    // buffer without one is too long.
    uint32_t n = 0;
    while (n < got && buffer[n] != '\0')
        ++n;
    if (n == capacity)
        return false;
    buffer[n] = '\0';
    length = n;
    return true;
}

bool writeRegText(const char *name, const char *text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), DWORD(n + 1)) ==
              ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
