#ifndef COMM_COMMEXTRAS_H
#define COMM_COMMEXTRAS_H

#include <cstddef>
#include <cstdint>

#include "comm/CommSettings.h"

// What a settings word cannot say, kept beside it: a port beyond COM16 (the
// word's port field has four bits) and a flow control that raises DTR or RTS
// without waiting for DSR or CTS (the word's handshake modes either drop an
// unused line or wait on it).
//
// Each extra counts only together with the word it was chosen with: the port
// only while the word's port field holds its last index (15), the flow
// control only while the word's handshake fields hold what that choice
// writes. A word changed by other means since, or a stored extra out of range,
// therefore never overrides the word: the word alone is then taken as it
// always was.
class CommExtras
{
public:
    // The flow-control choices in the order the settings dialog lists them,
    // and what a word whose handshake fields match none of them shows.
    enum Flow
    {
        flowNone,
        flowXonXoff,
        flowRtsCts,
        flowDtrDsr,
        flowBoth,
        flowCount,
        flowUnnamed = flowCount
    };

    static constexpr unsigned firstExtraPort = CommSettings::wordPortCount + 1;   // 17
    static constexpr unsigned extraPortIndex = CommSettings::wordPortCount - 1;   // 15
    // What "no extra" is stored as: no port, and no flow beyond the word.
    static constexpr uint32_t noPort = 0;
    static constexpr uint32_t noFlow = 0xFFFFFFFFu;

    // As stored; checked where used.
    uint32_t port = noPort;
    uint32_t flow = noFlow;

    bool operator==(const CommExtras &o) const { return port == o.port && flow == o.flow; }
    bool operator!=(const CommExtras &o) const { return !(*this == o); }

    // The port the word and these extras name, 1..256.
    unsigned portNumber(const CommSettings &word) const;
    // Chooses port `number` (1..256; anything else changes nothing): up to
    // COM16 in the word alone, beyond it in the word's last index and here.
    void setPort(CommSettings &word, unsigned number);

    // The flow control in force.
    Flow flowOf(const CommSettings &word) const;
    // Writes a named choice into the word's handshake fields and, where they
    // cannot say it, here; flowUnnamed changes nothing.
    void setFlow(CommSettings &word, Flow choice);
    // True when the lines the word would drop are to be raised instead.
    bool raisesIdleLines(const CommSettings &word) const;

    // The extras that count with the word: what is worth storing. A value
    // that does not count goes back to noPort / noFlow.
    CommExtras effective(const CommSettings &word) const;

    // "None", "XON/XOFF", "RTS/CTS", "DTR/DSR", "RTS/CTS and DTR/DSR"; null
    // beyond them.
    static const char *flowLabel(unsigned choice);
    // What the handshake fields of a word ask, for a combination no choice
    // names, e.g. "DTR off, RTS toggle, XON/XOFF"; empty when it does not fit.
    static void describeHandshake(const CommSettings &word, char *buffer, size_t size);
};

#endif
