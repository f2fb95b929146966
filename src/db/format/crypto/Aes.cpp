#include "Aes.h"

#include <openssl/evp.h>

#include <memory>

namespace quorvane::db::format::crypto {

bool isAesKeyLength(qsizetype bytes)
{
    return bytes == 16 || bytes == 24 || bytes == 32;
}

bool aesCbc(bool encrypt, QByteArrayView key, QByteArrayView iv, std::span<const std::uint8_t> in,
            std::span<std::uint8_t> out)
{
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_cbc()
                               : key.size() == 24 ? EVP_aes_192_cbc()
                               : key.size() == 32 ? EVP_aes_256_cbc()
                                                  : nullptr;
    if (!cipher || iv.size() != kAesBlockSize || in.size() != out.size() || in.size() % kAesBlockSize != 0)
        return false;
    if (in.empty())
        return true;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx)
        return false;
    const auto* k = reinterpret_cast<const unsigned char*>(key.data());
    const auto* v = reinterpret_cast<const unsigned char*>(iv.data());
    if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, k, v, encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), out.data() + written, &tail) != 1)
        return false;
    return static_cast<std::size_t>(written + tail) == in.size();
}

} // namespace quorvane::db::format::crypto
