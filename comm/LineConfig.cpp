#include "comm/LineConfig.h"

uint32_t LineConfig::writeMultiplierFor(uint32_t baudRate)
{
    if (baudRate == 0)
        return 0;
    const uint32_t longestByteBits = 12;   // start, 8 data, parity, 2 stop
    uint32_t lineTime = (longestByteBits * 1000u + baudRate - 1) / baudRate;
    uint32_t generous = 19200u / baudRate;
    return generous > lineTime ? generous : lineTime;
}

bool LineConfig::build(const CommSettings &settings, const CommExtras &extras, const LinesAtOpen &atOpen)
{
    if (!settings.isValid())
        return false;

    baudRate = uint32_t(settings.baudRate());
    byteSize = uint8_t(settings.dataBits());
    parity = uint8_t(settings.parity());
    stopBits = uint8_t(settings.stopBits());
    fBinary = 1;
    fParity = 1;

    setDtrDsr = true;
    setDtrControlOnly = false;
    switch (settings.dtrDsrMode) {
    case 0: fOutxDsrFlow = 0; fDtrControl = dtrControlDisable; break;
    case 1: fOutxDsrFlow = 1; fDtrControl = dtrControlEnable; break;
    case 2: fOutxDsrFlow = 1; fDtrControl = dtrControlHandshake; break;
    default: setDtrDsr = false; fOutxDsrFlow = 0; fDtrControl = dtrControlDisable; break;
    }

    switch (settings.rtsCtsMode) {
    case 0: fOutxCtsFlow = 0; fRtsControl = rtsControlDisable; break;
    case 1: fOutxCtsFlow = 1; fRtsControl = rtsControlEnable; break;
    case 2: fOutxCtsFlow = 1; fRtsControl = rtsControlHandshake; break;
    default: fOutxCtsFlow = 1; fRtsControl = rtsControlToggle; break;
    }

    if (extras.raisesIdleLines(settings)) {
        if (settings.dtrDsrMode == 0)
            fDtrControl = dtrControlEnable;
        if (settings.rtsCtsMode == 0)
            fRtsControl = rtsControlEnable;
    }

    // Mode 3 keeps the port's own DTR control, which only the port knows:
    // the platform layer drops DTR there unless that control is a handshake.
    if (!atOpen.dtrOn && !setDtrDsr)
        setDtrControlOnly = true;
    else if (!atOpen.dtrOn && !ownsDtr(fDtrControl))
        fDtrControl = dtrControlDisable;
    if (!atOpen.rtsOn && !ownsRts(fRtsControl))
        fRtsControl = rtsControlDisable;

    fOutX = fInX = uint8_t(settings.xonXoff);
    xonChar = 0x11;
    xoffChar = 0x13;
    xonLim = 100;
    xoffLim = 100;

    readIntervalTimeout = noIntervalTimeout;
    readTotalMultiplier = 0;
    readTotalConstant = 1000;
    writeTotalMultiplier = writeMultiplierFor(baudRate);
    writeTotalConstant = writeHoldMs;
    return true;
}
