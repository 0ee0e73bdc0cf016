#include "comm/LinkLoss.h"

namespace {

// The platform's error numbers, spelled out so that this file needs no
// Windows header.
const unsigned long errorAccessDenied = 5;           // ERROR_ACCESS_DENIED
const unsigned long errorNotReady = 21;              // ERROR_NOT_READY
const unsigned long errorBadCommand = 22;            // ERROR_BAD_COMMAND
const unsigned long errorGenFailure = 31;            // ERROR_GEN_FAILURE
const unsigned long errorBrokenPipe = 109;           // ERROR_BROKEN_PIPE
const unsigned long errorNoSuchDevice = 433;         // ERROR_NO_SUCH_DEVICE
const unsigned long errorDeviceNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED
const unsigned long errorDeviceRemoved = 1617;       // ERROR_DEVICE_REMOVED

} // namespace

bool LinkLoss::meansDeviceGone(unsigned long error)
{
    switch (error) {
    case errorAccessDenied:
    case errorNotReady:
    case errorBadCommand:
    case errorGenFailure:
    case errorBrokenPipe:
    case errorNoSuchDevice:
    case errorDeviceNotConnected:
    case errorDeviceRemoved:
        return true;
    default:
        return false;
    }
}

bool LinkLoss::statusFailed(unsigned long error)
{
    if (meansDeviceGone(error) || ++failures >= otherFailuresForLoss)
        lost = true;
    return lost;
}
