#include "Aes.h"

#include <openssl/evp.h>

#include <array>
#include <memory>

namespace quorvane::db::format::crypto {

namespace {

enum class Mode { Cbc, Ecb };

// Ciphers fetched from the provider once for the whole program: EVP_aes_256_cbc() and
// its kind are looked up by name again at every EVP_CipherInit_ex, once per page.
const EVP_CIPHER* cipherFor(Mode mode, qsizetype keyBytes)
{
    static const std::array<EVP_CIPHER*, 6> fetched = [] {
        std::array<EVP_CIPHER*, 6> out{};
        const char* const names[] = {"AES-128-CBC", "AES-192-CBC", "AES-256-CBC",
                                     "AES-128-ECB", "AES-192-ECB", "AES-256-ECB"};
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = EVP_CIPHER_fetch(nullptr, names[i], nullptr);
        return out;
    }();
    if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32)
        return nullptr;
    const std::size_t index = (mode == Mode::Cbc ? 0 : 3) + static_cast<std::size_t>(keyBytes / 8 - 2);
    if (fetched[index])
        return fetched[index];
    switch (keyBytes) {
    case 16: return mode == Mode::Cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24: return mode == Mode::Cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    default: return mode == Mode::Cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    }
}

bool aesRun(const EVP_CIPHER* cipher, bool encrypt, QByteArrayView key, const unsigned char* iv,
            std::span<const std::uint8_t> in, std::span<std::uint8_t> out)
{
    if (!cipher || in.size() != out.size() || in.size() % kAesBlockSize != 0)
        return false;
    if (in.empty())
        return true;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    if (!ctx)
        return false;
    const auto* k = reinterpret_cast<const unsigned char*>(key.data());
    if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, k, iv, encrypt ? 1 : 0) != 1)
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

} // namespace

bool isAesKeyLength(qsizetype bytes)
{
    return bytes == 16 || bytes == 24 || bytes == 32;
}

bool aesCbc(bool encrypt, QByteArrayView key, QByteArrayView iv, std::span<const std::uint8_t> in,
            std::span<std::uint8_t> out)
{
    if (iv.size() != kAesBlockSize)
        return false;
    return aesRun(cipherFor(Mode::Cbc, key.size()), encrypt, key, reinterpret_cast<const unsigned char*>(iv.data()),
                  in, out);
}

bool aesEcb(bool encrypt, QByteArrayView key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out)
{
    return aesRun(cipherFor(Mode::Ecb, key.size()), encrypt, key, nullptr, in, out);
}

} // namespace quorvane::db::format::crypto
