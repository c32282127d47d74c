// zvk_pack <bare.dll> <output-file>: makes a module file (normally "diag_" + name + ".dll") from a
// bare 64-bit DLL image. Exit code 0 on success; otherwise the reason goes to standard error.
#include "module_packer.h"
#include "secure_library.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "zvk_pack: %s: %s\n", path.c_str(), why.c_str());
    return 1;
}

bool write_whole(const std::string& path, const std::string& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zvk_pack <bare.dll> <output-file>\n");
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];

    std::string image;
    // The host's own reader: what it could not read is not packed either.
    if (!SecureLibrary::read_file(input, image))
        return fail(input, "cannot be read (missing, unreadable or larger than the host accepts)");
    std::string module_file, problem;
    if (!module_packer::pack_module(image, module_file, problem))
        return fail(input, problem);
    if (!write_whole(output, module_file)) {
        std::remove(output.c_str()); // no half-written module file for a build to pick up
        return fail(output, "cannot be written");
    }
    return 0;
}
