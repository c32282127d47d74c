// The test modules import only what the stand-in's system libraries offer: every import of every
// bare module DLL resolves through LoadLibraryA and GetProcAddress, except the one function the
// unknown-import module was made to import. Names each import that does not resolve, which the
// loader's plain refusal cannot.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

// Bounded little-endian reads from a file image.
struct FileImage {
    std::string bytes;

    bool read(std::uint64_t offset, std::uint64_t size, void* to) const {
        if (offset > bytes.size() || size > bytes.size() - offset)
            return false;
        std::memcpy(to, bytes.data() + offset, size);
        return true;
    }
    template <class T> bool value(std::uint64_t offset, T& out) const {
        return read(offset, sizeof out, &out);
    }
    bool text(std::uint64_t offset, std::string& out) const {
        if (offset >= bytes.size())
            return false;
        const char* start = bytes.data() + offset;
        const void* end = std::memchr(start, 0, bytes.size() - offset);
        if (!end)
            return false;
        out.assign(start, static_cast<const char*>(end));
        return true;
    }
};

struct Section {
    std::uint32_t address, size, raw_offset;
};

// "library!function" (or "library!#ordinal") for each import of a PE32+ file; false if malformed.
bool read_imports(const FileImage& image, std::set<std::string>& imports) {
    std::uint16_t signature = 0, section_count = 0, optional_size = 0, magic = 0;
    std::uint32_t nt = 0, pe = 0, import_rva = 0;
    if (!image.value(0, signature) || signature != 0x5A4D || !image.value(0x3C, nt) || !image.value(nt, pe) ||
        pe != 0x4550 || !image.value(std::uint64_t(nt) + 6, section_count) ||
        !image.value(std::uint64_t(nt) + 20, optional_size) || !image.value(std::uint64_t(nt) + 24, magic) ||
        magic != 0x20B || !image.value(std::uint64_t(nt) + 24 + 112 + 8, import_rva))
        return false;
    std::vector<Section> sections;
    std::uint64_t table = std::uint64_t(nt) + 24 + optional_size;
    for (std::uint16_t i = 0; i < section_count; ++i) {
        std::uint32_t virtual_size = 0, raw_size = 0;
        Section s{};
        std::uint64_t at = table + 40u * i;
        if (!image.value(at + 8, virtual_size) || !image.value(at + 12, s.address) ||
            !image.value(at + 16, raw_size) || !image.value(at + 20, s.raw_offset))
            return false;
        s.size = virtual_size > raw_size ? virtual_size : raw_size;
        sections.push_back(s);
    }
    auto offset_of = [&](std::uint64_t rva, std::uint64_t& offset) {
        for (const Section& s : sections)
            if (rva >= s.address && rva < std::uint64_t(s.address) + s.size) {
                offset = s.raw_offset + (rva - s.address);
                return true;
            }
        return false;
    };
    std::uint64_t descriptor = 0;
    if (import_rva == 0)
        return true;
    if (!offset_of(import_rva, descriptor))
        return false;
    for (;; descriptor += 20) {
        std::uint32_t lookup_rva = 0, name_rva = 0, thunk_rva = 0;
        if (!image.value(descriptor, lookup_rva) || !image.value(descriptor + 12, name_rva) ||
            !image.value(descriptor + 16, thunk_rva))
            return false;
        if (name_rva == 0)
            return true;
        std::uint64_t name_at = 0, entry_at = 0;
        std::string library;
        if (!offset_of(name_rva, name_at) || !image.text(name_at, library) ||
            !offset_of(lookup_rva ? lookup_rva : thunk_rva, entry_at))
            return false;
        for (;; entry_at += 8) {
            std::uint64_t entry = 0;
            if (!image.value(entry_at, entry))
                return false;
            if (entry == 0)
                break;
            std::string function;
            std::uint64_t hint_at = 0;
            if (entry >> 63)
                function = "#" + std::to_string(entry & 0xFFFF);
            else if (!offset_of(entry + 2, hint_at) || !image.text(hint_at, function))
                return false;
            imports.insert(library + "!" + function);
        }
    }
}

bool resolves(const std::string& import) {
    std::string library = import.substr(0, import.find('!'));
    std::string function = import.substr(import.find('!') + 1);
    HMODULE module = LoadLibraryA(library.c_str());
    if (!module)
        return false;
    bool found = GetProcAddress(module, function.c_str()) != nullptr;
    FreeLibrary(module);
    return found;
}

TEST(ModuleImports, EveryImportOfEveryTestModuleIsOffered) {
    QDir folder(qEnvironmentVariable("ZVK_BARE_MODULES_DIR"));
    QStringList files = folder.entryList({"diag_*.dll"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no bare test modules in " << folder.path().toStdString();

    std::set<std::string> unresolved;
    for (const QString& file : files) {
        std::ifstream in(folder.filePath(file).toStdString(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        std::set<std::string> imports;
        ASSERT_TRUE(read_imports(FileImage{bytes.str()}, imports)) << file.toStdString();
        EXPECT_FALSE(imports.empty()) << file.toStdString();
        for (const std::string& import : imports) {
            // Modules import by name: ordinals differ between Windows versions.
            if (import.find('#') != std::string::npos || !resolves(import))
                unresolved.insert(file.toStdString() + ": " + import);
        }
    }
    EXPECT_EQ(unresolved, std::set<std::string>{"diag_unknown_import.dll: KERNEL32.dll!Beep"});
}

} // namespace
