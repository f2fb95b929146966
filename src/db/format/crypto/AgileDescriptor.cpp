#include "AgileDescriptor.h"

#include "Aes.h"
#include "CryptoError.h"

#include <QXmlStreamReader>

namespace quorvane::db::format::crypto {

namespace {

const QString kPasswordNamespace = QStringLiteral("http://schemas.microsoft.com/office/2006/keyEncryptor/password");
const QString kCertificateNamespace =
    QStringLiteral("http://schemas.microsoft.com/office/2006/keyEncryptor/certificate");
constexpr qsizetype kMaxSaltBytes = 64;
constexpr qsizetype kMaxEncryptedValueBytes = 1024;

class AttributeReader {
public:
    AttributeReader(QXmlStreamAttributes attributes, const QString& element, DbError& error)
        : m_attributes(std::move(attributes)), m_element(element), m_error(error)
    {
    }

    bool failed() const { return m_error.isError(); }

    QString text(const QString& name)
    {
        if (failed())
            return {};
        if (!m_attributes.hasAttribute(name)) {
            m_error = damagedEncryptionHeader(QStringLiteral("lacks %1 of %2").arg(name, m_element));
            return {};
        }
        return m_attributes.value(name).toString();
    }

    quint32 number(const QString& name, quint32 max)
    {
        const QString value = text(name);
        if (failed())
            return 0;
        bool ok = false;
        const qulonglong n = value.trimmed().toULongLong(&ok);
        if (!ok || n > max) {
            m_error = damagedEncryptionHeader(QStringLiteral("has %1=\"%2\" in %3").arg(name, value.left(32), m_element));
            return 0;
        }
        return static_cast<quint32>(n);
    }

    QByteArray base64(const QString& name, qsizetype maxBytes)
    {
        const QString value = text(name);
        if (failed())
            return {};
        auto decoded = QByteArray::fromBase64Encoding(value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || decoded.decoded.isEmpty() || decoded.decoded.size() > maxBytes) {
            m_error = damagedEncryptionHeader(QStringLiteral("has an unreadable %1 in %2").arg(name, m_element));
            return {};
        }
        return decoded.decoded;
    }

    // The cipher, chaining, key size, block size, hash and salt every key element has.
    AgileKeyParameters keyParameters()
    {
        AgileKeyParameters p;
        const QString cipher = text(QStringLiteral("cipherAlgorithm"));
        const QString chaining = text(QStringLiteral("cipherChaining"));
        const QString hashName = text(QStringLiteral("hashAlgorithm"));
        p.keyBits = static_cast<int>(number(QStringLiteral("keyBits"), 0x10000));
        p.blockSize = static_cast<int>(number(QStringLiteral("blockSize"), 0x10000));
        const quint32 saltSize = number(QStringLiteral("saltSize"), 0x10000);
        p.salt = base64(QStringLiteral("saltValue"), kMaxSaltBytes);
        if (failed())
            return p;
        if (cipher.trimmed().compare(QLatin1String("AES"), Qt::CaseInsensitive) != 0) {
            m_error = unsupportedEncryption(QStringLiteral("the %1 cipher").arg(cipher.left(32)));
            return p;
        }
        if (chaining.trimmed().compare(QLatin1String("ChainingModeCBC"), Qt::CaseInsensitive) != 0) {
            m_error = unsupportedEncryption(QStringLiteral("AES in %1").arg(chaining.left(32)));
            return p;
        }
        const auto hash = hashAlgorithmFromName(hashName);
        if (!hash) {
            m_error = unsupportedEncryption(QStringLiteral("the %1 hash").arg(hashName.left(32)));
            return p;
        }
        p.hash = *hash;
        if (p.keyBits % 8 != 0 || !isAesKeyLength(p.keyBits / 8)) {
            m_error = unsupportedEncryption(QStringLiteral("AES with a %1-bit key").arg(p.keyBits));
            return p;
        }
        if (p.blockSize != kAesBlockSize) {
            m_error = damagedEncryptionHeader(QStringLiteral("names an AES block of %1 bytes").arg(p.blockSize));
            return p;
        }
        if (saltSize != static_cast<quint32>(p.salt.size()))
            m_error = damagedEncryptionHeader(QStringLiteral("has a salt that does not match its size in %1").arg(m_element));
        return p;
    }

private:
    QXmlStreamAttributes m_attributes;
    QString m_element;
    DbError& m_error;
};

} // namespace

std::optional<AgileDescriptor> AgileDescriptor::parse(QByteArrayView xml, DbError& error)
{
    error = {};
    if (xml.size() > kMaxDescriptorBytes) {
        error = damagedEncryptionHeader(QStringLiteral("is too long"));
        return std::nullopt;
    }
    QXmlStreamReader reader(QByteArray(xml.data(), xml.size()));
    AgileDescriptor descriptor;
    bool haveKeyData = false;
    bool havePasswordKey = false;
    bool sawCertificateKey = false;
    while (!reader.atEnd() && !error.isError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        if (name == u"keyData" && !haveKeyData) {
            AttributeReader attributes(reader.attributes(), QStringLiteral("keyData"), error);
            descriptor.keyData = attributes.keyParameters();
            haveKeyData = true;
        } else if (name == u"encryptedKey" && reader.namespaceUri() == kPasswordNamespace && !havePasswordKey) {
            AttributeReader attributes(reader.attributes(), QStringLiteral("the password key"), error);
            AgilePasswordKey& key = descriptor.passwordKey;
            key.parameters = attributes.keyParameters();
            key.spinCount = attributes.number(QStringLiteral("spinCount"), kMaxSpinCount);
            key.encryptedVerifierHashInput =
                attributes.base64(QStringLiteral("encryptedVerifierHashInput"), kMaxEncryptedValueBytes);
            key.encryptedVerifierHashValue =
                attributes.base64(QStringLiteral("encryptedVerifierHashValue"), kMaxEncryptedValueBytes);
            key.encryptedKeyValue = attributes.base64(QStringLiteral("encryptedKeyValue"), kMaxEncryptedValueBytes);
            havePasswordKey = true;
        } else if (name == u"encryptedKey" && reader.namespaceUri() == kCertificateNamespace) {
            sawCertificateKey = true;
        }
    }
    if (error.isError())
        return std::nullopt;
    if (reader.hasError()) {
        error = damagedEncryptionHeader(QStringLiteral("is not well-formed XML (%1)").arg(reader.errorString()));
        return std::nullopt;
    }
    if (!havePasswordKey && sawCertificateKey) {
        error = unsupportedEncryption(QStringLiteral("a certificate instead of a password"));
        return std::nullopt;
    }
    if (!haveKeyData || !havePasswordKey) {
        error = damagedEncryptionHeader(QStringLiteral("lacks %1").arg(haveKeyData ? QStringLiteral("the password key")
                                                                                    : QStringLiteral("keyData")));
        return std::nullopt;
    }
    return descriptor;
}

} // namespace quorvane::db::format::crypto
