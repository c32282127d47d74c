// AES-128-CFB through AesCipher: the published NIST SP 800-38A CFB128 example, the module files' own
// key and vector, and keys that are not AES-128.
#include "aes_cipher.h"
#include "hex_text.h"
#include "secure_library.h"

#include <gtest/gtest.h>

#include <exception>
#include <random>

using zvk_test::from_hex;
using zvk_test::to_hex;

namespace {

// NIST SP 800-38A, F.3.13 / F.3.14 (CFB128-AES128).
const char nist_key[] = "2b7e151628aed2a6abf7158809cf4f3c";
const char nist_iv[] = "000102030405060708090a0b0c0d0e0f";
const std::string nist_plain = from_hex("6bc1bee22e409f96e93d7e117393172a"
                                        "ae2d8a571e03ac9c9eb76fac45af8e51"
                                        "30c81c46a35ce411e5fbc1191a0a52ef"
                                        "f69f2445df4f9b17ad2b417be66c3710");
const std::string nist_cipher = from_hex("3b3fd92eb72dad20333449f8e83cfb4a"
                                         "c8a64537a0b3a93fcde3cdad9f1ce58b"
                                         "26751f67a3cbb140b1808cf187a4f4df"
                                         "c04b05357c5d1c0eeac4c66f9ff7f2e6");

AesCipher cipher_with(const std::string& key, const std::string& iv) {
    AesCipher cipher;
    cipher.set_key(key);
    cipher.set_iv(iv);
    return cipher;
}

std::string random_bytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = char(generator());
    return bytes;
}

// CFB is a stream mode: every prefix of the plaintext encrypts to the same prefix of the ciphertext,
// so the example also covers lengths that are no multiple of the block (no padding is added).
TEST(AesCipher, NistCfb128ExampleEncryptsAndDecryptsEveryLength) {
    for (std::size_t length : {0, 1, 15, 16, 17, 33, 63, 64}) {
        SCOPED_TRACE(length);
        AesCipher cipher = cipher_with(nist_key, nist_iv);
        EXPECT_EQ(to_hex(cipher.encrypt(nist_plain.substr(0, length))),
                  to_hex(nist_cipher.substr(0, length)));
        EXPECT_EQ(to_hex(cipher.decrypt(nist_cipher.substr(0, length))),
                  to_hex(nist_plain.substr(0, length)));
    }
}

// Pins the compiled-in module file key and vector: packer and host share the constants, so a typo in
// them would pass every round trip and still make files no other build can read.
TEST(AesCipher, ModuleFileKeyKnownAnswer) {
    AesCipher cipher = cipher_with(SecureLibrary::file_key, SecureLibrary::file_iv);
    EXPECT_EQ(to_hex(cipher.encrypt(nist_plain)),
              "b9ba3a2460f2913413393f7223e13a4731a15a1dd0536de060e3dfd768399661"
              "37c4bfd0b4c853030cd3a3e7fb5187dc08528ab1756d32af2c62df17edb59af3");
}

TEST(AesCipher, ModuleFileKeyRoundTrip) {
    for (std::size_t length : {0, 1, 16, 63, 64, 65, 100000}) {
        SCOPED_TRACE(length);
        const std::string plain = random_bytes(length, unsigned(length));
        AesCipher cipher = cipher_with(SecureLibrary::file_key, SecureLibrary::file_iv);
        const std::string encrypted = cipher.encrypt(plain);
        ASSERT_EQ(encrypted.size(), plain.size());
        if (length >= 16) {
            EXPECT_NE(encrypted, plain);
        }
        EXPECT_EQ(cipher.decrypt(encrypted), plain);

        std::string image = encrypted;
        EXPECT_TRUE(SecureLibrary::decrypt_image(image));
        EXPECT_EQ(image, plain);
    }
}

// Only 16 key bytes make AES-128; the vector is one block. Anything else is the library's error.
TEST(AesCipher, KeyOrVectorOfTheWrongLengthThrows) {
    struct Case {
        const char* what;
        std::string key, iv;
    } cases[] = {
        {"no key", "", nist_iv},
        {"15-byte key", std::string(nist_key).substr(0, 30), nist_iv},
        {"24-byte key (AES-192)", std::string(nist_key) + "0011223344556677", nist_iv},
        {"32-byte key (AES-256)", std::string(nist_key) + nist_key, nist_iv},
        {"8-byte vector", nist_key, std::string(nist_iv).substr(0, 16)},
        {"no vector", nist_key, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AesCipher cipher = cipher_with(c.key, c.iv);
        EXPECT_THROW(cipher.encrypt(nist_plain), std::exception);
        EXPECT_THROW(cipher.decrypt(nist_cipher), std::exception);
        std::string data = nist_cipher;
        EXPECT_THROW(cipher.decrypt_in_place(data), std::exception);
        EXPECT_EQ(data, nist_cipher);
    }
}

} // namespace
