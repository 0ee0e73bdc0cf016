#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "util/PRegKeyDWORD.h"
#include "util/PRegKeyStr.h"
#include "util/PRegistry.h"

namespace {

const char testKey[] = "Software\\LineTalkTests\\PRegistry";

bool keyExists(const char *path)
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

class PRegistryTest : public testing::Test
{
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, testKey); }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, testKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LineTalkTests");
    }

    // Stores raw data under the test key, bypassing the classes under test.
    void store(const char *name, DWORD type, const void *data, DWORD size)
    {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, testKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(k, name, 0, type, static_cast<const BYTE *>(data), size), ERROR_SUCCESS);
        RegCloseKey(k);
    }

    // Reads raw data back; false when the value is missing.
    bool fetch(const char *name, DWORD *type, BYTE *data, DWORD *size)
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, testKey, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        LONG r = RegQueryValueExA(k, name, nullptr, type, data, size);
        RegCloseKey(k);
        return r == ERROR_SUCCESS;
    }

    PRegistry reg{HKEY_CURRENT_USER, false};
};

} // namespace

TEST_F(PRegistryTest, ReadingFromAMissingKeyCreatesItAndReportsTheValueMissing)
{
    ASSERT_FALSE(keyExists(testKey));
    PRegKeyDWORD value("Setup");
    EXPECT_EQ(reg.readValue(value, testKey), 3);
    EXPECT_TRUE(keyExists(testKey));
}

TEST_F(PRegistryTest, ReadingAStringWithoutBufferAllocatesExactlyTheStoredSize)
{
    store("OldPath", REG_SZ, "C:\\windows", 11);
    PRegKeyStr value("OldPath");
    ASSERT_EQ(reg.readValue(value, testKey), 0);
    EXPECT_EQ(value.getSize(), 11u);
    EXPECT_EQ(value.getType(), DWORD(REG_SZ));
    EXPECT_EQ(std::memcmp(value.getData(), "C:\\windows", 11), 0);
}

TEST_F(PRegistryTest, WritingADwordStoresFourBytesOfTypeDword)
{
    PRegKeyDWORD value("Five", 5);
    EXPECT_EQ(reg.writeValue(value, testKey), 0);
    DWORD type = 0, data = 0, size = sizeof data;
    ASSERT_TRUE(fetch("Five", &type, reinterpret_cast<BYTE *>(&data), &size));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data, 5u);
}

TEST_F(PRegistryTest, NullNameAddressesTheDefaultValue)
{
    PRegKeyStr value("named", "dflt", 5);
    value.setName(nullptr);
    ASSERT_EQ(reg.writeValue(value, testKey), 0);
    char data[16] = {};
    DWORD type = 0, size = sizeof data;
    ASSERT_TRUE(fetch(nullptr, &type, reinterpret_cast<BYTE *>(data), &size));
    EXPECT_STREQ(data, "dflt");
    EXPECT_FALSE(fetch("named", &type, reinterpret_cast<BYTE *>(data), &size));
}

TEST_F(PRegistryTest, ReadingIntoABufferTooSmallFails)
{
    store("Long", REG_SZ, "0123456789", 11);
    PRegKeyStr value("Long", "abc", 4);
    EXPECT_EQ(reg.readValue(value, testKey), 3);
    EXPECT_EQ(std::memcmp(value.getData(), "abc", 4), 0);
}

TEST_F(PRegistryTest, ReadingIntoALargerBufferGivesTheSizeRead)
{
    store("Short", REG_DWORD, "\x07\x00\x00\x00", 4);
    PRegKeyStr value("Short", "0123456789", 11);
    ASSERT_EQ(reg.readValue(value, testKey), 0);
    EXPECT_EQ(value.getSize(), 4u);
    EXPECT_EQ(value.getType(), DWORD(REG_DWORD));
    EXPECT_EQ(value.getData()[0], 7);
}

TEST_F(PRegistryTest, WrittenValuesReadBackUnchanged)
{
    PRegKeyStr out("Text", "hello", 6);
    ASSERT_EQ(reg.writeValue(out, testKey), 0);
    PRegKeyStr in("Text");
    ASSERT_EQ(reg.readValue(in, testKey), 0);
    ASSERT_EQ(in.getSize(), 6u);
    EXPECT_STREQ(reinterpret_cast<const char *>(in.getData()), "hello");
}

TEST_F(PRegistryTest, AKeyThatCannotBeOpenedGivesOne)
{
    // A root that is no key at all cannot open anything.
    PRegistry bad(reinterpret_cast<HKEY>(static_cast<LONG_PTR>(0x1234)), false);
    PRegKeyDWORD value("x", 1);
    EXPECT_EQ(bad.writeValue(value, testKey), 1);
    EXPECT_EQ(bad.readValue(value, testKey), 1);
    HKEY k = nullptr;
    EXPECT_EQ(bad.openKey(testKey, &k), 1);
}

TEST_F(PRegistryTest, AnOwnedRootIsClosedWhenReplaced)
{
    HKEY own;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &own), ERROR_SUCCESS);
    PRegistry r(own, true);
    PRegKeyDWORD value("Owned", 1);
    EXPECT_EQ(r.writeValue(value, "LineTalkTests\\PRegistry"), 0);
    EXPECT_TRUE(r.setRoot(HKEY_CURRENT_USER, false));
    // The old handle was closed by setRoot.
    HKEY sub;
    EXPECT_NE(RegOpenKeyExA(own, "LineTalkTests", 0, KEY_READ, &sub), ERROR_SUCCESS);
    EXPECT_EQ(r.readValue(value, testKey), 0);
}
