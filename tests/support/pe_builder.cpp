#include "pe_builder.h"

#include "zvk_windows.h"

#include <algorithm>
#include <map>

namespace zvk_test {
namespace {

std::uint32_t align_up(std::uint32_t value, std::uint32_t unit) {
    return (value + unit - 1) / unit * unit;
}

void put(std::vector<std::uint8_t>& bytes, std::size_t offset, const void* data, std::size_t count) {
    if (bytes.size() < offset + count)
        bytes.resize(offset + count);
    std::memcpy(bytes.data() + offset, data, count);
}
template <class T> void put(std::vector<std::uint8_t>& bytes, std::size_t offset, T value) {
    put(bytes, offset, &value, sizeof value);
}
void put_text(std::vector<std::uint8_t>& bytes, std::size_t offset, const std::string& text) {
    put(bytes, offset, text.c_str(), text.size() + 1);
}

void append(std::vector<std::uint8_t>& code, std::initializer_list<std::uint8_t> bytes) {
    code.insert(code.end(), bytes.begin(), bytes.end());
}
template <class T> void append_value(std::vector<std::uint8_t>& code, T value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    code.insert(code.end(), p, p + sizeof value);
}

std::int32_t rip_displacement(std::uint32_t instruction_end_rva, std::uint32_t target_rva) {
    return std::int32_t(std::int64_t(target_rva) - std::int64_t(instruction_end_rva));
}

} // namespace

void PeBuilder::check_open() const {
    if (layout_fixed)
        throw std::logic_error("the import layout was already asked for");
}

std::uint32_t PeBuilder::next_rva() const {
    if (sections.empty())
        return section_alignment;
    const Section& last = sections.back();
    return last.rva + align_up(std::max<std::uint32_t>(last.virtual_size, 1), section_alignment);
}

std::uint32_t PeBuilder::add_section(const std::string& name, std::uint32_t characteristics,
                                     std::uint32_t raw_size, std::uint32_t virtual_size) {
    check_open();
    Section s{name, characteristics, next_rva(), std::max(virtual_size, raw_size),
              std::vector<std::uint8_t>(raw_size)};
    sections.push_back(s);
    return s.rva;
}

void PeBuilder::write(std::uint32_t rva, const void* bytes, std::size_t count) {
    for (Section& s : sections) {
        if (rva >= s.rva && std::uint64_t(rva) + count <= std::uint64_t(s.rva) + s.raw.size()) {
            std::memcpy(s.raw.data() + (rva - s.rva), bytes, count);
            return;
        }
    }
    throw std::out_of_range("write outside the raw data of the sections");
}

void PeBuilder::write_address64(std::uint32_t rva, std::uint32_t target_rva) {
    write_u64(rva, 0); // checks the place; the value follows the image base at build()
    addresses.push_back({rva, target_rva, true});
    add_relocation(rva, IMAGE_REL_BASED_DIR64);
}

void PeBuilder::write_address32(std::uint32_t rva, std::uint32_t target_rva) {
    write_u32(rva, 0);
    addresses.push_back({rva, target_rva, false});
    add_relocation(rva, IMAGE_REL_BASED_HIGHLOW);
}

void PeBuilder::add_relocation(std::uint32_t rva, std::uint16_t type) {
    relocations.push_back({rva, type});
}

int PeBuilder::add_import(Import import) {
    check_open();
    imports.push_back(std::move(import));
    return int(imports.size()) - 1;
}

int PeBuilder::import_by_name(const std::string& library, const std::string& function, std::uint16_t hint) {
    if (function.empty())
        throw std::invalid_argument("an import by name needs a name");
    return add_import({library, function, hint});
}

int PeBuilder::import_by_ordinal(const std::string& library, std::uint16_t ordinal) {
    return add_import({library, std::string(), ordinal});
}

PeBuilder::ImportLayout PeBuilder::import_layout() const {
    ImportLayout l;
    std::vector<std::vector<int>> members;
    for (std::size_t i = 0; i < imports.size(); ++i) {
        auto it = std::find(l.libraries.begin(), l.libraries.end(), imports[i].library);
        std::size_t k = std::size_t(it - l.libraries.begin());
        if (it == l.libraries.end()) {
            l.libraries.push_back(imports[i].library);
            members.emplace_back();
        }
        members[k].push_back(int(i));
        l.library_of.push_back(std::uint32_t(k));
    }
    if (imports.empty())
        return l;
    std::uint32_t idata = next_rva();
    std::uint32_t at = std::uint32_t((l.libraries.size() + 1) * sizeof(IMAGE_IMPORT_DESCRIPTOR));
    l.address_slot.assign(imports.size(), 0);
    l.lookup_entry.assign(imports.size(), 0);
    l.hint_name.assign(imports.size(), 0);
    // Address tables first (contiguous, for the IAT directory), then lookup tables, names last.
    l.address_tables_start = idata + at;
    for (auto& m : members) {
        l.address_table.push_back(idata + at);
        for (std::size_t j = 0; j < m.size(); ++j)
            l.address_slot[std::size_t(m[j])] = idata + at + std::uint32_t(8 * j);
        at += std::uint32_t(8 * (m.size() + 1));
    }
    l.address_tables_size = idata + at - l.address_tables_start;
    for (auto& m : members) {
        l.lookup_table.push_back(idata + at);
        for (std::size_t j = 0; j < m.size(); ++j)
            l.lookup_entry[std::size_t(m[j])] = idata + at + std::uint32_t(8 * j);
        at += std::uint32_t(8 * (m.size() + 1));
    }
    for (std::size_t i = 0; i < imports.size(); ++i) {
        if (imports[i].function.empty())
            continue;
        l.hint_name[i] = idata + at;
        at += align_up(std::uint32_t(2 + imports[i].function.size() + 1), 2);
    }
    for (const std::string& name : l.libraries) {
        l.library_name.push_back(idata + at);
        at += std::uint32_t(name.size() + 1);
    }
    l.size = at;
    return l;
}

std::uint32_t PeBuilder::address_slot_rva(int import) const {
    layout_fixed = true;
    return import_layout().address_slot.at(std::size_t(import));
}

std::uint32_t PeBuilder::lookup_entry_rva(int import) const {
    layout_fixed = true;
    return import_layout().lookup_entry.at(std::size_t(import));
}

std::vector<PeBuilder::Section> PeBuilder::all_sections() const {
    std::vector<Section> all = sections;
    for (const Address& a : addresses) {
        for (Section& s : all) {
            if (a.rva >= s.rva && a.rva - s.rva < s.raw.size()) {
                std::uint64_t value = base + a.target;
                if (a.wide)
                    put(s.raw, a.rva - s.rva, value);
                else
                    put(s.raw, a.rva - s.rva, std::uint32_t(value));
            }
        }
    }
    std::uint32_t rva = next_rva();
    auto add = [&](const char* name, std::uint32_t characteristics, std::vector<std::uint8_t> bytes) {
        std::uint32_t size = std::uint32_t(bytes.size());
        bytes.resize(align_up(size, file_alignment));
        all.push_back({name, characteristics, rva, size, std::move(bytes)});
        rva += align_up(std::max<std::uint32_t>(size, 1), section_alignment);
    };

    if (!imports.empty()) {
        ImportLayout l = import_layout();
        std::uint32_t idata = rva;
        std::vector<std::uint8_t> bytes(l.size);
        for (std::size_t k = 0; k < l.libraries.size(); ++k) {
            IMAGE_IMPORT_DESCRIPTOR d{};
            d.OriginalFirstThunk = lookup_in_address_table ? 0 : l.lookup_table[k];
            d.Name = l.library_name[k];
            d.FirstThunk = l.address_table[k];
            put(bytes, k * sizeof d, d);
            put_text(bytes, l.library_name[k] - idata, l.libraries[k]);
        }
        for (std::size_t i = 0; i < imports.size(); ++i) {
            std::uint64_t entry = imports[i].function.empty()
                                      ? (IMAGE_ORDINAL_FLAG64 | imports[i].ordinal_or_hint)
                                      : std::uint64_t(l.hint_name[i]);
            // On disk the address table holds the same entries as the lookup table.
            put(bytes, l.address_slot[i] - idata, entry);
            put(bytes, l.lookup_entry[i] - idata, entry);
            if (!imports[i].function.empty()) {
                put(bytes, l.hint_name[i] - idata, imports[i].ordinal_or_hint);
                put_text(bytes, l.hint_name[i] - idata + 2, imports[i].function);
            }
        }
        add(".idata", IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE,
            std::move(bytes));
    }

    if (!exports.empty()) {
        std::uint32_t edata = rva;
        std::uint32_t n = std::uint32_t(exports.size());
        std::vector<std::uint32_t> order(n);
        for (std::uint32_t i = 0; i < n; ++i)
            order[i] = i;
        // The name table is sorted, as Windows' binary search expects.
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return exports[a].name < exports[b].name; });
        std::uint32_t functions = sizeof(IMAGE_EXPORT_DIRECTORY), names = functions + 4 * n,
                      ordinals = names + 4 * n;
        std::uint32_t text = ordinals + 2 * n;
        std::vector<std::uint8_t> bytes;
        const std::string dll_name = "image.dll";
        put_text(bytes, text, dll_name);
        IMAGE_EXPORT_DIRECTORY d{};
        d.Name = edata + text;
        text += std::uint32_t(dll_name.size() + 1);
        d.Base = 1;
        d.NumberOfFunctions = n;
        d.NumberOfNames = n;
        d.AddressOfFunctions = edata + functions;
        d.AddressOfNames = edata + names;
        d.AddressOfNameOrdinals = edata + ordinals;
        put(bytes, 0, d);
        for (std::uint32_t i = 0; i < n; ++i)
            put(bytes, functions + 4 * i, exports[i].rva);
        for (std::uint32_t j = 0; j < n; ++j) {
            const Export& e = exports[order[j]];
            put(bytes, names + 4 * j, edata + text);
            put(bytes, ordinals + 2 * j, std::uint16_t(order[j]));
            put_text(bytes, text, e.name);
            text += std::uint32_t(e.name.size() + 1);
        }
        add(".edata", IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ, std::move(bytes));
    }

    if (!relocations.empty()) {
        std::map<std::uint32_t, std::vector<std::uint16_t>> pages;
        for (const Relocation& r : relocations)
            pages[r.rva & ~0xFFFu].push_back(std::uint16_t((r.type << 12) | (r.rva & 0xFFF)));
        std::vector<std::uint8_t> bytes;
        for (auto& [page, entries] : pages) {
            if (entries.size() % 2)
                entries.push_back(IMAGE_REL_BASED_ABSOLUTE << 12); // pads the block to 32 bits
            IMAGE_BASE_RELOCATION block{page, std::uint32_t(8 + 2 * entries.size())};
            std::size_t at = bytes.size();
            put(bytes, at, block);
            put(bytes, at + 8, entries.data(), 2 * entries.size());
        }
        add(".reloc", IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_DISCARDABLE,
            std::move(bytes));
    }
    return all;
}

int PeBuilder::section_count() const {
    return int(all_sections().size());
}

std::uint32_t PeBuilder::size_of_image() const {
    std::vector<Section> all = all_sections();
    if (all.empty())
        return section_alignment;
    return all.back().rva + align_up(std::max<std::uint32_t>(all.back().virtual_size, 1), section_alignment);
}

std::uint32_t PeBuilder::import_directory_rva() const {
    return imports.empty() ? 0 : next_rva();
}

std::uint32_t PeBuilder::export_directory_rva() const {
    for (const Section& s : all_sections())
        if (s.name == ".edata")
            return s.rva;
    return 0;
}

std::uint32_t PeBuilder::relocation_directory_rva() const {
    for (const Section& s : all_sections())
        if (s.name == ".reloc")
            return s.rva;
    return 0;
}

std::size_t PeBuilder::file_offset(std::uint32_t rva) const {
    std::vector<Section> all = all_sections();
    std::size_t headers = align_up(std::uint32_t(section_header_offset(int(all.size()))), file_alignment);
    std::size_t at = headers;
    for (const Section& s : all) {
        if (rva >= s.rva && rva < s.rva + s.raw.size())
            return at + (rva - s.rva);
        at += align_up(std::uint32_t(s.raw.size()), file_alignment);
    }
    throw std::out_of_range("no raw data at this RVA");
}

std::string PeBuilder::build() const {
    std::vector<Section> all = all_sections();
    std::uint32_t headers_size =
        align_up(std::uint32_t(section_header_offset(int(all.size()))), file_alignment);
    std::vector<std::uint8_t> file(headers_size);

    IMAGE_DOS_HEADER dos{};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = LONG(nt_headers_offset);
    put(file, 0, dos);

    IMAGE_NT_HEADERS64 nt{};
    nt.Signature = IMAGE_NT_SIGNATURE;
    nt.FileHeader.Machine = IMAGE_FILE_MACHINE_AMD64;
    nt.FileHeader.NumberOfSections = WORD(all.size());
    nt.FileHeader.SizeOfOptionalHeader = sizeof(IMAGE_OPTIONAL_HEADER64);
    nt.FileHeader.Characteristics =
        IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_LARGE_ADDRESS_AWARE | IMAGE_FILE_DLL;
    IMAGE_OPTIONAL_HEADER64& o = nt.OptionalHeader;
    o.Magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    o.AddressOfEntryPoint = entry;
    o.ImageBase = base;
    o.SectionAlignment = section_alignment;
    o.FileAlignment = file_alignment;
    o.MajorOperatingSystemVersion = 6;
    o.MajorSubsystemVersion = 6;
    o.SizeOfImage = size_of_image();
    o.SizeOfHeaders = headers_size;
    o.Subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
    o.DllCharacteristics = IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA | IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE |
                           IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
    o.SizeOfStackReserve = 0x200000;
    o.SizeOfStackCommit = 0x1000;
    o.SizeOfHeapReserve = 0x100000;
    o.SizeOfHeapCommit = 0x1000;
    o.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;

    std::size_t raw_at = headers_size;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Section& s = all[i];
        IMAGE_SECTION_HEADER h{};
        std::memcpy(h.Name, s.name.c_str(), std::min<std::size_t>(s.name.size(), IMAGE_SIZEOF_SHORT_NAME));
        h.Misc.VirtualSize = s.virtual_size;
        h.VirtualAddress = s.rva;
        h.SizeOfRawData = std::uint32_t(s.raw.size());
        h.PointerToRawData = s.raw.empty() ? 0 : std::uint32_t(raw_at);
        h.Characteristics = s.characteristics;
        put(file, section_header_offset(int(i)), h);
        if (!s.raw.empty()) {
            put(file, raw_at, s.raw.data(), s.raw.size());
            raw_at += align_up(std::uint32_t(s.raw.size()), file_alignment);
            file.resize(raw_at);
        }
        if (s.characteristics & IMAGE_SCN_CNT_CODE) {
            o.SizeOfCode += h.SizeOfRawData;
            if (!o.BaseOfCode)
                o.BaseOfCode = s.rva;
        }
        if (s.characteristics & IMAGE_SCN_CNT_INITIALIZED_DATA)
            o.SizeOfInitializedData += h.SizeOfRawData;
        if (s.characteristics & IMAGE_SCN_CNT_UNINITIALIZED_DATA)
            o.SizeOfUninitializedData += s.virtual_size;
        if (s.name == ".idata") {
            ImportLayout l = import_layout();
            o.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT] = {
                s.rva, std::uint32_t((l.libraries.size() + 1) * sizeof(IMAGE_IMPORT_DESCRIPTOR))};
            o.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT] = {l.address_tables_start, l.address_tables_size};
        } else if (s.name == ".edata") {
            o.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT] = {s.rva, s.virtual_size};
        } else if (s.name == ".reloc") {
            o.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC] = {s.rva, s.virtual_size};
        }
    }
    put(file, nt_headers_offset, nt);
    return std::string(file.begin(), file.end());
}

namespace x64 {

std::vector<std::uint8_t> return_value(std::uint32_t value) {
    std::vector<std::uint8_t> code{0xB8}; // mov eax, imm32
    append_value(code, value);
    append(code, {0xC3}); // ret
    return code;
}

std::vector<std::uint8_t> return_address(std::uint32_t code_rva, std::uint32_t target_rva) {
    std::vector<std::uint8_t> code{0x48, 0x8D, 0x05}; // lea rax, [rip + disp32]
    append_value(code, rip_displacement(code_rva + 7, target_rva));
    append(code, {0xC3});
    return code;
}

std::vector<std::uint8_t> load_through_pointer(std::uint32_t code_rva, std::uint32_t pointer_rva) {
    std::vector<std::uint8_t> code{0x48, 0x8B, 0x05}; // mov rax, [rip + disp32]
    append_value(code, rip_displacement(code_rva + 7, pointer_rva));
    append(code, {0x8B, 0x00, 0xC3}); // mov eax, [rax]; ret
    return code;
}

std::vector<std::uint8_t> jump_through(std::uint32_t code_rva, std::uint32_t slot_rva) {
    std::vector<std::uint8_t> code{0xFF, 0x25}; // jmp [rip + disp32]
    append_value(code, rip_displacement(code_rva + 6, slot_rva));
    return code;
}

std::vector<std::uint8_t> jump_to(const void* address) {
    std::vector<std::uint8_t> code{0x48, 0xB8}; // mov rax, imm64
    append_value(code, std::uint64_t(reinterpret_cast<std::uintptr_t>(address)));
    append(code, {0xFF, 0xE0}); // jmp rax
    return code;
}

} // namespace x64

std::string simple_module_image(const std::string& name) {
    PeBuilder b;
    std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
    std::uint32_t rdata = b.add_section(".rdata", PeBuilder::read_only_data,
                                        std::uint32_t(align_up(std::uint32_t(name.size() + 1), 0x200)));
    b.write(rdata, name.c_str(), name.size() + 1);
    b.write(text, x64::return_address(text, rdata));
    b.add_export("get_module_name", text);
    b.write(text + 0x10, x64::return_value(TRUE));
    b.set_entry_point(text + 0x10);
    return b.build();
}

} // namespace zvk_test
