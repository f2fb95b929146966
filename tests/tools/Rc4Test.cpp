#include "db/format/crypto/Rc4.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

namespace quorvane::mdbwriter {
namespace {

using db::format::crypto::Rc4;

struct Vector {
    const char* key;
    const char* plain;
    const char* cipherHex;
};

class Rc4Vector : public ::testing::TestWithParam<Vector> {};

TEST_P(Rc4Vector, MatchesPublishedKeyStream)
{
    const Vector& v = GetParam();
    QByteArray data(v.plain);
    Rc4(std::span(reinterpret_cast<const std::uint8_t*>(v.key), std::strlen(v.key)))
        .apply(std::span(reinterpret_cast<std::uint8_t*>(data.data()), std::size_t(data.size())));
    EXPECT_EQ(data.toHex().toUpper(), QByteArray(v.cipherHex));
}

INSTANTIATE_TEST_SUITE_P(Published, Rc4Vector,
                         ::testing::Values(Vector{"Key", "Plaintext", "BBF316E8D940AF0AD3"},
                                           Vector{"Wiki", "pedia", "1021BF0420"},
                                           Vector{"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"}));

// The header mask of a file Access wrote comes off under the fixed key: the code page
// and the sort order stand where they belong.
TEST(Rc4, UnmasksTheHeaderOfAnAccessFile)
{
    QFile file(QStringLiteral(QUORVANE_CORPUS_DIR "/files/jackcess--V2000--testV2000.mdb"));
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "the corpus is not here";
    QByteArray page = file.read(4096);
    static const std::uint8_t kKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kKey).apply(std::span(reinterpret_cast<std::uint8_t*>(page.data()) + 0x18, 128));
    EXPECT_EQ(std::uint8_t(page[0x3C]) | (std::uint8_t(page[0x3D]) << 8), 1252);
    EXPECT_EQ(std::uint8_t(page[0x6E]) | (std::uint8_t(page[0x6F]) << 8), 0x0409);
}

} // namespace
} // namespace quorvane::mdbwriter
