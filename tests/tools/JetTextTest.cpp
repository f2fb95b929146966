#include "mdbwriter/JetText.h"

#include <gtest/gtest.h>

#include <string_view>

namespace quorvane::mdbwriter {
namespace {

// Reads the stored form back the way Jet readers do, so the cases below check the
// encoding by what comes out of it rather than by restating its bytes.
QString decode(const QByteArray& stored)
{
    const auto* p = reinterpret_cast<const unsigned char*>(stored.constData());
    const qsizetype n = stored.size();
    QString out;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool oneByte = true;
        for (qsizetype i = 2; i < n;) {
            if (p[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                out += QChar(char16_t(p[i++]));
            } else {
                out += QChar(char16_t(p[i] | (p[i + 1] << 8)));
                i += 2;
            }
        }
        return out;
    }
    for (qsizetype i = 0; i + 1 < n; i += 2)
        out += QChar(char16_t(p[i] | (p[i + 1] << 8)));
    return out;
}

struct Case {
    std::u16string_view text;
    bool allowCompression;
    bool compressed;      // expect the FF FE form
    int storedSize;
};

class JetTextCase : public ::testing::TestWithParam<Case> {};

TEST_P(JetTextCase, EncodesAndReadsBack)
{
    const Case& c = GetParam();
    const QString text = QString::fromUtf16(c.text.data(), qsizetype(c.text.size()));
    const QByteArray stored = jettext::encode(text, c.allowCompression);
    EXPECT_EQ(stored.startsWith("\xFF\xFE"), c.compressed);
    EXPECT_EQ(stored.size(), c.storedSize);
    EXPECT_EQ(decode(stored), text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JetTextCase,
    ::testing::Values(
        Case{u"", true, false, 0},
        Case{u"ab", true, false, 4},                 // too short to gain from the marker
        Case{u"abc", true, true, 5},
        Case{u"abc", false, false, 6},                // compression not allowed (long memo)
        Case{u"Zoë Ångström", true, true, 14},        // Latin-1 letters stay one byte
        Case{u"Müller GmbH\r\nSão Paulo", true, true, 24},
        Case{u"Цена: 1234567 EUR", true, true, 25},   // a wide run, then a one-byte run
        Case{u"Цена 5 €", true, false, 16},           // the switches would cost more than they save
        Case{u"Москва", true, false, 12},             // switching costs more than it saves
        Case{u"Ābele", true, false, 10},              // U+0100: low byte zero reads as a switch
        Case{std::u16string_view(u"a\u0000b", 3), true, false, 6},            // a NUL cannot be written compressed
        Case{u"東京 Tokyo", true, true, 14}));

} // namespace
} // namespace quorvane::mdbwriter
