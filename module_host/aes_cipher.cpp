#include "aes_cipher.h"

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>

#include <utility>

namespace {

// The hexadecimal text decoded; Crypto++'s decoder skips characters that are no hex digits.
CryptoPP::SecByteBlock decode_hex(const std::string& text) {
    std::string bytes;
    CryptoPP::StringSource source(text, true, new CryptoPP::HexDecoder(new CryptoPP::StringSink(bytes)));
    return CryptoPP::SecByteBlock(reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
}

// Runs `data` through the cipher in place. Everything that can fail (decoding, key and vector
// lengths) happens before the first byte changes; CFB is a stream mode, so any length then goes
// through in one call that cannot fail.
template <class Mode> void run(const std::string& key_hex, const std::string& iv_hex, std::string& data) {
    const CryptoPP::SecByteBlock key = decode_hex(key_hex);
    const CryptoPP::SecByteBlock iv = decode_hex(iv_hex);
    // AES would take 24 or 32 key bytes as well; module files are AES-128 only.
    if (key.size() != CryptoPP::AES::DEFAULT_KEYLENGTH)
        throw CryptoPP::InvalidKeyLength("AES-128", key.size());
    Mode mode; // CFB's feedback size defaults to the block size: CFB-128
    mode.SetKeyWithIV(key, key.size(), iv, iv.size()); // throws for a vector that is not 16 bytes
    if (!data.empty()) {
        auto* bytes = reinterpret_cast<CryptoPP::byte*>(&data[0]);
        mode.ProcessData(bytes, bytes, data.size());
    }
}

using Decryption = CryptoPP::CFB_Mode<CryptoPP::AES>::Decryption;
using Encryption = CryptoPP::CFB_Mode<CryptoPP::AES>::Encryption;

} // namespace

AesCipher::AesCipher() = default;

void AesCipher::set_key(std::string key_hex) {
    key = std::move(key_hex);
}
void AesCipher::set_iv(std::string iv_hex) {
    iv = std::move(iv_hex);
}

std::string AesCipher::decrypt(std::string data) {
    run<Decryption>(key, iv, data);
    return data;
}

std::string AesCipher::encrypt(std::string data) {
    run<Encryption>(key, iv, data);
    return data;
}

void AesCipher::decrypt_in_place(std::string& data) {
    run<Decryption>(key, iv, data);
}
