#include "module_loader.h"

#include "bounded_read.h"
#include "module_contract.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

// The image's own headers cannot be trusted even after its digest was checked: every offset, RVA and
// count is read through a bounded view (the image bytes before mapping, the SizeOfImage mapping
// after), and a table that runs out of it is refused or ends there. Bounding the reads is not enough
// for the time a walk takes: a small image may claim a mapping of 4 GiB, so every count the image
// gives is also bounded by the image's own length (see entries_in_image).

const DWORD section_protection[8] = {
    PAGE_NOACCESS,          // none
    PAGE_WRITECOPY,         // write
    PAGE_READONLY,          // read
    PAGE_READWRITE,         // read, write
    PAGE_EXECUTE,           // execute
    PAGE_EXECUTE_WRITECOPY, // execute, write
    PAGE_EXECUTE_READ,      // execute, read
    PAGE_EXECUTE_READWRITE, // execute, read, write
};

namespace {

// Export names compare without regard to the case of ASCII letters only. The C runtime's _stricmp
// folds by the current locale on Windows, so a byte above 0x7F could match another one there.
int fold_ascii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool names_equal_ascii_case(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = fold_ascii(static_cast<unsigned char>(*a));
        if (ca != fold_ascii(static_cast<unsigned char>(*b)))
            return false;
        if (ca == 0)
            return true;
    }
}

typedef BOOL(ZVK_MODULE_CALL* DllEntry)(HINSTANCE instance, DWORD reason, LPVOID reserved);

constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kFileHeaderEnd =
    sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER); // optional header starts here

// How many entries of `entry_size` bytes a table of the image can hold at most. Tables are data of
// the image file: the mapping beyond what the file supplies is zero-filled, and a zero entry ends a
// table or names nothing (RVA 0 is the headers). No valid image has a longer table.
std::uint64_t entries_in_image(const MappedModule* module, std::uint64_t entry_size) {
    return module->image_length / entry_size;
}

BoundedMutableBytes mapping(const MappedModule* module) {
    return BoundedMutableBytes(module->code_base, module->image_size);
}

std::uint64_t headers_offset(const MappedModule* module) {
    return std::uint64_t(reinterpret_cast<unsigned char*>(module->headers) - module->code_base);
}

// The mapped copy of the NT headers; always inside the mapping (map_module checked that).
IMAGE_NT_HEADERS64 mapped_headers(const MappedModule* module) {
    IMAGE_NT_HEADERS64 nt{};
    if (auto h = mapping(module).read<IMAGE_NT_HEADERS64>(headers_offset(module)))
        nt = *h;
    return nt;
}

// A data directory; one beyond NumberOfRvaAndSizes is absent, as for the Windows loader.
IMAGE_DATA_DIRECTORY directory(const IMAGE_NT_HEADERS64& nt, unsigned index) {
    if (index >= nt.OptionalHeader.NumberOfRvaAndSizes || index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES)
        return IMAGE_DATA_DIRECTORY{0, 0};
    return nt.OptionalHeader.DataDirectory[index];
}

// The section headers of the mapped copy, in table order.
std::vector<IMAGE_SECTION_HEADER> mapped_sections(const MappedModule* module) {
    std::vector<IMAGE_SECTION_HEADER> sections;
    IMAGE_NT_HEADERS64 nt = mapped_headers(module);
    std::uint64_t table = headers_offset(module) + kFileHeaderEnd + nt.FileHeader.SizeOfOptionalHeader;
    BoundedBytes map = mapping(module);
    // The mapped copy's count was checked in the image, but a section's raw data may since have
    // been copied over the headers.
    const std::uint64_t count =
        nt.FileHeader.NumberOfSections < max_sections ? nt.FileHeader.NumberOfSections : max_sections;
    for (std::uint64_t i = 0; i < count; ++i) {
        auto section = map.read<IMAGE_SECTION_HEADER>(table + i * sizeof(IMAGE_SECTION_HEADER));
        if (!section)
            break;
        sections.push_back(*section);
    }
    return sections;
}

// Reads from a mapped image once its protections are set: inside the mapping and on readable pages
// only (a section may be inaccessible or decommitted).
class ProtectedView {
public:
    explicit ProtectedView(const MappedModule* module) : map(module->code_base, module->image_size) {}

    template <class T> std::optional<T> read(std::uint64_t offset) const {
        if (!map.contains(offset, sizeof(T)) || !readable(offset, sizeof(T), tables))
            return std::nullopt;
        return map.read<T>(offset);
    }

    // The NUL-terminated text at `offset` into `text`, but at most its first `limit` characters: a
    // comparison with a name of known length needs no more, and a name table may point every entry
    // at the same long text. False when readable memory of the mapping ends first.
    bool text_start(std::uint64_t offset, std::size_t limit, std::string& text) const {
        text.clear();
        std::uint64_t at = offset;
        while (text.size() < limit) {
            if (at >= map.size())
                return false;
            std::uint64_t page_end = at / kPage * kPage + kPage; // the mapping starts on a page
            std::uint64_t end = page_end < map.size() ? page_end : map.size();
            if (end - at > limit - text.size())
                end = at + (limit - text.size());
            if (!readable(at, end - at, texts))
                return false;
            const char* bytes = reinterpret_cast<const char*>(map.at(at));
            if (const void* nul = std::memchr(bytes, 0, std::size_t(end - at))) {
                text.append(bytes, static_cast<const char*>(nul));
                return true;
            }
            text.append(bytes, std::size_t(end - at));
            at = end;
        }
        return true;
    }

private:
    // Pages of the mapping found readable: [from, to).
    struct Known {
        std::uint64_t from = 0, to = 0;
    };

    // Whether [offset, offset + count) of the mapping, which it contains, is readable. The pages
    // last found readable are remembered, one range for table entries and one for texts: a lookup
    // goes back and forth between the name table and the names, each on the same few pages, and
    // their protection does not change while it runs.
    bool readable(std::uint64_t offset, std::uint64_t count, Known& known) const {
        if (offset >= known.from && offset <= known.to && count <= known.to - offset)
            return true;
        if (IsBadReadPtr(map.at(offset), UINT_PTR(count)))
            return false;
        known.from = offset / kPage * kPage;
        std::uint64_t end = (offset + count + kPage - 1) / kPage * kPage;
        known.to = end < map.size() ? end : map.size();
        return true;
    }

    BoundedBytes map;
    mutable Known tables, texts;
};

BOOL call_entry(MappedModule* module, DWORD reason) {
    DllEntry entry =
        reinterpret_cast<DllEntry>(reinterpret_cast<std::uintptr_t>(module->code_base + module->entry_point));
    return entry(reinterpret_cast<HINSTANCE>(module->code_base), reason, nullptr);
}

// Whether [start, end) of the mapping holds bytes of the headers or of a section other than `self`.
bool shared_with_others(const std::vector<IMAGE_SECTION_HEADER>& sections, std::size_t self,
                        std::uint64_t start, std::uint64_t end, std::uint64_t headers_size,
                        std::uint64_t alignment) {
    if (start < headers_size)
        return true;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (i == self)
            continue;
        const IMAGE_SECTION_HEADER& s = sections[i];
        std::uint64_t extent = s.Misc.VirtualSize > s.SizeOfRawData ? s.Misc.VirtualSize : s.SizeOfRawData;
        if (s.SizeOfRawData == 0 && alignment > extent)
            extent = alignment;
        std::uint64_t s_start = s.VirtualAddress, s_end = s_start + extent;
        if (extent > 0 && s_start < end && start < s_end)
            return true;
    }
    return false;
}

// The parts of [start, end) that hold bytes already copied into the mapping (headers or raw data of
// earlier sections) are set to zero; the rest was committed zero-filled and is zero already.
void zero_filled(const BoundedMutableBytes& map,
                 const std::vector<std::pair<std::uint64_t, std::uint64_t>>& copied, std::uint64_t start,
                 std::uint64_t end) {
    for (const auto& [copy_start, copy_end] : copied) {
        std::uint64_t from = copy_start > start ? copy_start : start;
        std::uint64_t to = copy_end < end ? copy_end : end;
        if (from < to)
            std::memset(map.at(from), 0, std::size_t(to - from));
    }
}

} // namespace

bool copy_sections(const BoundedBytes& image, MappedModule* module) {
    BoundedMutableBytes map = mapping(module);
    std::uint64_t alignment = 0;
    // Ranges of the mapping that hold copied bytes: the headers, then each section's raw data.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> copied;
    if (auto nt = image.read<IMAGE_NT_HEADERS64>(headers_offset(module))) {
        alignment = nt->OptionalHeader.SectionAlignment;
        copied.emplace_back(0, nt->OptionalHeader.SizeOfHeaders);
    }
    for (const IMAGE_SECTION_HEADER& section : mapped_sections(module)) {
        std::uint64_t size = section.SizeOfRawData;
        if (size > 0) {
            if (!map.contains(section.VirtualAddress, size) ||
                !image.contains(section.PointerToRawData, size))
                return false;
        } else {
            // No raw data: one alignment unit of zeros, whatever the virtual size.
            size = alignment;
            if (size == 0)
                continue;
            if (!map.contains(section.VirtualAddress, size))
                return false;
        }
        unsigned char* dest = map.at(section.VirtualAddress);
        // The commit's result only says whether it worked: with a section alignment below the page
        // size it is the start of the page, not of the section.
        if (!VirtualAlloc(dest, SIZE_T(size), MEM_COMMIT, PAGE_READWRITE))
            return false;
        if (section.SizeOfRawData > 0) {
            std::memcpy(dest, image.at(section.PointerToRawData), std::size_t(size));
            copied.emplace_back(section.VirtualAddress, section.VirtualAddress + size);
        } else {
            // The unit's pages were committed zero-filled with the whole image; only bytes copied
            // there since need clearing. Writing the whole unit would touch as much memory as the
            // image's alignment asks for, gigabytes for a hostile one.
            zero_filled(map, copied, section.VirtualAddress, section.VirtualAddress + size);
        }
    }
    return true;
}

void apply_relocations(MappedModule* module, std::uint64_t delta) {
    IMAGE_DATA_DIRECTORY dir = directory(mapped_headers(module), IMAGE_DIRECTORY_ENTRY_BASERELOC);
    if (dir.Size == 0)
        return;
    BoundedMutableBytes map = mapping(module);
    // The blocks are data of the image file: a directory larger than the image is cut to its length,
    // so a directory over the zero-filled mapping is not read entry by entry for gigabytes.
    std::uint64_t size = dir.Size < module->image_length ? dir.Size : module->image_length;
    std::uint64_t end = std::uint64_t(dir.VirtualAddress) + size;
    if (end > map.size())
        end = map.size();
    std::uint64_t block_at = dir.VirtualAddress;
    while (block_at + sizeof(IMAGE_BASE_RELOCATION) <= end) {
        auto block = map.read<IMAGE_BASE_RELOCATION>(block_at);
        if (!block || block->VirtualAddress == 0 || block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION))
            return;
        std::uint64_t block_end = block_at + block->SizeOfBlock;
        std::uint64_t entries_end = block_end < end ? block_end : end;
        for (std::uint64_t at = block_at + sizeof(IMAGE_BASE_RELOCATION); at + sizeof(WORD) <= entries_end;
             at += sizeof(WORD)) {
            WORD entry = *map.read<WORD>(at);
            std::uint64_t target = std::uint64_t(block->VirtualAddress) + (entry & 0x0FFF);
            switch (entry >> 12) {
            case IMAGE_REL_BASED_HIGHLOW: {
                auto value = map.read<DWORD>(target);
                if (!value)
                    return; // a target outside the mapping: the table is damaged from here on
                map.write<DWORD>(target, DWORD(*value + DWORD(delta)));
                break;
            }
            case IMAGE_REL_BASED_DIR64: {
                auto value = map.read<ULONGLONG>(target);
                if (!value)
                    return;
                map.write<ULONGLONG>(target, *value + delta);
                break;
            }
            default: // IMAGE_REL_BASED_ABSOLUTE (padding) and types a PE32+ image does not use
                break;
            }
        }
        block_at = block_end;
    }
}

bool resolve_imports(MappedModule* module) {
    IMAGE_DATA_DIRECTORY dir = directory(mapped_headers(module), IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (dir.Size == 0)
        return true;
    BoundedMutableBytes map = mapping(module);
    // Descriptors and lookup entries are data of the image file: there cannot be more of them than
    // it has room for (lookup entries counted over all descriptors, which may share a table).
    std::uint64_t descriptors_left = entries_in_image(module, sizeof(IMAGE_IMPORT_DESCRIPTOR));
    std::uint64_t lookup_entries_left = entries_in_image(module, sizeof(ULONGLONG));
    for (std::uint64_t at = dir.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        // The descriptors end at the first that is not readable inside the mapping or has no name,
        // or where the image has no room for more.
        if (descriptors_left-- == 0 || !map.contains(at, sizeof(IMAGE_IMPORT_DESCRIPTOR)) ||
            IsBadReadPtr(map.at(at), sizeof(IMAGE_IMPORT_DESCRIPTOR)))
            return true;
        IMAGE_IMPORT_DESCRIPTOR descriptor = *map.read<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (descriptor.Name == 0)
            return true;
        const char* library_name = map.c_string(descriptor.Name);
        if (!library_name)
            return false;
        HMODULE library = LoadLibraryA(library_name);
        if (!library)
            return false;
        void* grown =
            std::realloc(module->dependencies, (std::size_t(module->dependency_count) + 1) * sizeof(HMODULE));
        if (!grown) {
            FreeLibrary(library); // not stored, so unmap_module could not release it
            return false;
        }
        module->dependencies = static_cast<HMODULE*>(grown);
        module->dependencies[module->dependency_count++] = library;

        std::uint64_t lookup =
            descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        std::uint64_t address = descriptor.FirstThunk;
        for (std::uint64_t slot = 0;; slot += sizeof(ULONGLONG)) {
            auto entry = map.read<ULONGLONG>(lookup + slot);
            if (!entry || lookup_entries_left-- == 0)
                return false;
            if (*entry == 0)
                break;
            FARPROC function = nullptr;
            if (IMAGE_SNAP_BY_ORDINAL64(*entry)) {
                ULONG_PTR ordinal = ULONG_PTR(IMAGE_ORDINAL64(*entry));
                function = GetProcAddress(library, reinterpret_cast<LPCSTR>(ordinal));
            } else {
                const char* function_name = map.c_string(*entry + sizeof(WORD)); // past the hint
                if (!function_name)
                    return false;
                function = GetProcAddress(library, function_name);
            }
            if (!function ||
                !map.write<ULONGLONG>(address + slot, ULONGLONG(reinterpret_cast<ULONG_PTR>(function))))
                return false;
        }
    }
}

void protect_sections(MappedModule* module) {
    IMAGE_NT_HEADERS64 nt = mapped_headers(module);
    // Read before any protection changes: a section may cover the headers.
    std::vector<IMAGE_SECTION_HEADER> sections = mapped_sections(module);
    BoundedBytes map = mapping(module);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const IMAGE_SECTION_HEADER& section = sections[i];
        DWORD flags = section.Characteristics;
        if (flags & IMAGE_SCN_MEM_DISCARDABLE) {
            if (section.SizeOfRawData == 0 || !map.contains(section.VirtualAddress, section.SizeOfRawData))
                continue;
            // Whole pages only, and none that also holds the headers or another section: the
            // decommit must not take their bytes with it.
            std::uint64_t start = section.VirtualAddress / kPage * kPage;
            std::uint64_t end =
                (std::uint64_t(section.VirtualAddress) + section.SizeOfRawData + kPage - 1) / kPage * kPage;
            std::uint64_t headers_size = nt.OptionalHeader.SizeOfHeaders;
            std::uint64_t alignment = nt.OptionalHeader.SectionAlignment;
            if (shared_with_others(sections, i, start, start + kPage, headers_size, alignment))
                start += kPage;
            if (end > start && shared_with_others(sections, i, end - kPage, end, headers_size, alignment))
                end -= kPage;
            if (end > start)
                VirtualFree(module->code_base + start, SIZE_T(end - start), MEM_DECOMMIT);
            continue;
        }
        unsigned index = ((flags & IMAGE_SCN_MEM_EXECUTE) ? 4 : 0) + ((flags & IMAGE_SCN_MEM_READ) ? 2 : 0) +
                         ((flags & IMAGE_SCN_MEM_WRITE) ? 1 : 0);
        DWORD protection = section_protection[index];
        if (flags & IMAGE_SCN_MEM_NOT_CACHED)
            protection |= PAGE_NOCACHE;
        std::uint64_t size = section.SizeOfRawData;
        if (size == 0) {
            if (flags & IMAGE_SCN_CNT_INITIALIZED_DATA)
                size = nt.OptionalHeader.SizeOfInitializedData;
            else if (flags & IMAGE_SCN_CNT_UNINITIALIZED_DATA)
                size = nt.OptionalHeader.SizeOfUninitializedData;
        }
        // A range beyond the mapping would fail anyway; the section then keeps PAGE_READWRITE.
        if (size > 0 && map.contains(section.VirtualAddress, size)) {
            DWORD old = 0;
            VirtualProtect(module->code_base + section.VirtualAddress, SIZE_T(size), protection, &old);
        }
    }
}

MappedModule* map_module(const void* data, std::size_t length) {
    if (!data)
        return nullptr;
    BoundedBytes image(data, length);
    auto dos_signature = image.read<WORD>(0);
    auto nt_offset = image.read<LONG>(offsetof(IMAGE_DOS_HEADER, e_lfanew));
    if (!dos_signature || *dos_signature != IMAGE_DOS_SIGNATURE || !nt_offset || *nt_offset < 0)
        return nullptr;
    auto nt = image.read<IMAGE_NT_HEADERS64>(std::uint64_t(*nt_offset));
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE)
        return nullptr;
    const IMAGE_OPTIONAL_HEADER64& optional = nt->OptionalHeader;
    // A module is a 64-bit x86 image. Any other (a 32-bit DLL, say) would be read with the wrong
    // header layout, and its entry point would run as x86-64 code.
    if (nt->FileHeader.Machine != IMAGE_FILE_MACHINE_AMD64 ||
        optional.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC || nt->FileHeader.NumberOfSections > max_sections)
        return nullptr;

    // The headers that are copied must hold the NT headers and the section table, and fit both the
    // image and the mapping; the entry point must lie inside the mapping.
    std::uint64_t headers_size = optional.SizeOfHeaders;
    std::uint64_t table_end = std::uint64_t(*nt_offset) + kFileHeaderEnd +
                              nt->FileHeader.SizeOfOptionalHeader +
                              std::uint64_t(nt->FileHeader.NumberOfSections) * sizeof(IMAGE_SECTION_HEADER);
    if (headers_size > length || headers_size > optional.SizeOfImage ||
        std::uint64_t(*nt_offset) + sizeof(IMAGE_NT_HEADERS64) > headers_size || table_end > headers_size ||
        (optional.AddressOfEntryPoint != 0 && optional.AddressOfEntryPoint >= optional.SizeOfImage))
        return nullptr;

    LPVOID preferred = reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(optional.ImageBase));
    unsigned char* code_base = static_cast<unsigned char*>(
        VirtualAlloc(preferred, optional.SizeOfImage, MEM_RESERVE, PAGE_READWRITE));
    if (!code_base)
        code_base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, optional.SizeOfImage, MEM_RESERVE, PAGE_READWRITE));
    if (!code_base)
        return nullptr;

    auto* module = static_cast<MappedModule*>(HeapAlloc(GetProcessHeap(), 0, sizeof(MappedModule)));
    if (!module) {
        VirtualFree(code_base, 0, MEM_RELEASE);
        return nullptr;
    }
    module->headers = nullptr;
    module->code_base = code_base;
    module->dependencies = nullptr;
    module->dependency_count = 0;
    module->initialized = 0;
    module->image_size = optional.SizeOfImage;
    module->image_length = length;
    module->entry_point = optional.AddressOfEntryPoint;

    if (!VirtualAlloc(code_base, optional.SizeOfImage, MEM_COMMIT, PAGE_READWRITE) ||
        !VirtualAlloc(code_base, SIZE_T(headers_size), MEM_COMMIT, PAGE_READWRITE)) {
        unmap_module(module);
        return nullptr;
    }
    std::memcpy(code_base, image.at(0), std::size_t(headers_size));
    module->headers = reinterpret_cast<PIMAGE_NT_HEADERS64>(code_base + *nt_offset);
    mapping(module).write<ULONGLONG>(std::uint64_t(*nt_offset) +
                                         offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                         offsetof(IMAGE_OPTIONAL_HEADER64, ImageBase),
                                     ULONGLONG(reinterpret_cast<ULONG_PTR>(code_base)));

    if (!copy_sections(image, module)) {
        unmap_module(module);
        return nullptr;
    }
    std::uint64_t delta = std::uint64_t(reinterpret_cast<ULONG_PTR>(code_base)) - optional.ImageBase;
    if (delta != 0)
        apply_relocations(module, delta);
    if (!resolve_imports(module)) {
        unmap_module(module);
        return nullptr;
    }
    protect_sections(module);

    if (module->entry_point == 0)
        return module;
    if (!call_entry(module, DLL_PROCESS_ATTACH)) {
        unmap_module(module);
        return nullptr;
    }
    module->initialized = 1;
    return module;
}

void* find_export(MappedModule* module, const char* name) {
    if (!module || !name)
        return nullptr;
    // Even the headers may have been made inaccessible by a section laid over them.
    ProtectedView view(module);
    auto nt = view.read<IMAGE_NT_HEADERS64>(headers_offset(module));
    if (!nt)
        return nullptr;
    IMAGE_DATA_DIRECTORY dir = directory(*nt, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (dir.Size == 0)
        return nullptr;
    auto exports = view.read<IMAGE_EXPORT_DIRECTORY>(dir.VirtualAddress);
    if (!exports)
        return nullptr;
    // A name count beyond what the image can hold would have the walk run over the zero-filled
    // mapping, four bytes at a time.
    const std::uint64_t most = entries_in_image(module, sizeof(DWORD));
    const std::uint64_t names = exports->NumberOfNames < most ? exports->NumberOfNames : most;
    const std::uint64_t functions = exports->NumberOfFunctions < most ? exports->NumberOfFunctions : most;
    if (names == 0 || functions == 0)
        return nullptr;
    // One character more than the name tells a longer export name from an equal one.
    const std::size_t compared = std::strlen(name) + 1;
    std::string export_name;
    for (std::uint64_t i = 0; i < names; ++i) {
        auto name_rva = view.read<DWORD>(exports->AddressOfNames + i * sizeof(DWORD));
        if (!name_rva)
            return nullptr; // the name table runs out of the mapping: it ends here
        if (!view.text_start(*name_rva, compared, export_name))
            return nullptr;
        if (!names_equal_ascii_case(export_name.c_str(), name))
            continue;
        auto index = view.read<WORD>(exports->AddressOfNameOrdinals + i * sizeof(WORD));
        if (!index || *index >= functions)
            return nullptr;
        auto function = view.read<DWORD>(exports->AddressOfFunctions + std::uint64_t(*index) * sizeof(DWORD));
        if (!function || *function >= module->image_size)
            return nullptr;
        return module->code_base + *function;
    }
    return nullptr;
}

void unmap_module(MappedModule* module) {
    if (!module)
        return;
    if (module->initialized) {
        call_entry(module, DLL_PROCESS_DETACH);
        module->initialized = 0;
    }
    if (module->dependencies) {
        for (int i = 0; i < module->dependency_count; ++i)
            FreeLibrary(module->dependencies[i]);
        std::free(module->dependencies);
    }
    if (module->code_base)
        VirtualFree(module->code_base, 0, MEM_RELEASE);
    HeapFree(GetProcessHeap(), 0, module);
}
