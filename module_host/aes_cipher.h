#pragma once
// AES-128 in CFB mode with full-block (128-bit) feedback, as NIST SP 800-38A defines CFB-128: the key
// and the initialisation vector are held as hexadecimal text, the data goes through in one pass and
// comes out exactly as long as it went in (no padding).
#include <string>

class AesCipher {
public:
    AesCipher();

    void set_key(std::string key_hex);
    void set_iv(std::string iv_hex);

    // Both throw the cryptographic library's exception (a CryptoPP::Exception, which is a
    // std::exception) when the key does not decode to 16 bytes or the vector not to 16 bytes.
    std::string decrypt(std::string data);
    std::string encrypt(std::string data);
    // decrypt without a copy: a 4 MB module is not duplicated to be decrypted. When it throws,
    // `data` is unchanged (the cipher is set up before the first byte is touched).
    void decrypt_in_place(std::string& data);

private:
    std::string key;
    std::string iv;
};
