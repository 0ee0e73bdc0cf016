#include "win/PMessagePump.h"

#include <cstddef>

static PMessagePump *registered = nullptr;

PMessagePump::~PMessagePump()
{
    uninstall(this);
}

PMessagePump *PMessagePump::current()
{
    return registered;
}

void PMessagePump::install(PMessagePump *pump)
{
    registered = pump;
}

void PMessagePump::uninstall(PMessagePump *pump)
{
    if (registered == pump)
        registered = nullptr;
}

void PMessagePump::pumpWaiting()
{
    if (registered)
        registered->pumpMessages();
}

bool PMessagePump::addDialog(HWND)
{
    return false;
}

void PMessagePump::removeDialog(HWND)
{
}

bool PMessagePump::registerDialog(HWND dialog)
{
    return registered && dialog && registered->addDialog(dialog);
}

void PMessagePump::unregisterDialog(HWND dialog)
{
    if (registered && dialog)
        registered->removeDialog(dialog);
}
