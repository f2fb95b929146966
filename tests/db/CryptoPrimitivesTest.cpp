// Known answers for the RC4 stream cipher and the fixed header mask.

#include "db/format/crypto/Rc4.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane::db::format::crypto;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
        .toHex()
        .toUpper()
        .toStdString();
}

struct Rc4Case {
    std::string key;
    std::string plain;
    const char* cipherHex;
};

class Rc4KnownAnswers : public ::testing::TestWithParam<Rc4Case> {};

TEST_P(Rc4KnownAnswers, EncryptsAndDecrypts)
{
    const auto& c = GetParam();
    const auto key = bytesOf(c.key);
    auto text = bytesOf(c.plain);
    Rc4(key).apply(text);
    EXPECT_EQ(hex(text), c.cipherHex);
    Rc4(key).apply(text);
    EXPECT_EQ(text, bytesOf(c.plain));
}

TEST_P(Rc4KnownAnswers, StreamContinuesAcrossCalls)
{
    const auto& c = GetParam();
    const auto key = bytesOf(c.key);
    auto text = bytesOf(c.plain);
    Rc4 rc4(key);
    const auto half = text.size() / 2;
    rc4.apply(std::span(text).first(half));
    rc4.apply(std::span(text).subspan(half));
    EXPECT_EQ(hex(text), c.cipherHex);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, Rc4KnownAnswers,
    ::testing::Values(Rc4Case{"Key", "Plaintext", "BBF316E8D940AF0AD3"}, Rc4Case{"Wiki", "pedia", "1021BF0420"},
                      Rc4Case{"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
                      // RFC 6229, 40-bit key 0102030405, first 16 bytes of key stream
                      Rc4Case{std::string("\x01\x02\x03\x04\x05", 5), std::string(16, '\0'),
                              "B2396305F03DC027CCC3524A0A1118A8"}));

struct MaskCase {
    bool jet3;
    std::size_t maskedBytes;
};

class HeaderMask : public ::testing::TestWithParam<MaskCase> {};

// The mask is the key stream Jackcess lists as its header mask: B5 6F 03 62 ... 62 D4,
// 128 bytes of which Jet 3 uses the first 126.
TEST_P(HeaderMask, CoversTheFixedRegionOnly)
{
    const auto& c = GetParam();
    std::vector<std::uint8_t> page(4096, 0);
    toggleHeaderMask(page, c.jet3);
    EXPECT_EQ(hex({page.begin() + 0x18, page.begin() + 0x18 + 8}), "B56F03626108C255");
    for (std::size_t i = 0; i < page.size(); ++i) {
        const bool inside = i >= 0x18 && i < 0x18 + c.maskedBytes;
        if (!inside) {
            EXPECT_EQ(page[i], 0) << i;
        }
    }
    if (!c.jet3) {
        EXPECT_EQ(hex({page.begin() + 0x18 + 126, page.begin() + 0x18 + 128}), "62D4");
    }
    toggleHeaderMask(page, c.jet3);
    EXPECT_EQ(page, std::vector<std::uint8_t>(4096, 0));
}

TEST(HeaderMaskShortPage, TouchesOnlyWhatIsThere)
{
    std::vector<std::uint8_t> page(0x20, 0);
    toggleHeaderMask(page, false);
    EXPECT_EQ(hex(page).substr(0x18 * 2), "B56F03626108C255");
    std::vector<std::uint8_t> tiny(4, 0);
    toggleHeaderMask(tiny, true);
    EXPECT_EQ(tiny, std::vector<std::uint8_t>(4, 0));
}

INSTANTIATE_TEST_SUITE_P(Versions, HeaderMask, ::testing::Values(MaskCase{true, 126}, MaskCase{false, 128}));

} // namespace
