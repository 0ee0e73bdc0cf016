// Times the receive history's growth (the vector's own fixed step byte by
// byte, and the terminal's ByteHistory) and chunked file writes,
// the two support-library paths on the terminal's receive road.
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/ByteHistory.h"
#include "util/PVect.h"
#include "util/P_File.h"

namespace {

double seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

} // namespace

int main()
{
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);

    const uint32_t total = 4u * 1024 * 1024;   // growth by a fixed step is quadratic: keep it short
    PVect<unsigned char> history(16384);
    QueryPerformanceCounter(&t0);
    uint32_t at = 0;
    for (uint32_t chunk = 0; chunk < total / 511; ++chunk) {
        at = history.count() > 0 ? history.count() - 1 : 0;
        for (int i = 0; i < 511; ++i)
            history.at(at++) = static_cast<unsigned char>(i);
        history.at(at) = 0;
    }
    QueryPerformanceCounter(&t1);
    double s = seconds(t0, t1, f);
    std::printf("PVect append: %u bytes in 511-byte chunks, %.3f s, %.1f MB/s, capacity %u\n", history.count(), s,
                history.count() / s / 1e6, history.capacity());

    // The receive history as the terminal grows it: reserved ahead, so the
    // rate holds however long it gets.
    {
        PVect<unsigned char> bytes(16384);
        ByteHistory grown(bytes);
        unsigned char chunk[511];
        for (int i = 0; i < 511; ++i)
            chunk[i] = static_cast<unsigned char>(i);
        const uint32_t mib = 1u << 20;
        uint32_t nextReport = 4 * mib;
        QueryPerformanceCounter(&t0);
        LARGE_INTEGER last = t0;
        while (grown.held() < 256 * mib && grown.append(chunk, sizeof chunk)) {
            if (grown.held() >= nextReport) {
                QueryPerformanceCounter(&t1);
                if (nextReport == 4 * mib || nextReport % (64 * mib) == 0)
                    std::printf("ByteHistory append: %3u MiB reached, %.3f s in all, %.1f MB/s over the last 4 MiB\n",
                                nextReport / mib, seconds(t0, t1, f), 4.0 * mib / seconds(last, t1, f) / 1e6);
                last = t1;
                nextReport += 4 * mib;
            }
        }
        QueryPerformanceCounter(&t1);
        std::printf("ByteHistory append: %u bytes in 511-byte chunks, %.3f s, %.1f MB/s, capacity %u\n", grown.held(),
                    seconds(t0, t1, f), grown.held() / seconds(t0, t1, f) / 1e6, bytes.capacity());
    }

    char tmp[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("LT_TMP", tmp, sizeof tmp);
    std::string path = (n > 0 && n < sizeof tmp ? std::string(tmp) : std::string(".")) + "\\bench.bin";
    P_File file(path.c_str(), P_File::create);
    if (!file.open())
        return 1;
    QueryPerformanceCounter(&t0);
    for (uint32_t off = 0; off + 512 <= history.count(); off += 512)
        file.write(history.items() + off, 512);
    file.flush();
    QueryPerformanceCounter(&t1);
    s = seconds(t0, t1, f);
    std::printf("P_File write: %u bytes in 512-byte writes, %.3f s, %.1f MB/s\n", file.getSize(), s,
                file.getSize() / s / 1e6);
    QueryPerformanceCounter(&t0);
    bool resized = file.resize(file.getSize() / 2, ".BAC");
    QueryPerformanceCounter(&t1);
    std::printf("P_File resize with backup to %u bytes: %s, %.3f s\n", file.getSize(), resized ? "ok" : "failed",
                seconds(t0, t1, f));
    file.close();
    DeleteFileA(path.c_str());
    char bak[MAX_PATH];
    if (file.backupName(bak, sizeof bak, nullptr))
        DeleteFileA(bak);
    return 0;
}
