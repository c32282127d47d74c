#pragma once
// One module file: read, decrypted, digest-checked and mapped from memory.
#include <string>

struct MappedModule;

class SecureLibrary {
public:
    SecureLibrary();
    virtual ~SecureLibrary();
    SecureLibrary(const SecureLibrary&) = delete;
    SecureLibrary& operator=(const SecureLibrary&) = delete;

    bool load(std::string path);
    bool is_loaded();
    void* resolve(std::string name);

private:
    MappedModule* module;
    std::string image;
};
