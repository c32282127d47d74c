// Module files through SecureLibrary: read, decrypt, digest check, map, resolve. The first byte of
// an input chooses what follows it:
//   0    a bare library image, packed here as a module file is (digest, then encryption), so that
//        the loader behind the digest is reached; its entry point is cleared first;
//   else the module file itself, as found on disk (nearly always refused by the digest check).
#include "aes_cipher.h"
#include "fuzz_files.h"
#include "fuzz_image.h"
#include "module_digest.h"
#include "secure_library.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::filesystem::path module_path;

std::string packed(std::string image) {
    std::string plain = module_digest::whirlpool(image.data(), image.size()) + image;
    AesCipher cipher;
    cipher.set_key(SecureLibrary::file_key);
    cipher.set_iv(SecureLibrary::file_iv);
    return cipher.encrypt(std::move(plain));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    module_path = zvk_fuzz::scratch_folder("zvk_fuzz_module_file") / "diag_fuzz.dll";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string file = data[0] == 0 ? packed(zvk_fuzz::without_entry_point(data + 1, size - 1))
                                          : std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    zvk_fuzz::write_file(module_path, file.data(), file.size());
    SecureLibrary library;
    if (library.load(module_path)) {
        for (const char* name : zvk_fuzz::contract_exports)
            library.resolve(name);
    }
    return 0;
}
