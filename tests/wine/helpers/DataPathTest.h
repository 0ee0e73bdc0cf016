#ifndef TESTS_WINE_HELPERS_DATAPATHTEST_H
#define TESTS_WINE_HELPERS_DATAPATHTEST_H

// The ground most terminal tests start from: the terminal on COM2 with the
// port open and the peer at the cable's far end, COM9.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/helpers/SerialPeer.h"
#include "tests/wine/helpers/TerminalRig.h"

namespace rig {

class DataPathTest : public ::testing::Test
{
protected:
    explicit DataPathTest(const Stored &stored = dataPath, SerialPeer::Mode peerMode = SerialPeer::listening)
        : term(stored), peer("COM9", peerMode)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(term.ready());
        ASSERT_TRUE(peer.isOpen());
        ASSERT_TRUE(term.openPort());
    }

    // The peer sends the bytes; true once the history holds them.
    bool receive(const std::vector<unsigned char> &bytes, DWORD timeoutMs = defaultWaitMs)
    {
        size_t before = term.history().size();
        return peer.send(bytes) &&
               term.waitFor([&] { return term.history().size() >= before + bytes.size(); }, timeoutMs);
    }
    bool receive(const std::string &s) { return receive(bytesOf(s)); }

    Terminal term;
    SerialPeer peer;
};

} // namespace rig

#endif
