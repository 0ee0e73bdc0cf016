#include "comm/CommExtras.h"

#include <cstdio>

namespace {

struct FlowFields
{
    const char *label;
    uint32_t dtrDsr, rtsCts, xonXoff;
};

// What each choice writes into the word. The word's mode 0 drops a line and
// waits on nothing, so the choices that raise their idle lines store 0 for
// them and keep the raising beside the word: a program that reads the word
// alone still finds the handshake the operator chose.
const FlowFields flowTable[CommExtras::flowCount] = {
    {"None", 0, 0, 0},
    {"XON/XOFF", 0, 0, 1},
    {"RTS/CTS", 0, 2, 0},
    {"DTR/DSR", 2, 0, 0},
    {"RTS/CTS and DTR/DSR", 2, 2, 0},
};

bool fieldsMatch(const CommSettings &word, unsigned choice)
{
    const FlowFields &f = flowTable[choice];
    return word.dtrDsrMode == f.dtrDsr && word.rtsCtsMode == f.rtsCts && word.xonXoff == f.xonXoff;
}

bool portCounts(const CommSettings &word, uint32_t port)
{
    return word.portIndex == CommExtras::extraPortIndex && port >= CommExtras::firstExtraPort &&
           port <= CommSettings::maxPort;
}

// Only the choices the word cannot say fully are kept beside it.
bool flowCounts(const CommSettings &word, uint32_t flow)
{
    return flow < CommExtras::flowBoth && fieldsMatch(word, flow);
}

} // namespace

unsigned CommExtras::portNumber(const CommSettings &word) const
{
    return portCounts(word, port) ? unsigned(port) : word.portIndex + 1u;
}

void CommExtras::setPort(CommSettings &word, unsigned number)
{
    if (number < 1 || number > CommSettings::maxPort)
        return;
    if (number < firstExtraPort) {
        word.portIndex = number - 1;
        port = noPort;
    } else {
        word.portIndex = extraPortIndex;
        port = number;
    }
}

CommExtras::Flow CommExtras::flowOf(const CommSettings &word) const
{
    if (flowCounts(word, flow))
        return Flow(flow);
    return fieldsMatch(word, flowBoth) ? flowBoth : flowUnnamed;
}

void CommExtras::setFlow(CommSettings &word, Flow choice)
{
    if (choice >= flowCount)
        return;
    word.dtrDsrMode = flowTable[choice].dtrDsr;
    word.rtsCtsMode = flowTable[choice].rtsCts;
    word.xonXoff = flowTable[choice].xonXoff;
    flow = choice == flowBoth ? noFlow : uint32_t(choice);
}

bool CommExtras::raisesIdleLines(const CommSettings &word) const
{
    return flowCounts(word, flow);
}

CommExtras CommExtras::effective(const CommSettings &word) const
{
    CommExtras kept;
    if (portCounts(word, port))
        kept.port = port;
    if (flowCounts(word, flow))
        kept.flow = flow;
    return kept;
}

const char *CommExtras::flowLabel(unsigned choice)
{
    return choice < flowCount ? flowTable[choice].label : nullptr;
}

void CommExtras::describeHandshake(const CommSettings &word, char *buffer, size_t size)
{
    static const char *const dtr[4] = {"DTR off", "DTR on, DSR", "DTR/DSR", "DTR as is"};
    static const char *const rts[4] = {"RTS off", "RTS on, CTS", "RTS/CTS", "RTS toggle"};
    if (!buffer || size == 0)
        return;
    int length = std::snprintf(buffer, size, "%s, %s%s", dtr[word.dtrDsrMode], rts[word.rtsCtsMode],
                               word.xonXoff ? ", XON/XOFF" : "");
    if (length < 0 || size_t(length) >= size)
        buffer[0] = '\0';
}
