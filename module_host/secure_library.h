#pragma once
// One module file: read, decrypted, digest-checked and mapped from memory.
//
// A module file is a single AES-128-CFB ciphertext (fixed key and vector below) of a 64-byte Whirlpool
// digest followed by the bare 64-bit DLL image the digest is taken over. Nothing of it ever reaches
// the disk or the system's own library loader.
#include <cstddef>
#include <string>

struct MappedModule;

class SecureLibrary {
public:
    // The key and initialisation vector of every module file, as hexadecimal text.
    static constexpr const char file_key[] = "A07D4E19C385B62F9E1D07A4B8C3652E";
    static constexpr const char file_iv[] = "3C91E07BD24A8F6510BE7D93C4A2F058";
    // Larger files are refused unread: a module is a few megabytes, and reading whatever lies there
    // must not exhaust memory.
    static constexpr std::size_t max_file_size = std::size_t(256) << 20;

    SecureLibrary();
    virtual ~SecureLibrary();
    SecureLibrary(const SecureLibrary&) = delete;
    SecureLibrary& operator=(const SecureLibrary&) = delete;

    // Reads, decrypts, checks and maps the module file; true when the module is mapped. A module
    // mapped by an earlier call is released first.
    bool load(std::string path);
    bool is_loaded() const;
    // Address of the export `name` of the mapped module; null when there is none or nothing is mapped.
    void* resolve(std::string name) const;

    // The steps of load, one by one.
    // The whole file, opened for reading only and shared with every other reader and writer; false
    // when it cannot be opened or read, or is larger than max_file_size (`bytes` then unchanged).
    static bool read_file(const std::string& path, std::string& bytes);
    // Replaces `image` by its decryption with the file key and vector; false (and `image` unchanged)
    // when the cryptographic library raised an error.
    static bool decrypt_image(std::string& image);
    // Checks the Whirlpool digest in the first 64 bytes against the rest; on success `image` holds the
    // rest, the bare library image. Data that starts with the DLL signature "MZ" carries no digest and
    // is refused before any hashing.
    static bool verify_digest(std::string& image);
    // The same with a SHA-512 digest and without the "MZ" refusal; the host does not use it.
    static bool verify_digest_sha512(std::string& image);

private:
    MappedModule* module;
    // The file's bytes, then their decryption, then the library image that was mapped.
    std::string image;
};
