#include "secure_library.h"

#include "aes_cipher.h"
#include "module_digest.h"
#include "module_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

using DigestFunction = std::string (*)(const void*, std::size_t);

// Compares the digest in the first 64 bytes with the digest of the rest and, when they match, drops
// the digest so that `image` holds the bare library image. A mismatch leaves `image` as it was.
bool check_digest(std::string& image, DigestFunction digest_of) {
    if (image.size() < module_digest::size)
        return false;
    const std::string actual =
        digest_of(image.data() + module_digest::size, image.size() - module_digest::size);
    if (std::memcmp(actual.data(), image.data(), module_digest::size) != 0)
        return false;
    image.erase(0, module_digest::size);
    return true;
}

} // namespace

SecureLibrary::SecureLibrary() : module(nullptr) {}

SecureLibrary::~SecureLibrary() {
    unmap_module(module);
}

bool SecureLibrary::load(std::string path) {
    unmap_module(module);
    module = nullptr;
    if (!read_file(path, image))
        return false;
    // A cipher failure leaves the bytes undecrypted; the digest check then refuses them.
    decrypt_image(image);
    if (!verify_digest(image))
        return false;
    module = map_module(image.data(), image.size());
    return module != nullptr;
}

bool SecureLibrary::is_loaded() const {
    return module != nullptr;
}

void* SecureLibrary::resolve(std::string name) const {
    return module ? find_export(module, name.c_str()) : nullptr;
}

bool SecureLibrary::read_file(const std::string& path, std::string& bytes) {
    // fopen neither locks the file nor denies sharing (on Windows it opens with _SH_DENYNO); "rb"
    // keeps the bytes raw.
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    // Only a hint for the allocation: a writer may change the file while it is read.
    std::error_code error;
    const std::uintmax_t expected = std::filesystem::file_size(path, error);
    if (!error && expected > max_file_size)
        return false;
    std::string data;
    try {
        // The expected size and one byte more in one read (the extra byte finds the end), then
        // steps of 1 MiB for a file that has grown meanwhile or whose size was not known.
        constexpr std::size_t chunk = std::size_t(1) << 20;
        std::size_t want = error ? chunk : std::size_t(expected) + 1;
        for (;;) {
            const std::size_t have = data.size();
            // One byte beyond the limit is enough to know the file is too large.
            const std::size_t step = std::min(want, max_file_size + 1 - have);
            data.resize(have + step);
            const std::size_t got = std::fread(&data[have], 1, step, file.get());
            data.resize(have + got);
            if (data.size() > max_file_size)
                return false;
            if (got < step)
                break;
            want = chunk;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    // A short read is either the end of the file or an error (a folder, a failing device).
    if (std::ferror(file.get()))
        return false;
    bytes.swap(data);
    return true;
}

bool SecureLibrary::decrypt_image(std::string& image) {
    try {
        AesCipher cipher;
        cipher.set_key(file_key);
        cipher.set_iv(file_iv);
        cipher.decrypt_in_place(image);
        return true;
    } catch (const std::exception&) {
        // The cryptographic library's errors (and a failed allocation) end here.
        return false;
    }
}

bool SecureLibrary::verify_digest(std::string& image) {
    if (image.size() >= 2 && image[0] == 'M' && image[1] == 'Z')
        return false;
    return check_digest(image, &module_digest::whirlpool);
}

bool SecureLibrary::verify_digest_sha512(std::string& image) {
    return check_digest(image, &module_digest::sha512);
}
