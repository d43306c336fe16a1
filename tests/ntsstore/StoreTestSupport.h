#pragma once
// A store folder of the test's own and sessions whose cookies tell them apart.
#include "NtsSession.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace brisvander {

// A session with `count` cookies of 4 bytes: `first`, `first` + 1, ... big-endian.
inline NtsSession SessionWithCookies(std::uint32_t first, std::size_t count)
{
    NtsSession session{Bytes(32, 0xC5), Bytes(32, 0x5C), {}, "ntp.example", 4123};
    for (std::uint32_t n = first; n < first + count; ++n)
        session.Cookies.push_back(
            {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
    return session;
}

inline std::uint32_t CookieNumber(const Bytes& cookie)
{
    return std::uint32_t(cookie[0]) << 24 | std::uint32_t(cookie[1]) << 16 | std::uint32_t(cookie[2]) << 8 | cookie[3];
}

// A fresh temporary folder, removed with everything in it afterwards; the store lives in "<it>/nts".
class StoreFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "ntsstore-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_top = pattern;
        Folder = m_top + "/nts";
    }
    void TearDown() override { std::filesystem::remove_all(m_top); }

    std::string Folder;

private:
    std::string m_top;
};

} // namespace brisvander
