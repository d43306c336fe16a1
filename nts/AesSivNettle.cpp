#include "AesSiv.h"
#include "AesSivBackends.h"

#include <nettle/siv-cmac.h>
#include <string.h>

namespace brisvander::sivbackend {

std::optional<Bytes> NettleSeal(ByteView key, ByteView associatedData, ByteView nonce, ByteView plaintext)
{
    if (key.size() != AesSivKeySize || nonce.size() < SIV_MIN_NONCE_SIZE)
        return std::nullopt;
    siv_cmac_aes128_ctx ctx;
    siv_cmac_aes128_set_key(&ctx, key.data());
    Bytes sealed(AesSivTagSize + plaintext.size());
    siv_cmac_aes128_encrypt_message(&ctx, nonce.size(), nonce.data(), associatedData.size(), associatedData.data(),
                                    sealed.size(), sealed.data(), plaintext.data());
    return sealed;
}

std::optional<Bytes> NettleOpen(ByteView key, ByteView associatedData, ByteView nonce, ByteView sealed)
{
    if (key.size() != AesSivKeySize || nonce.size() < SIV_MIN_NONCE_SIZE || sealed.size() < AesSivTagSize)
        return std::nullopt;
    siv_cmac_aes128_ctx ctx;
    siv_cmac_aes128_set_key(&ctx, key.data());
    Bytes plaintext(sealed.size() - AesSivTagSize);
    if (siv_cmac_aes128_decrypt_message(&ctx, nonce.size(), nonce.data(), associatedData.size(),
                                        associatedData.data(), plaintext.size(), plaintext.data(),
                                        sealed.data()) != 1) {
        if (!plaintext.empty())
            explicit_bzero(plaintext.data(), plaintext.size()); // leave nothing readable
        return std::nullopt;
    }
    return plaintext;
}

} // namespace brisvander::sivbackend
