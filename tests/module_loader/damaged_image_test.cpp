// Damaged images: whatever the headers and tables say, the loader reads nothing outside the image
// bytes or the SizeOfImage mapping and writes nothing outside the mapping. Each image is refused,
// or mapped with the damaged table taken as ending where it leaves the bounds.
//
// The image is mapped at a known place with no accessible memory after it (its preferred base is
// one page past a free 64 KB boundary, so the reservation starts at the boundary, is relocated, and
// the page after SizeOfImage is reserved but inaccessible): a stray access past the mapping faults,
// and the sanitizer build catches any read past the image copy.
#include "loader_fixture.h"

#include "memory_map.h"
#include "pe_builder.h"
#include "zvk_posix_libraries.h"
#include "zvk_posix_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace loader_test;
using zvk_test::PeBuilder;
namespace x64 = zvk_test::x64;

namespace {

constexpr std::uint32_t kValue = 0x5EED1234;

template <class T> T read_file(const std::string& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Sections, in order: .text .rdata .data .idata .edata .reloc. Exports "get_value" and "second";
// imports add_numbers by name and times_six by ordinal; relocations in two blocks (.rdata: DIR64 +
// HIGHLOW, .data: DIR64 + padding).
struct Layout {
    PeBuilder b;
    std::uint32_t text = 0, rdata = 0, data = 0, idata = 0, edata = 0, reloc = 0, image_size = 0;
    std::uint64_t mapped_at = 0; // where the reservation will start
    std::string bytes;

    Layout() {
        mapped_at = reinterpret_cast<std::uintptr_t>(zvk_test::free_address(0x20000));
        b.set_image_base(mapped_at + 0x1000);
        text = b.add_section(".text", PeBuilder::code, 0x200);
        rdata = b.add_section(".rdata", PeBuilder::read_only_data, 0x200);
        data = b.add_section(".data", PeBuilder::read_write_data, 0x200);
        b.import_by_name(test_library, "add_numbers");
        b.import_by_ordinal(test_library, times_six_ordinal);
        b.write_u32(data, kValue);
        b.write_address64(rdata, data);
        b.write_address32(rdata + 8, data);
        b.write_address64(data + 8, data);
        b.write(text, x64::load_through_pointer(text, rdata));
        b.write(text + 0x20, x64::return_value(TRUE));
        b.write(text + 0x30, x64::return_value(2));
        b.set_entry_point(text + 0x20);
        b.add_export("get_value", text);
        b.add_export("second", text + 0x30);
        bytes = b.build();
        idata = b.import_directory_rva();
        edata = b.export_directory_rva();
        reloc = b.relocation_directory_rva();
        image_size = b.size_of_image();
    }

    // Offsets in the file.
    static std::size_t optional(std::size_t field) { return PeBuilder::optional_header_offset + field; }
    static std::size_t section(int index, std::size_t field) {
        return PeBuilder::section_header_offset(index) + field;
    }
    static std::size_t directory(int index, bool size) {
        return PeBuilder::data_directory_offset(index) + (size ? 4 : 0);
    }
    std::size_t at(std::uint32_t rva) const { return b.file_offset(rva); }
    std::size_t import_field(std::size_t field) const { return at(idata) + field; }
    std::size_t export_field(std::size_t field) const { return at(edata) + field; }
    std::size_t export_table(std::size_t directory_field, std::size_t index, std::size_t width) const {
        return at(read_file<DWORD>(bytes, export_field(directory_field))) + index * width;
    }
    std::size_t block(int index, std::size_t field) const {
        return at(reloc) + 12 * std::size_t(index) + field;
    }

    template <class T> void patch(std::size_t offset, T value) { PeBuilder::patch<T>(bytes, offset, value); }

    // Makes the mapping end right after .reloc's raw data, keeps .reloc readable and fills it past
    // its blocks with 'A': the last bytes of the mapping are text with no NUL after it inside the
    // mapping (the rest of the page, outside it, is zeros). Returns the RVA of the last 4 bytes.
    std::uint32_t text_without_nul_at_end() {
        patch<DWORD>(optional(offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfImage)), reloc + 0x200);
        patch<DWORD>(section(5, offsetof(IMAGE_SECTION_HEADER, Characteristics)), PeBuilder::read_only_data);
        std::memset(&bytes[at(reloc) + 24], 'A', 0x200 - 24);
        return reloc + 0x200 - 4;
    }

    std::uint64_t pointer(MappedModule* m, std::uint32_t rva) const {
        std::uint64_t v;
        std::memcpy(&v, m->code_base + rva, sizeof v);
        return v;
    }
    std::uint64_t relocated(MappedModule* m) const {
        return reinterpret_cast<std::uintptr_t>(m->code_base) + data;
    }
    std::uint64_t unrelocated() const { return b.image_base() + data; }
};

enum class Outcome { Refused, Mapped };

struct Damage {
    const char* what;
    std::function<void(Layout&)> damage;
    Outcome outcome;
    std::function<void(MappedModule*, const Layout&)> check; // for mapped images
};

void exports_missing(MappedModule* m, const Layout&) {
    EXPECT_EQ(find_export(m, "get_value"), nullptr);
    EXPECT_EQ(find_export(m, "missing"), nullptr);
}

void relocations_ended_at_once(MappedModule* m, const Layout& l) {
    EXPECT_EQ(l.pointer(m, l.rdata), l.unrelocated());
    EXPECT_EQ(l.pointer(m, l.data + 8), l.unrelocated());
}

void first_block_only(MappedModule* m, const Layout& l) {
    EXPECT_EQ(l.pointer(m, l.rdata), l.relocated(m));
    EXPECT_EQ(l.pointer(m, l.data + 8), l.unrelocated());
}

void no_imports_bound(MappedModule*, const Layout&) {
    EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0);
}

class DamagedImage : public ::testing::Test {
protected:
    void SetUp() override {
        register_test_library();
        reservations = zvk_winapi::reservation_count();
    }
    void expect_nothing_left() {
        EXPECT_EQ(zvk_winapi::reservation_count(), reservations);
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0);
    }
    std::size_t reservations = 0;
};

} // namespace

TEST_F(DamagedImage, TheUndamagedImageMapsAtTheExpectedPlace) {
    Layout l;
    ModulePtr m = map_image(l.bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m->code_base), l.mapped_at);
    EXPECT_EQ(zvk_test::page_permissions(m->code_base + l.image_size), "---");
    EXPECT_EQ(l.pointer(m.get(), l.rdata), l.relocated(m.get()));
    EXPECT_EQ(l.pointer(m.get(), l.data + 8), l.relocated(m.get()));
    auto* get_value = export_function<std::uint32_t ZVK_MS_ABI()>(m.get(), "get_value");
    ASSERT_NE(get_value, nullptr);
    EXPECT_EQ(get_value(), kValue);
    EXPECT_NE(find_export(m.get(), "second"), nullptr);
    m.reset();
    expect_nothing_left();
}

TEST_F(DamagedImage, EveryTruncationIsRefused) {
    Layout l;
    for (std::size_t length = 0; length < l.bytes.size(); ++length) {
        ModulePtr m = map_image(l.bytes.substr(0, length));
        ASSERT_FALSE(m) << "length " << length;
    }
    expect_nothing_left();
}

TEST_F(DamagedImage, HeadersAndTablesOutOfBounds) {
    using IOH = IMAGE_OPTIONAL_HEADER64;
    using ISH = IMAGE_SECTION_HEADER;
    using IED = IMAGE_EXPORT_DIRECTORY;
    using IID = IMAGE_IMPORT_DESCRIPTOR;
    const Outcome refused = Outcome::Refused, mapped = Outcome::Mapped;
    const Damage cases[] = {
        // Headers.
        {"no DOS signature", [](Layout& l) { l.patch<WORD>(0, 0x4D5A); }, refused, nullptr},
        {"e_lfanew negative", [](Layout& l) { l.patch<LONG>(0x3C, -8); }, refused, nullptr},
        {"e_lfanew past the image", [](Layout& l) { l.patch<LONG>(0x3C, 0x7FFFFFF0); }, refused, nullptr},
        {"NT headers running past the image",
         [](Layout& l) { l.patch<LONG>(0x3C, LONG(l.bytes.size() - 100)); }, refused, nullptr},
        {"no NT signature", [](Layout& l) { l.patch<DWORD>(PeBuilder::nt_headers_offset, 0x00004551); },
         refused, nullptr},
        {"section table past the headers",
         [](Layout& l) {
             l.patch<WORD>(PeBuilder::file_header_offset + offsetof(IMAGE_FILE_HEADER, NumberOfSections),
                           0xFFFF);
         },
         refused, nullptr},
        {"optional header size past the headers",
         [](Layout& l) {
             l.patch<WORD>(PeBuilder::file_header_offset + offsetof(IMAGE_FILE_HEADER, SizeOfOptionalHeader),
                           0xFFFF);
         },
         refused, nullptr},
        {"SizeOfHeaders past the image",
         [](Layout& l) {
             l.patch<DWORD>(Layout::optional(offsetof(IOH, SizeOfHeaders)), DWORD(l.bytes.size() + 1));
         },
         refused, nullptr},
        {"SizeOfHeaders too small for the section table",
         [](Layout& l) { l.patch<DWORD>(Layout::optional(offsetof(IOH, SizeOfHeaders)), 0x100); }, refused,
         nullptr},
        {"SizeOfHeaders past SizeOfImage",
         [](Layout& l) { l.patch<DWORD>(Layout::optional(offsetof(IOH, SizeOfImage)), 0x100); }, refused,
         nullptr},
        {"SizeOfImage 0", [](Layout& l) { l.patch<DWORD>(Layout::optional(offsetof(IOH, SizeOfImage)), 0); },
         refused, nullptr},
        {"SizeOfImage short of the last section",
         [](Layout& l) { l.patch<DWORD>(Layout::optional(offsetof(IOH, SizeOfImage)), l.reloc + 0x100); },
         refused, nullptr},
        {"entry point past the mapping",
         [](Layout& l) {
             l.patch<DWORD>(Layout::optional(offsetof(IOH, AddressOfEntryPoint)), l.image_size);
         },
         refused, nullptr},
        {"no data directories at all",
         [](Layout& l) { l.patch<DWORD>(Layout::optional(offsetof(IOH, NumberOfRvaAndSizes)), 0); }, mapped,
         [](MappedModule* m, const Layout& l) {
             exports_missing(m, l);
             no_imports_bound(m, l);
             relocations_ended_at_once(m, l);
         }},

        // Sections.
        {"raw data past the image",
         [](Layout& l) {
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, PointerToRawData)),
                            DWORD(l.bytes.size() - 0x100));
         },
         refused, nullptr},
        {"raw data offset plus size past 32 bits",
         [](Layout& l) { l.patch<DWORD>(Layout::section(2, offsetof(ISH, PointerToRawData)), 0xFFFFFF00); },
         refused, nullptr},
        {"raw size past 32 bits",
         [](Layout& l) { l.patch<DWORD>(Layout::section(2, offsetof(ISH, SizeOfRawData)), 0xFFFFFFFF); },
         refused, nullptr},
        {"section past the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::section(2, offsetof(ISH, VirtualAddress)), 0xFFFFF000); },
         refused, nullptr},
        {"section running past the mapping",
         [](Layout& l) {
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, VirtualAddress)), l.image_size - 0x100);
         },
         refused, nullptr},
        {"inaccessible section over the headers",
         [](Layout& l) {
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, VirtualAddress)), 0);
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, PointerToRawData)), 0); // the headers themselves
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, Characteristics)), 0);
         },
         mapped,
         [](MappedModule* m, const Layout&) {
             EXPECT_EQ(zvk_winapi::query_page(m->code_base).protection, DWORD(PAGE_NOACCESS));
             EXPECT_EQ(find_export(m, "get_value"), nullptr);
         }},
        {"empty section past the mapping",
         [](Layout& l) {
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, SizeOfRawData)), 0);
             l.patch<DWORD>(Layout::section(2, offsetof(ISH, VirtualAddress)), l.image_size);
         },
         refused, nullptr},

        // Base relocations (the image is always moved, so they are applied).
        {"relocations past the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(5, false), 0x7FFFF000); }, mapped,
         relocations_ended_at_once},
        {"relocation directory past 32 bits",
         [](Layout& l) {
             l.patch<DWORD>(Layout::directory(5, false), 0xFFFFFFF8);
             l.patch<DWORD>(Layout::directory(5, true), 0x100);
         },
         mapped, relocations_ended_at_once},
        {"relocation directory size huge",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(5, true), 0xFFFFFF00); }, mapped,
         [](MappedModule* m, const Layout& l) {
             EXPECT_EQ(l.pointer(m, l.rdata), l.relocated(m));
             EXPECT_EQ(l.pointer(m, l.data + 8), l.relocated(m));
         }},
        {"relocation directory ending inside a block",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(5, true), 12 + 8 + 1); }, mapped, first_block_only},
        {"block size 0", [](Layout& l) { l.patch<DWORD>(l.block(0, 4), 0); }, mapped,
         relocations_ended_at_once},
        {"block size 7", [](Layout& l) { l.patch<DWORD>(l.block(0, 4), 7); }, mapped,
         relocations_ended_at_once},
        {"block size 8", [](Layout& l) { l.patch<DWORD>(l.block(0, 4), 8); }, mapped,
         [](MappedModule* m, const Layout& l) { EXPECT_EQ(l.pointer(m, l.rdata), l.unrelocated()); }},
        {"block size huge", [](Layout& l) { l.patch<DWORD>(l.block(0, 4), 0xFFFFFFF0); }, mapped, nullptr},
        {"block for a page past the mapping", [](Layout& l) { l.patch<DWORD>(l.block(1, 0), 0x7FFFF000); },
         mapped, first_block_only},
        {"entry for 8 bytes across the end of the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.block(1, 0), l.image_size - 0x1000);
             l.patch<WORD>(l.block(1, 8), WORD((IMAGE_REL_BASED_DIR64 << 12) | 0xFFC));
         },
         mapped, first_block_only},
        {"entry for 4 bytes across the end of the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.block(1, 0), l.image_size - 0x1000);
             l.patch<WORD>(l.block(1, 8), WORD((IMAGE_REL_BASED_HIGHLOW << 12) | 0xFFE));
         },
         mapped, first_block_only},

        // Imports.
        {"import directory past the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(1, false), 0x7FFFF000); }, mapped,
         no_imports_bound},
        {"import descriptor across the end of the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(1, false), l.image_size - 10); }, mapped,
         no_imports_bound},
        {"library name past the mapping",
         [](Layout& l) { l.patch<DWORD>(l.import_field(offsetof(IID, Name)), 0x7FFFFFF0); }, refused,
         nullptr},
        {"library name without its NUL inside the mapping",
         [](Layout& l) { l.patch<DWORD>(l.import_field(offsetof(IID, Name)), l.text_without_nul_at_end()); },
         refused, nullptr},
        {"lookup table past the mapping",
         [](Layout& l) { l.patch<DWORD>(l.import_field(offsetof(IID, OriginalFirstThunk)), 0x7FFFFFF0); },
         refused, nullptr},
        {"lookup table across the end of the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.import_field(offsetof(IID, OriginalFirstThunk)), l.text_without_nul_at_end());
         },
         refused, nullptr},
        {"function name past the mapping",
         [](Layout& l) {
             l.patch<std::uint64_t>(
                 l.at(read_file<DWORD>(l.bytes, l.import_field(offsetof(IID, OriginalFirstThunk)))),
                 0x7FFFFFFFFFFFFFF0ULL);
         },
         refused, nullptr},
        {"function name without its NUL inside the mapping",
         [](Layout& l) {
             std::uint32_t tail = l.text_without_nul_at_end();
             l.patch<std::uint64_t>(
                 l.at(read_file<DWORD>(l.bytes, l.import_field(offsetof(IID, OriginalFirstThunk)))),
                 tail - 2);
         },
         refused, nullptr},
        {"address table past the mapping",
         [](Layout& l) { l.patch<DWORD>(l.import_field(offsetof(IID, FirstThunk)), l.image_size - 4); },
         refused, nullptr},

        // Exports.
        {"export directory past the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(0, false), 0x7FFFF000); }, mapped, exports_missing},
        {"export directory past 32 bits",
         [](Layout& l) {
             l.patch<DWORD>(Layout::directory(0, false), 0xFFFFFFF0);
             l.patch<DWORD>(Layout::directory(0, true), 0x100);
         },
         mapped, exports_missing},
        {"export directory across the end of the mapping",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(0, false), l.image_size - 8); }, mapped,
         exports_missing},
        {"export directory on a decommitted page",
         [](Layout& l) { l.patch<DWORD>(Layout::directory(0, false), l.reloc); }, mapped, exports_missing},
        {"name count larger than the name table",
         [](Layout& l) { l.patch<DWORD>(l.export_field(offsetof(IED, NumberOfNames)), 0x7FFFFFFF); }, mapped,
         [](MappedModule* m, const Layout&) {
             EXPECT_NE(find_export(m, "get_value"), nullptr);
             EXPECT_EQ(find_export(m, "missing"), nullptr);
         }},
        {"function count smaller than an ordinal index",
         [](Layout& l) { l.patch<DWORD>(l.export_field(offsetof(IED, NumberOfFunctions)), 1); }, mapped,
         [](MappedModule* m, const Layout&) {
             EXPECT_NE(find_export(m, "get_value"), nullptr);
             EXPECT_EQ(find_export(m, "second"), nullptr);
         }},
        {"ordinal index past the function table",
         [](Layout& l) { l.patch<WORD>(l.export_table(offsetof(IED, AddressOfNameOrdinals), 0, 2), 0xFFFF); },
         mapped, [](MappedModule* m, const Layout&) { EXPECT_EQ(find_export(m, "get_value"), nullptr); }},
        {"name table past the mapping",
         [](Layout& l) { l.patch<DWORD>(l.export_field(offsetof(IED, AddressOfNames)), 0x7FFFFFF0); }, mapped,
         exports_missing},
        {"ordinal table past the mapping",
         [](Layout& l) { l.patch<DWORD>(l.export_field(offsetof(IED, AddressOfNameOrdinals)), 0xFFFFFFFF); },
         mapped, exports_missing},
        {"function table past the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.export_field(offsetof(IED, AddressOfFunctions)), l.image_size - 2);
         },
         mapped, exports_missing},
        {"function address past the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.export_table(offsetof(IED, AddressOfFunctions), 0, 4), 0x7FFFFFFF);
         },
         mapped, [](MappedModule* m, const Layout&) { EXPECT_EQ(find_export(m, "get_value"), nullptr); }},
        {"export name without its NUL inside the mapping",
         [](Layout& l) {
             l.patch<DWORD>(l.export_table(offsetof(IED, AddressOfNames), 0, 4), l.text_without_nul_at_end());
         },
         mapped, [](MappedModule* m, const Layout&) { EXPECT_EQ(find_export(m, "AAAA"), nullptr); }},
        {"export name on a decommitted page",
         [](Layout& l) {
             l.patch<DWORD>(l.export_table(offsetof(IED, AddressOfNames), 0, 4), l.reloc + 0x20);
         },
         mapped, [](MappedModule* m, const Layout&) { EXPECT_EQ(find_export(m, "get_value"), nullptr); }},
    };

    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        Layout l;
        c.damage(l);
        ModulePtr m = map_image(l.bytes);
        if (c.outcome == Outcome::Refused) {
            EXPECT_FALSE(m);
        } else {
            ASSERT_TRUE(m);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m->code_base), l.mapped_at);
            if (c.check)
                c.check(m.get(), l);
            find_export(m.get(), "get_value"); // whatever it finds, it must not fault
            find_export(m.get(), "absent");
        }
        m.reset();
        expect_nothing_left();
    }
}
