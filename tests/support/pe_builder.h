#pragma once
// Builds small 64-bit Windows DLL images (PE32+) in memory for tests: sections with chosen
// characteristics, base relocations, imports by name and by ordinal, exports by name and an entry
// point, plus a few x86-64 code snippets to put in them.
//
//   PeBuilder b;                                           // preferred base 0x180000000
//   std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
//   std::uint32_t data = b.add_section(".data", PeBuilder::read_write_data, 0x200);
//   int add = b.import_by_name("helper.dll", "add");
//   b.write(text, x64::jump_through(text, b.address_slot_rva(add))); // forwards to the import
//   b.add_export("call_add", text);
//   b.write(text + 0x10, x64::return_value(TRUE));
//   b.set_entry_point(text + 0x10);
//   std::string image = b.build();
//
// Section RVAs are fixed when the section is added (each starts on a 0x1000 boundary). The import
// table goes into a section after all added sections; exports and relocations may be added at any
// time before build(). Generated sections, in
// this order after the added ones: ".idata" (imports), ".edata" (exports), ".reloc" (base
// relocations, discardable).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvk_test {

class PeBuilder {
public:
    static constexpr std::uint32_t section_alignment = 0x1000;
    static constexpr std::uint32_t file_alignment = 0x200;

    // Characteristics of the usual kinds of section.
    static constexpr std::uint32_t code = 0x60000020;               // code, execute, read
    static constexpr std::uint32_t read_only_data = 0x40000040;     // initialised data, read
    static constexpr std::uint32_t read_write_data = 0xC0000040;    // initialised data, read, write
    static constexpr std::uint32_t uninitialized_data = 0xC0000080; // uninitialised data, read, write

    // Offsets of the headers in the built file.
    static constexpr std::size_t nt_headers_offset = 0x40;                        // e_lfanew
    static constexpr std::size_t file_header_offset = nt_headers_offset + 4;      // IMAGE_FILE_HEADER
    static constexpr std::size_t optional_header_offset = nt_headers_offset + 24; // IMAGE_OPTIONAL_HEADER64
    static std::size_t data_directory_offset(int index) {
        return optional_header_offset + 112 + 8 * std::size_t(index);
    }
    static std::size_t section_header_offset(int index) {
        return nt_headers_offset + 264 + 40 * std::size_t(index);
    }

    explicit PeBuilder(std::uint64_t image_base = 0x180000000ULL) : base(image_base) {}

    void set_image_base(std::uint64_t image_base) { base = image_base; }
    std::uint64_t image_base() const { return base; }

    // Adds a section of `raw_size` bytes of raw data (0: none), zero until written, whose virtual
    // size is at least its raw size. Returns its RVA.
    std::uint32_t add_section(const std::string& name, std::uint32_t characteristics, std::uint32_t raw_size,
                              std::uint32_t virtual_size = 0);

    // Writes into the raw data of the section that holds `rva`.
    void write(std::uint32_t rva, const void* bytes, std::size_t count);
    void write(std::uint32_t rva, const std::vector<std::uint8_t>& bytes) {
        write(rva, bytes.data(), bytes.size());
    }
    void write_u32(std::uint32_t rva, std::uint32_t value) { write(rva, &value, sizeof value); }
    void write_u64(std::uint32_t rva, std::uint64_t value) { write(rva, &value, sizeof value); }
    // The absolute address of `target_rva` at the preferred base (as set when build() runs), with
    // its base relocation: 64 bits (IMAGE_REL_BASED_DIR64) or the low 32 bits (HIGHLOW).
    void write_address64(std::uint32_t rva, std::uint32_t target_rva);
    void write_address32(std::uint32_t rva, std::uint32_t target_rva);
    // A base relocation of any type (3 HIGHLOW, 10 DIR64, others to see them skipped).
    void add_relocation(std::uint32_t rva, std::uint16_t type);

    // Imports, each with an id. Libraries get one descriptor each, in the order of their first
    // import; each library's functions keep the order in which they were added.
    int import_by_name(const std::string& library, const std::string& function, std::uint16_t hint = 0);
    int import_by_ordinal(const std::string& library, std::uint16_t ordinal);
    // RVA of an import's slot in the import address table (its address once the image is mapped)
    // and of its lookup-table entry. Ask after the last section and import: from then on, adding
    // either throws std::logic_error.
    std::uint32_t address_slot_rva(int import) const;
    std::uint32_t lookup_entry_rva(int import) const;
    // Leave OriginalFirstThunk 0 so the loader reads the names from the address table.
    void set_lookup_in_address_table(bool yes) { lookup_in_address_table = yes; }

    // Exports a function under `name`.
    void add_export(const std::string& name, std::uint32_t rva) { exports.push_back({name, rva}); }
    void set_entry_point(std::uint32_t rva) { entry = rva; }

    // The image file.
    std::string build() const;

    // Where things are in the image that build() gives.
    std::size_t file_offset(std::uint32_t rva) const; // of a byte of raw data
    std::uint32_t size_of_image() const;
    std::uint32_t import_directory_rva() const;
    std::uint32_t export_directory_rva() const;
    std::uint32_t relocation_directory_rva() const;
    int section_count() const;

    // Overwrites bytes of a built image (for damaged images).
    template <class T> static void patch(std::string& image, std::size_t offset, T value) {
        if (offset > image.size() || sizeof(T) > image.size() - offset)
            throw std::out_of_range("patch outside the image");
        std::memcpy(&image[offset], &value, sizeof(T));
    }

private:
    struct Section {
        std::string name;
        std::uint32_t characteristics;
        std::uint32_t rva;
        std::uint32_t virtual_size;
        std::vector<std::uint8_t> raw;
    };
    struct Import {
        std::string library;
        std::string function; // empty: by ordinal
        std::uint16_t ordinal_or_hint;
    };
    struct Export {
        std::string name;
        std::uint32_t rva;
    };
    struct Relocation {
        std::uint32_t rva;
        std::uint16_t type;
    };
    struct Address {
        std::uint32_t rva, target;
        bool wide;
    };

    struct ImportLayout {
        std::uint32_t size = 0;
        std::vector<std::string> libraries;
        std::vector<std::uint32_t> library_of;    // per import
        std::vector<std::uint32_t> address_slot;  // per import
        std::vector<std::uint32_t> lookup_entry;  // per import
        std::vector<std::uint32_t> hint_name;     // per import, 0 for ordinals
        std::vector<std::uint32_t> address_table; // per library
        std::vector<std::uint32_t> lookup_table;  // per library
        std::vector<std::uint32_t> library_name;  // per library
        std::uint32_t address_tables_start = 0, address_tables_size = 0;
    };

    std::uint32_t next_rva() const;
    ImportLayout import_layout() const;
    std::vector<Section> all_sections() const; // added and generated
    int add_import(Import import);
    void check_open() const;

    std::uint64_t base;
    std::uint32_t entry = 0;
    bool lookup_in_address_table = false;
    std::vector<Section> sections;
    std::vector<Import> imports;
    std::vector<Export> exports;
    std::vector<Relocation> relocations;
    std::vector<Address> addresses;
    mutable bool layout_fixed = false;
};

// x86-64 code for images (Windows x64 calling convention: arguments in rcx, rdx, r8, r9, result
// in rax). `code_rva` is where the snippet is written, for RIP-relative addressing.
namespace x64 {
// mov eax, value; ret
std::vector<std::uint8_t> return_value(std::uint32_t value);
// lea rax, [target]; ret: returns the address of target_rva in the mapped image
std::vector<std::uint8_t> return_address(std::uint32_t code_rva, std::uint32_t target_rva);
// mov rax, [pointer]; mov eax, [rax]; ret: returns the 32-bit value that the 64-bit pointer at
// pointer_rva points to
std::vector<std::uint8_t> load_through_pointer(std::uint32_t code_rva, std::uint32_t pointer_rva);
// jmp [slot]: tail call through an address-table slot, passing the arguments on
std::vector<std::uint8_t> jump_through(std::uint32_t code_rva, std::uint32_t slot_rva);
// mov rax, address; jmp rax: tail call to a function of the test program (which must use the
// Windows convention), passing the arguments on; for entry points that record their calls
std::vector<std::uint8_t> jump_to(const void* address);
} // namespace x64

// A small valid DLL image: exports "get_module_name" (returning `name` as a NUL-terminated text
// inside the image) and an entry point that returns TRUE.
std::string simple_module_image(const std::string& name);

} // namespace zvk_test
