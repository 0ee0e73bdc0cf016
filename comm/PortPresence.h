#ifndef COMM_PORTPRESENCE_H
#define COMM_PORTPRESENCE_H

#include "comm/CommSettings.h"

// The COM ports this machine has now, as the system lists its serial devices
// (HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: one value per device,
// its data the port's name). Windows keeps that list as devices come and go,
// so scan reads it afresh each time. Nothing is opened to find out: opening
// a port raises its lines, which resets many boards. (Wine makes the list
// when its server starts, from every port name its prefix maps, whether a
// device is behind the name or not.)
class PortPresence
{
public:
    PortPresence();

    // Reads the list again; what is not on it counts as absent.
    void scan();
    // False for numbers outside 1..256.
    bool isPresent(unsigned number) const;
    // Ports found by the last scan.
    unsigned count() const { return found; }
    // The system's name for the device behind a present port, the last part
    // of its entry ("Serial0", "Silabser0", "VCP0", "USBSER000": the driver
    // shows through); "" for an absent port or a number outside 1..256.
    const char *deviceName(unsigned number) const;

    enum { deviceNameSize = 24 };

private:
    void note(const char *valueName, const char *data, unsigned long size);

    bool present[CommSettings::maxPort + 1];
    char device[CommSettings::maxPort + 1][deviceNameSize];
    unsigned found;
};

#endif
