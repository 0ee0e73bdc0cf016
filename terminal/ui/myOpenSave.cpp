#include "terminal/ui/myOpenSave.h"

#include <cstring>

#include "terminal/settings/Settings.h"
#include "util/PRegKeyStr.h"
#include "util/PRegistry.h"

myOpenSave::myOpenSave(HWND owner) : POpenSave(owner) {}

myOpenSave::~myOpenSave() {}

void myOpenSave::startIn(const char *folder)
{
    start[0] = '\0';
    if (!folder)
        return;
    size_t length = strnlen(folder, sizeof start);
    if (length < sizeof start)
        std::memcpy(start, folder, length + 1);
}

void myOpenSave::beforeDialog()
{
    if (start[0] != '\0' && SetCurrentDirectoryA(start))
        return;
    PRegKeyStr oldPath("OldPath");
    PRegistry reg(HKEY_CURRENT_USER, false);
    if (reg.readValue(oldPath, settingsKey) != 0)
        return;
    // The value may have been edited: use it only when it is a text that
    // ends inside its data and fits a path; otherwise the dialog opens in
    // the current directory.
    const unsigned char *data = oldPath.getData();
    uint32_t size = oldPath.getSize();
    if (!data || size < 2)
        return;
    const void *nul = std::memchr(data, 0, size);
    if (!nul)
        return;
    size_t length = size_t(static_cast<const unsigned char *>(nul) - data);
    if (length == 0 || length >= MAX_PATH)
        return;
    SetCurrentDirectoryA(reinterpret_cast<const char *>(data));
}

void myOpenSave::afterDialog()
{
    char path[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof path, path);
    if (n == 0 || n >= sizeof path)
        return;
    PRegKeyStr oldPath("OldPath", path, n + 1);
    PRegistry reg(HKEY_CURRENT_USER, false);
    reg.writeValue(oldPath, settingsKey);
}
