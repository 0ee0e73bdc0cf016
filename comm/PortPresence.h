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

private:
    void note(const char *data, unsigned long size);

    bool present[CommSettings::maxPort + 1];
    unsigned found;
};

#endif
