#ifndef COMM_LINKLOSS_H
#define COMM_LINKLOSS_H

// Tells from the errors of a port's status calls when the device behind an
// open port has gone (a USB adapter unplugged, a cable's far end ended).
//
// What the platforms report once the device has gone:
// - Windows, a USB serial adapter pulled out: reads, writes, event waits and
//   ClearCommError fail with ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND,
//   ERROR_GEN_FAILURE, ERROR_DEVICE_REMOVED or ERROR_DEVICE_NOT_CONNECTED,
//   depending on the driver.
// - Wine on a pseudo-terminal whose other end has closed: ClearCommError,
//   GetCommState, GetCommModemStatus and WriteFile fail with ERROR_NOT_READY,
//   ReadFile with ERROR_BROKEN_PIPE; the event wait fails with
//   ERROR_OPERATION_ABORTED exactly as it does on a present pseudo-terminal,
//   so the wait tells nothing there.
// A status call (ClearCommError) is what both have in common: on a present
// port it does not fail. One failure with an error that means "gone" is the
// loss; any other error counts only when it repeats, so that a passing fault
// is not taken for an unplugged device.
class LinkLoss
{
public:
    // Consecutive failures with other errors that also count as the loss.
    static const int otherFailuresForLoss = 3;

    LinkLoss() : failures(0), lost(false) {}

    // True for the errors that mean the device behind the port has gone.
    static bool meansDeviceGone(unsigned long error);

    // A status call succeeded: the device answers.
    void statusOk() { failures = 0; }
    // A status call failed with `error`; true once the loss is certain.
    bool statusFailed(unsigned long error);

    bool isLost() const { return lost; }

private:
    int failures;
    bool lost;
};

#endif
