// Opening the settings dialog with no serial device listed by the system and
// with 200 listed: what looking afresh at the ports and filling the "Com
// Port" list with them costs at each opening of the dialog.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/genApp.h"
#include "terminal/settings/P_Param.h"

namespace {

const char serialComm[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const int runs = 25;

double nowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}

// The dialog, timed from inside: its create is where the ports are looked up
// and the lists filled; it cancels itself as soon as it is up.
class TimedParam : public P_Param
{
public:
    TimedParam(CommSettings *s, uint32_t *d) : P_Param(s, d, nullptr) {}
    bool create() override
    {
        double start = nowMs();
        bool ok = P_Param::create();
        createMs = nowMs() - start;
        PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return ok;
    }
    double createMs = 0;
};

// The system's list made to name exactly `count` ports, COM30 onwards.
bool listPorts(int count)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, serialComm, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    for (const std::string &n : names)
        RegDeleteValueA(key, n.c_str());
    for (int i = 0; i < count; ++i) {
        std::string name = "\\Device\\Bench" + std::to_string(i);
        std::string port = "COM" + std::to_string(30 + i);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(port.c_str()),
                       DWORD(port.size() + 1));
    }
    RegCloseKey(key);
    return true;
}

struct Figures
{
    double createMs, openMs;
};

Figures median(int ports)
{
    std::vector<double> create, open;
    for (int r = 0; r < runs; ++r) {
        CommSettings word;
        uint32_t delay = 0;
        double start = nowMs();
        TimedParam dialog(&word, &delay);
        dialog.execute();
        open.push_back(nowMs() - start);
        create.push_back(dialog.createMs);
    }
    std::sort(create.begin(), create.end());
    std::sort(open.begin(), open.end());
    std::printf("%3d ports listed: dialog up in %.1f ms (median of %d; fastest %.1f), "
                "of which looking up the ports and filling the lists %.2f ms\n",
                ports, open[runs / 2], runs, open.front(), create[runs / 2]);
    return Figures{create[runs / 2], open[runs / 2]};
}

} // namespace

int main()
{
    genApp app(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    if (!listPorts(0)) {
        std::printf("the system's list of serial devices cannot be written\n");
        return 1;
    }
    Figures none = median(0);
    listPorts(200);
    Figures many = median(200);
    listPorts(0);
    std::printf("200 ports cost %.2f ms more to open the dialog (%.2f ms more in its own work); aim: under 100\n",
                many.openMs - none.openMs, many.createMs - none.createMs);
    return 0;
}
