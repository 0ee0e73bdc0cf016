#include "terminal/Settings.h"

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

bool readRegDword(const char *name, uint32_t &variable, bool storeWhenMissing)
{
    PRegKeyDWORD value(name);
    PRegistry reg(HKEY_CURRENT_USER, false);
    // A value shorter than a DWORD (an edited REG_BINARY, say) cannot fill
    // the variable; it counts as missing rather than being padded.
    if (reg.readValue(value, settingsKey) == 0 && value.getSize() >= 4) {
        const unsigned char *b = value.getData();
        variable = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
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
