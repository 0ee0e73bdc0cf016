#include "terminal/ui/StatusText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "util/FileNames.h"

namespace {

// snprintf that cuts instead of failing and always says how much it kept.
size_t put(char *buffer, size_t size, const char *format, ...)
{
    if (!buffer || size == 0)
        return 0;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return size_t(n) < size ? size_t(n) : size - 1;
}

const char *stopText(long stopBits)
{
    switch (stopBits) {
    case 0: return "1";     // ONESTOPBIT
    case 1: return "1.5";   // ONE5STOPBITS
    case 2: return "2";     // TWOSTOPBITS
    default: return "?";
    }
}

char parityLetter(long parity)
{
    static const char letters[] = "NOEMS";   // NOPARITY .. SPACEPARITY
    return parity >= 0 && parity < 5 ? letters[parity] : '?';
}

} // namespace

namespace StatusText {

size_t port(const StatusFacts &facts, char *buffer, size_t size)
{
    char name[16];
    if (!CommSettings::portName(facts.extras.portNumber(facts.settings), name, sizeof name))
        std::strcpy(name, "COM?");
    static const char *const states[] = {"closed", "open", "lost, waiting"};
    return put(buffer, size, "%s %s", name, states[facts.state]);
}

size_t line(const StatusFacts &facts, char *buffer, size_t size)
{
    char baud[16] = "?";
    if (facts.settings.baudRate() > 0)
        put(baud, sizeof baud, "%ld", facts.settings.baudRate());
    char data[4] = "?";
    if (facts.settings.dataBits() > 0)
        put(data, sizeof data, "%ld", facts.settings.dataBits());

    char flow[80];
    CommExtras::Flow f = facts.extras.flowOf(facts.settings);
    if (const char *label = CommExtras::flowLabel(f))
        put(flow, sizeof flow, "%s", label);
    else
        CommExtras::describeHandshake(facts.settings, flow, sizeof flow);

    return put(buffer, size, "%s %s%c%s %s", baud, data, parityLetter(facts.settings.parity()),
               stopText(facts.settings.stopBits()), flow);
}

size_t groupedNumber(uint64_t value, char *buffer, size_t size)
{
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    if (n <= 0)
        return put(buffer, size, "?");
    char grouped[32];
    size_t out = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped[out++] = ',';
        grouped[out++] = digits[i];
    }
    grouped[out] = '\0';
    return put(buffer, size, "%s", grouped);
}

size_t counts(const StatusFacts &facts, char *buffer, size_t size)
{
    char rx[32], tx[32];
    groupedNumber(facts.received, rx, sizeof rx);
    groupedNumber(facts.sent, tx, sizeof tx);
    return put(buffer, size, "RX %s  TX %s", rx, tx);
}

const char *fileNameOf(const char *path)
{
    return path ? fileNamePart(path) : "";
}

size_t note(const StatusFacts &facts, char *buffer, size_t size)
{
    size_t n = 0;
    if (facts.capturePath)
        n = put(buffer, size, "Capturing %s", fileNameOf(facts.capturePath));
    else if (facts.historyFull)
        n = put(buffer, size, "Buffer Full");
    else
        n = put(buffer, size, "%s", "");
    if (!facts.logPath || size == 0)
        return n;
    return n + put(buffer + n, size - n, "%sLogging %s", n ? "  " : "", fileNameOf(facts.logPath));
}

} // namespace StatusText
