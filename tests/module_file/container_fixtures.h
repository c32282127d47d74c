#pragma once
// Module files made by hand from their published layout: the 64-byte digest of the image, then the
// image, the whole encrypted with the module file key and vector.
#include "aes_cipher.h"
#include "module_digest.h"
#include "secure_library.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace zvk_test {

inline std::string encrypt_module_bytes(const std::string& plain) {
    AesCipher cipher;
    cipher.set_key(SecureLibrary::file_key);
    cipher.set_iv(SecureLibrary::file_iv);
    return cipher.encrypt(plain);
}

inline std::string whirlpool_of(const std::string& bytes) {
    return module_digest::whirlpool(bytes.data(), bytes.size());
}
inline std::string sha512_of(const std::string& bytes) {
    return module_digest::sha512(bytes.data(), bytes.size());
}

// The decrypted form of a module file, and the module file itself.
inline std::string digest_and_image(const std::string& image) {
    return whirlpool_of(image) + image;
}
inline std::string module_file_of(const std::string& image) {
    return encrypt_module_bytes(digest_and_image(image));
}

// `prefix` followed by a 32-bit counter, the first counter value whose digest begins with the
// letters M and Z (about one in 65536 does).
template <class Digest>
std::string bytes_whose_digest_starts_with_mz(const std::string& prefix, Digest digest_of) {
    for (std::uint32_t counter = 0; counter < (1u << 24); ++counter) {
        std::string bytes = prefix;
        bytes.append(reinterpret_cast<const char*>(&counter), sizeof counter);
        const std::string digest = digest_of(bytes);
        if (digest[0] == 'M' && digest[1] == 'Z')
            return bytes;
    }
    throw std::runtime_error("no digest starting with MZ found");
}

} // namespace zvk_test
