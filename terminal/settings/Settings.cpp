#include "terminal/settings/Settings.h"

#include <windows.h>

#include "util/PRegKeyDWORD.h"
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
