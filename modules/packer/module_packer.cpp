#include "module_packer.h"

#include "aes_cipher.h"
#include "bounded_read.h"
#include "module_digest.h"
#include "secure_library.h"

#include <cstdint>
#include <optional>

namespace {

// Why `image` is no 64-bit PE image (the checks the loader makes first, and the PE32+ layout it
// reads the optional header with); empty when it is one.
std::string pe_problem(const std::string& bytes) {
    const BoundedBytes image(bytes.data(), bytes.size());
    const std::optional<std::uint16_t> dos_signature = image.read<std::uint16_t>(0);
    if (!dos_signature || *dos_signature != 0x5A4D)
        return "no DOS signature \"MZ\" at the start: not a DLL image";
    const std::optional<std::uint32_t> e_lfanew = image.read<std::uint32_t>(0x3C);
    if (!e_lfanew)
        return "too short for a DOS header";
    const std::uint64_t nt = *e_lfanew;
    const std::optional<std::uint32_t> pe_signature = image.read<std::uint32_t>(nt);
    if (!pe_signature)
        return "the NT headers' offset (e_lfanew) points beyond the end of the file";
    if (*pe_signature != 0x00004550)
        return "no \"PE\\0\\0\" signature where e_lfanew points";
    // Signature (4 bytes) and file header (20), then the optional header's magic.
    const std::optional<std::uint16_t> magic = image.read<std::uint16_t>(nt + 24);
    if (!magic)
        return "the file ends inside the PE headers";
    if (*magic != 0x20B)
        return "not a 64-bit (PE32+) image";
    return {};
}

} // namespace

namespace module_packer {

bool pack_module(const std::string& image, std::string& module_file, std::string& problem) {
    problem = pe_problem(image);
    if (!problem.empty())
        return false;
    if (image.size() > SecureLibrary::max_file_size - module_digest::size) {
        problem = "too large: the host reads no module file larger than " +
                  std::to_string(SecureLibrary::max_file_size >> 20) + " MiB";
        return false;
    }
    std::string plain = module_digest::whirlpool(image.data(), image.size());
    // The host takes decrypted data starting with "MZ" for an unpacked image and refuses it; about
    // one image in 65536 has such a digest.
    if (plain[0] == 'M' && plain[1] == 'Z') {
        problem =
            "its digest begins with \"MZ\", which the host refuses; rebuild the image (any change will do)";
        return false;
    }
    plain += image;
    AesCipher cipher;
    cipher.set_key(SecureLibrary::file_key);
    cipher.set_iv(SecureLibrary::file_iv);
    module_file = cipher.encrypt(std::move(plain));
    return true;
}

} // namespace module_packer
