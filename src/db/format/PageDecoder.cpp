#include "PageDecoder.h"

#include "crypto/AgileDecoder.h"
#include "crypto/ByteReader.h"
#include "crypto/CryptoApiHeader.h"
#include "crypto/CryptoApiRc4Decoder.h"
#include "crypto/CryptoError.h"
#include "crypto/JetRc4Decoder.h"
#include "crypto/StandardAesDecoder.h"

#include <exception>

namespace quorvane::db::format {

namespace {

using namespace crypto;

// Office encryption hashes the password as UTF-16LE, at most 255 characters of it.
QByteArray officePasswordBytes(const QString& password)
{
    QByteArray bytes;
    const QString used = password.left(255);
    bytes.reserve(used.size() * 2);
    for (const QChar c : used) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

std::unique_ptr<PageDecoder> makeOfficeDecoder(const Header& header, const QString& password, DbError& error)
{
    const auto provider = header.encryptionProvider();
    if (!provider) {
        error = damagedEncryptionHeader(QStringLiteral("runs past the header page"));
        return nullptr;
    }
    ByteReader reader(*provider);
    const auto major = reader.u16();
    const auto minor = reader.u16();
    if (!major || !minor) {
        error = damagedEncryptionHeader(QStringLiteral("is missing"));
        return nullptr;
    }
    const QByteArray passwordBytes = officePasswordBytes(password);
    if (*major == 4 && *minor == 4) {
        const auto reserved = reader.u32();
        if (!reserved || *reserved != 0x40) {
            error = damagedEncryptionHeader(QStringLiteral("has an unexpected reserved field"));
            return nullptr;
        }
        const auto xml = reader.rest();
        return AgileDecoder::open(QByteArrayView(xml.data(), xml.size()), header.encodingKey, passwordBytes, error);
    }
    if ((*major == 2 || *major == 3 || *major == 4) && *minor == 2) {
        const auto cryptoApi = CryptoApiHeader::read(reader.rest(), error);
        if (!cryptoApi)
            return nullptr;
        if (cryptoApi->isAes())
            return StandardAesDecoder::open(*cryptoApi, header.encodingKey, passwordBytes, error);
        return CryptoApiRc4Decoder::open(*cryptoApi, header.encodingKey, passwordBytes, error);
    }
    if ((*major == 3 || *major == 4) && *minor == 3) {
        error = unsupportedEncryption(QStringLiteral("an extensible encryption provider"));
        return nullptr;
    }
    if (*major == 1 && *minor == 1) {
        error = unsupportedEncryption(QStringLiteral("Office binary RC4 encryption"));
        return nullptr;
    }
    error = unsupportedEncryption(QStringLiteral("an unknown Office encryption (version %1.%2)").arg(*major).arg(*minor));
    return nullptr;
}

std::unique_ptr<PageDecoder> makeDecoder(const Header& header, const QString& password, DbError& error)
{
    if (header.version == JetVersion::Ace) {
        // An ACE file with a password is always encrypted; a plain one opens whatever
        // password comes with it, as Access does.
        if (!header.isEncoded())
            return nullptr;
        return makeOfficeDecoder(header, password, error);
    }
    // A Jet database password only guards the door: it is kept in the header and the
    // pages do not depend on it. A file without one opens with any password.
    if (!header.password.isEmpty() && header.password != password) {
        error = DbError::badPassword();
        return nullptr;
    }
    if (!header.isEncoded())
        return nullptr;
    return std::make_unique<JetRc4Decoder>(header.encodingKey);
}

} // namespace

std::unique_ptr<PageDecoder> makePageDecoder(const Header& header, const QString& password, DbError& error)
{
    error = {};
    try {
        auto decoder = makeDecoder(header, password, error);
        if (decoder)
            error = {};
        return decoder;
    } catch (const std::exception& e) {
        // Only libcrypto failing outright (memory exhausted) lands here.
        error = {errc::kUnrecognizedFormat,
                 QStringLiteral("The encryption of the database could not be read: %1").arg(QString::fromUtf8(e.what()))};
        return nullptr;
    }
}

std::unique_ptr<PageDecoder> makePageDecoder(std::span<const std::uint8_t> headerPage, const QString& password,
                                             DbError& error)
{
    const auto header = readHeader(
        QByteArrayView(headerPage.data(), static_cast<qsizetype>(headerPage.size())), QString(), error);
    if (!header)
        return nullptr;
    return makePageDecoder(*header, password, error);
}

} // namespace quorvane::db::format
