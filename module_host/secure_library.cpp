#include "secure_library.h"

#include "module_loader.h"

// Placeholder until the container lands: no file loads.
SecureLibrary::SecureLibrary() : module(nullptr) {}
SecureLibrary::~SecureLibrary() { unmap_module(module); }
bool SecureLibrary::load(std::string) { return false; }
bool SecureLibrary::is_loaded() { return module != nullptr; }
void* SecureLibrary::resolve(std::string name) { return find_export(module, name.c_str()); }
