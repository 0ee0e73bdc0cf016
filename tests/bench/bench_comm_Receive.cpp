// Receive throughput and idle cost of the port engine over a virtual
// null-modem: the peer floods 4 MiB while the consumer drains the queue the
// way the terminal does (available, then read of at most 511 bytes); then the
// processor time of an idle open port over 10 s.
//
//   bench_comm_Receive [PORT [PEER]]   (defaults COM2 COM9, or the
//                                       environment's LT_BENCH_PORT, LT_BENCH_PEER)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comm/PCom.h"
#include "tests/bench/BenchFigures.h"

// The benchmarks do not link the test helpers' library: take the peer's code.
#include "wine/helpers/SerialPeer.cpp"

namespace {

std::string pick(int argc, char **argv, int index, const char *env, const char *fallback)
{
    if (argc > index)
        return argv[index];
    char value[64] = {};
    DWORD n = GetEnvironmentVariableA(env, value, sizeof value);
    if (n > 0 && n < sizeof value)
        return value;
    return fallback;
}

} // namespace

int main(int argc, char **argv)
{
    std::string port = pick(argc, argv, 1, "LT_BENCH_PORT", "COM2");
    std::string peerName = pick(argc, argv, 2, "LT_BENCH_PEER", "COM9");
    if (port.size() != 4 || port.compare(0, 3, "COM") != 0 || port[3] < '1' || port[3] > '8') {
        bench::figures("port must be COM1..COM8, not %s\n", port.c_str());
        return 2;
    }

    SerialPeer peer(peerName.c_str());
    if (!peer.isOpen()) {
        bench::figures("cannot open the peer %s\n", peerName.c_str());
        return 1;
    }
    PCom com(nullptr);
    com.settings.portIndex = unsigned(port[3] - '1');
    com.settings.baudIndex = 14;   // 256000, the fastest table entry
    com.settings.dtrDsrMode = 0;   // no handshake: the cable has no modem lines
    com.settings.rtsCtsMode = 0;
    if (!com.open()) {
        bench::figures("cannot open %s\n", port.c_str());
        return 1;
    }

    const size_t total = 4u << 20;
    std::vector<unsigned char> sent = SerialPeer::pattern(total, 99);
    std::vector<unsigned char> got;
    got.reserve(total);
    unsigned char chunk[511];
    double cpu0 = bench::processorSeconds();
    DWORD start = GetTickCount();
    peer.startFlood(sent);
    DWORD lastByte = GetTickCount();
    // Ends when everything came, or after 10 s without a byte.
    while (got.size() < total && GetTickCount() - lastByte < 10000) {
        DWORD n = com.available();
        if (n == 0) {
            Sleep(1);
            continue;
        }
        if (n > sizeof chunk)
            n = sizeof chunk;
        DWORD k = com.read(chunk, n);
        got.insert(got.end(), chunk, chunk + k);
        lastByte = GetTickCount();
    }
    DWORD took = GetTickCount() - start;
    double cpuMs = (bench::processorSeconds() - cpu0) * 1000.0;
    peer.waitFlood(5000);

    size_t same = 0;
    while (same < got.size() && same < total && got[same] == sent[same])
        ++same;
    size_t lost = total - (got.size() < total ? got.size() : total);
    double seconds = took ? took / 1000.0 : 0.001;
    bench::figures("receive: %zu bytes in %lu ms = %.0f bytes/s (line rate at 256000 baud 8N1: 25600 bytes/s)\n",
                got.size(), static_cast<unsigned long>(took), double(got.size()) / seconds);
    bench::figures("receive: lost bytes %zu, first difference at %s, processor %.0f ms, reader %s\n", lost,
                same == total ? "none" : std::to_string(same).c_str(), cpuMs,
                com.readerPolls() ? "polls the driver" : "waits on events");

    const DWORD idleMs = 10000;
    double idle0 = bench::processorSeconds();
    DWORD idleStart = GetTickCount();
    Sleep(idleMs);
    DWORD wall = GetTickCount() - idleStart;
    double idleCpuMs = (bench::processorSeconds() - idle0) * 1000.0;
    bench::figures("idle open port: %.1f ms of processor time over %lu ms (%.2f%%)\n", idleCpuMs,
                static_cast<unsigned long>(wall), 100.0 * idleCpuMs / double(wall));
    return lost == 0 && same == total ? 0 : 1;
}
