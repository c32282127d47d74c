#pragma once
// Makes module files from bare 64-bit DLL images: the image's Whirlpool digest, then the image, the
// whole encrypted with the module file key and vector, as SecureLibrary reads them.
#include <string>

namespace module_packer {

// The module file for `image` in `module_file`; false, with the reason in `problem`, when `image` is
// not a 64-bit PE image or could not be loaded from the file that packing it makes.
bool pack_module(const std::string& image, std::string& module_file, std::string& problem);

} // namespace module_packer
