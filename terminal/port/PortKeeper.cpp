#include "terminal/port/PortKeeper.h"

#include <cstdio>
#include <new>

#include "comm/PCom.h"
#include "res/resource.h"
#include "terminal/settings/Settings.h"

namespace {

PCom *makeRealPort(HWND notifyWnd)
{
    return new (std::nothrow) PCom(notifyWnd);
}

const char receivedTitle[] = "Received";

} // namespace

PortKeeper::PortFactory PortKeeper::factory = makeRealPort;

PCom *PortKeeper::makePort(HWND notifyWnd)
{
    return factory ? factory(notifyWnd) : makeRealPort(notifyWnd);
}

PortKeeper::PortKeeper() : owner(nullptr), settings(), waiting(false), attemptCount(0) {}

PortKeeper::~PortKeeper()
{
    if (waiting && owner && IsWindow(owner))
        KillTimer(owner, retryTimer);
}

void PortKeeper::startWaiting(HWND window, const CommSettings &lostSettings, const CommExtras &lostExtras)
{
    owner = window;
    settings = lostSettings;
    extras = lostExtras;
    attemptCount = 0;
    if (!owner)
        return;
    waiting = SetTimer(owner, retryTimer, retryMs, nullptr) != 0;
    showLost(waiting);
}

PCom *PortKeeper::retry()
{
    if (!waiting)
        return nullptr;
    ++attemptCount;
    PCom *port = makePort(owner);
    if (!port)
        return nullptr;
    port->settings = settings;
    port->extras = extras;
    // The device's return applies DTR and RTS at open as they now stand.
    port->atOpen = loadOptions().linesAtOpen();
    // No message on failure: the title already says that the port is awaited.
    if (!port->open()) {
        delete port;
        return nullptr;
    }
    stop();
    return port;
}

void PortKeeper::stop()
{
    if (!waiting)
        return;
    waiting = false;
    KillTimer(owner, retryTimer);
    showLost(false);
}

void PortKeeper::showLost(bool lost)
{
    if (!owner)
        return;
    if (!lost) {
        SetDlgItemTextA(owner, IDC_RECEIVEDTITLE, receivedTitle);
        return;
    }
    char name[8];
    if (!CommSettings::portName(extras.portNumber(settings), name, sizeof name))
        std::snprintf(name, sizeof name, "Port");
    char text[64];
    std::snprintf(text, sizeof text, "%s - %s lost, waiting", receivedTitle, name);
    SetDlgItemTextA(owner, IDC_RECEIVEDTITLE, text);
}
