#include "AesSiv.h"
#include "AesSivBackends.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

namespace brisvander::sivbackend {
namespace {
struct CipherFree {
    void operator()(EVP_CIPHER* c) const { EVP_CIPHER_free(c); }
};
struct ContextFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using CipherPtr = std::unique_ptr<EVP_CIPHER, CipherFree>;
using ContextPtr = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

// OpenSSL names SIV by the size of each of its two AES keys: 128 bits here.
ContextPtr StartSiv(ByteView key, bool encrypt)
{
    if (key.size() != AesSivKeySize)
        return nullptr;
    const CipherPtr cipher(EVP_CIPHER_fetch(nullptr, "AES-128-SIV", nullptr));
    ContextPtr ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx || EVP_CipherInit_ex2(ctx.get(), cipher.get(), key.data(), nullptr, encrypt ? 1 : 0, nullptr) != 1)
        return nullptr;
    return ctx;
}

bool FeedAssociatedData(EVP_CIPHER_CTX* ctx, std::span<const ByteView> associatedData)
{
    int ignored = 0;
    for (ByteView component : associatedData) {
        // One update call per component: S2V keeps them apart.
        if (EVP_CipherUpdate(ctx, nullptr, &ignored, component.data(), static_cast<int>(component.size())) != 1)
            return false;
    }
    return true;
}

// SIV takes the plaintext or ciphertext in a single call.
bool CipherOnce(EVP_CIPHER_CTX* ctx, ByteView in, std::uint8_t* out)
{
    int written = 0;
    if (in.empty() || EVP_CipherUpdate(ctx, out, &written, in.data(), static_cast<int>(in.size())) != 1 ||
        static_cast<std::size_t>(written) != in.size())
        return false;
    int tail = 0;
    return EVP_CipherFinal_ex(ctx, out + written, &tail) == 1 && tail == 0;
}
} // namespace

std::optional<Bytes> OpenSslSeal(ByteView key, std::span<const ByteView> associatedData, ByteView plaintext)
{
    const ContextPtr ctx = StartSiv(key, true);
    if (!ctx || !FeedAssociatedData(ctx.get(), associatedData))
        return std::nullopt;
    Bytes sealed(AesSivTagSize + plaintext.size());
    if (!CipherOnce(ctx.get(), plaintext, sealed.data() + AesSivTagSize))
        return std::nullopt;
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, AesSivTagSize, sealed.data()) != 1)
        return std::nullopt;
    return sealed;
}

std::optional<Bytes> OpenSslOpen(ByteView key, std::span<const ByteView> associatedData, ByteView sealed)
{
    if (sealed.size() < AesSivTagSize)
        return std::nullopt;
    const ContextPtr ctx = StartSiv(key, false);
    if (!ctx)
        return std::nullopt;
    Bytes tag(sealed.begin(), sealed.begin() + AesSivTagSize);
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, AesSivTagSize, tag.data()) != 1 ||
        !FeedAssociatedData(ctx.get(), associatedData))
        return std::nullopt;
    const ByteView ciphertext = sealed.subspan(AesSivTagSize);
    Bytes plaintext(ciphertext.size());
    if (!CipherOnce(ctx.get(), ciphertext, plaintext.data())) {
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        return std::nullopt;
    }
    return plaintext;
}

} // namespace brisvander::sivbackend
