#ifndef TESTS_NATIVE_PTYPEER_H
#define TESTS_NATIVE_PTYPEER_H

// A far-end program (lrzsz's sx, sz, rz...) on the slave side of a fresh
// pseudo-terminal in raw mode, its stderr in a file, its cwd a folder of
// the test's; the test talks to it through the master. The program is
// ended by its PID when the peer goes.

#include <cerrno>
#include <cstdint>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

class PtyPeer
{
public:
    PtyPeer() = default;
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;
    ~PtyPeer()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0)
            close(master);
    }

    bool start(const std::vector<std::string> &argv, const std::string &cwd, const std::string &errLog)
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return false;
        const char *slaveName = ptsname(master);
        if (!slaveName)
            return false;
        std::string slavePath = slaveName;
        int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0)
            return false;
        termios t;
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            setsid();
            dup2(slave, 0);
            dup2(slave, 1);
            int err = open(errLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0)
                dup2(err, 2);
            if (chdir(cwd.c_str()) != 0)
                _exit(126);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(slave);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        return pid > 0;
    }

    // Waits up to ms for the program to end; its exit status, or -1.
    int waitExit(int ms)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (pid > 0) {
            int status = 0;
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= until)
                return -1;
            // Drain what it still writes, so it is not stuck on a full pty.
            pollfd p = {master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                char sink[4096];
                if (read(master, sink, sizeof sink) < 0 && errno != EAGAIN) {
                    // The slave side is gone; only the exit is left to wait for.
                    struct timespec ts = {0, 5 * 1000 * 1000};
                    nanosleep(&ts, nullptr);
                }
            }
        }
        return -1;
    }

    int master = -1;
    pid_t pid = -1;
};

// Line damage for a run: the bytes at these offsets of each direction's
// stream are flipped on the way; abortAt has the machine aborted once the
// bytes it received pass it.
struct LineFaults
{
    std::vector<size_t> outgoing;
    std::vector<size_t> incoming;
    size_t abortAt = SIZE_MAX;
    size_t abortAfterSent = SIZE_MAX;  // the same, counting bytes sent
};

// Runs a protocol machine against the peer until it is over (and its last
// output went) or deadlineMs passed. Output is handed over as soon as it is
// taken, before its write ends, as the terminal's port does. Returns false
// on the deadline; what the machine hands back to be shown is kept.
template <class Engine>
bool driveAgainst(Engine &engine, PtyPeer &peer, uint32_t deadlineMs, std::string *shown = nullptr,
                  const LineFaults &faults = LineFaults())
{
    size_t outAt = 0, inAt = 0;
    auto damage = [](unsigned char *bytes, size_t count, size_t &at, const std::vector<size_t> &offsets) {
        for (size_t offset : offsets)
            if (offset >= at && offset < at + count)
                bytes[offset - at] ^= 0x5A;
        at += count;
    };
    using clock = std::chrono::steady_clock;
    const auto t0 = clock::now();
    auto now = [&] { return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - t0).count()); };
    std::vector<unsigned char> pending;
    size_t sentFrom = 0;
    std::vector<unsigned char> in(16384), shownBytes(16384 + 64);
    bool open = true;
    while (now() < deadlineMs) {
        if (sentFrom == pending.size() && engine.outputCount() != 0) {
            pending.assign(engine.output(), engine.output() + engine.outputCount());
            damage(pending.data(), pending.size(), outAt, faults.outgoing);
            sentFrom = 0;
            engine.outputSent(now());
            if (outAt >= faults.abortAfterSent && !engine.finished())
                engine.abort();
        }
        if (sentFrom == pending.size() && engine.outputCount() == 0 && engine.finished())
            return true;
        uint32_t wait = engine.msUntilDeadline(now());
        int timeout = sentFrom < pending.size() ? 20 : int(wait < 20 ? wait : 20);
        pollfd p = {peer.master, short(POLLIN | (sentFrom < pending.size() ? POLLOUT : 0)), 0};
        int ready = poll(&p, 1, open ? timeout : 0);
        if (ready > 0 && (p.revents & POLLOUT) && sentFrom < pending.size()) {
            ssize_t w = write(peer.master, pending.data() + sentFrom, pending.size() - sentFrom);
            if (w > 0)
                sentFrom += size_t(w);
        }
        if (ready > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t r = read(peer.master, in.data(), in.size());
            if (r > 0) {
                damage(in.data(), size_t(r), inAt, faults.incoming);
                if (inAt >= faults.abortAt && !engine.finished())
                    engine.abort();
                uint32_t n = engine.receive(in.data(), uint32_t(r), shownBytes.data(), now());
                if (shown)
                    shown->append(shownBytes.begin(), shownBytes.begin() + n);
            } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The program is gone: what is left is the machine's waits.
                open = false;
                sentFrom = pending.size();
                struct timespec ts = {0, 5 * 1000 * 1000};
                nanosleep(&ts, nullptr);
            }
        }
        if (!open && sentFrom == pending.size()) {
            // With nothing to read any more, time is all that moves it.
            pending.clear();
            sentFrom = 0;
        }
        engine.tick(now());
    }
    return false;
}

#endif
