// Small images that claim large things: a module file's digest proves integrity, not origin, so
// anyone can make one. Whatever counts, sizes and alignment an image gives, mapping it and finding
// its exports takes work in proportion to the image's own length, and only a 64-bit x86 image is
// mapped at all.
//
// "Work" is shown by memory, not by time: a walk over the zero-filled part of a large mapping brings
// its pages into memory, so the part past the image's own bytes must stay out of it.
#include "loader_fixture.h"

#include "memory_map.h"
#include "pe_builder.h"
#include "zvk_posix_memory.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace loader_test;
using zvk_test::PeBuilder;
namespace x64 = zvk_test::x64;

namespace {

using IOH = IMAGE_OPTIONAL_HEADER64;

constexpr std::size_t kOptional = PeBuilder::optional_header_offset;
// Beyond the pages an image's own bytes and the kernel's huge pages around them may occupy.
constexpr std::uint32_t kUntouchedFrom = 0x400000;
constexpr std::uint32_t kLargeImage = 0x4000000; // 64 MiB of mapping for an image of a few KB

// One code section with the export "get_module_name" (returning 1) and no entry point.
struct SmallImage {
    PeBuilder b;
    std::uint32_t text = 0, data = 0;
    std::string bytes;

    explicit SmallImage(std::uint64_t base = 0x180000000ULL) : b(base) {
        text = b.add_section(".text", PeBuilder::code, 0x200);
        b.write(text, x64::return_value(1));
        b.add_export("get_module_name", text);
    }
    void build() { bytes = b.build(); }
    template <class T> void patch(std::size_t offset, T value) { PeBuilder::patch<T>(bytes, offset, value); }
    std::size_t export_field(std::size_t field) const {
        return b.file_offset(b.export_directory_rva()) + field;
    }
};

std::size_t resident_past_start(MappedModule* m) {
    return zvk_test::resident_bytes(m->code_base + kUntouchedFrom, m->image_size - kUntouchedFrom);
}

class HostileImage : public ::testing::Test {
protected:
    void SetUp() override {
        register_test_library();
        reservations = zvk_winapi::reservation_count();
    }
    void TearDown() override { EXPECT_EQ(zvk_winapi::reservation_count(), reservations); }
    std::size_t reservations = 0;
};

} // namespace

TEST_F(HostileImage, NameCountIsBoundedByTheImage) {
    // A name table in the zero-filled part of the mapping with a count that runs to its end: every
    // entry names the headers, and for a mapping of 4 GiB the walk took about a minute per lookup.
    SmallImage image;
    image.build();
    image.patch<DWORD>(kOptional + offsetof(IOH, SizeOfImage), kLargeImage);
    image.patch<DWORD>(image.export_field(offsetof(IMAGE_EXPORT_DIRECTORY, AddressOfNames)), 0x10000);
    image.patch<DWORD>(image.export_field(offsetof(IMAGE_EXPORT_DIRECTORY, NumberOfNames)), 0xFFFFFFFF);
    image.patch<DWORD>(image.export_field(offsetof(IMAGE_EXPORT_DIRECTORY, NumberOfFunctions)), 0xFFFFFFFF);
    ModulePtr m = map_image(image.bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(find_export(m.get(), "get_module_name"), nullptr);
    EXPECT_EQ(resident_past_start(m.get()), 0u);
}

TEST_F(HostileImage, RelocationsAreReadNoFurtherThanTheImage) {
    // A block whose size covers the zero-filled gigabyte: read entry by entry, it took seconds and
    // brought gigabytes into memory. Its real entries still apply.
    SmallImage image(0); // no preferred base: always moved, so the relocations apply
    image.data = image.b.add_section(".data", PeBuilder::read_write_data, 0x200);
    image.b.write_address64(image.data, image.data);
    image.build();
    std::size_t block = image.b.file_offset(image.b.relocation_directory_rva());
    image.patch<DWORD>(kOptional + offsetof(IOH, SizeOfImage), kLargeImage);
    image.patch<DWORD>(PeBuilder::data_directory_offset(IMAGE_DIRECTORY_ENTRY_BASERELOC) + 4, 0xFFFFFF00);
    image.patch<DWORD>(block + offsetof(IMAGE_BASE_RELOCATION, SizeOfBlock), 0xFFFFFFF0);
    ModulePtr m = map_image(image.bytes);
    ASSERT_TRUE(m);
    std::uint64_t pointer;
    std::memcpy(&pointer, m->code_base + image.data, sizeof pointer);
    EXPECT_EQ(pointer, reinterpret_cast<std::uintptr_t>(m->code_base) + image.data);
    EXPECT_EQ(resident_past_start(m.get()), 0u);
}

TEST_F(HostileImage, SectionWithoutRawDataIsNotFilledOverAHugeAlignment) {
    // One alignment unit of zeros for a section without raw data: the unit is the image's choice, and
    // writing it took gigabytes. The pages were committed zero-filled; they stay untouched.
    SmallImage image;
    std::uint32_t bss = image.b.add_section(".bss", PeBuilder::uninitialized_data, 0, 0x1000);
    image.build();
    const std::uint32_t alignment = kLargeImage / 4;
    image.patch<DWORD>(kOptional + offsetof(IOH, SectionAlignment), alignment);
    image.patch<DWORD>(kOptional + offsetof(IOH, SizeOfImage), bss + alignment);
    ModulePtr m = map_image(image.bytes);
    ASSERT_TRUE(m);
    const unsigned char* unit = m->code_base + bss;
    EXPECT_EQ(zvk_test::resident_bytes(unit + kUntouchedFrom, alignment - kUntouchedFrom), 0u);
    EXPECT_TRUE(zvk_winapi::query_page(unit + alignment - 1).committed);
    EXPECT_EQ(unit[0], 0);
    EXPECT_EQ(unit[alignment - 1], 0);
}

TEST_F(HostileImage, SectionWithoutRawDataOverAnotherIsStillZero) {
    // Laid over the raw data of an earlier section, the unit reads zeros as before.
    SmallImage image;
    std::uint32_t data = image.b.add_section(".data", PeBuilder::read_write_data, 0x200);
    image.b.write(data, std::vector<std::uint8_t>(0x200, 0xAB));
    image.b.add_section(".bss", PeBuilder::uninitialized_data, 0, 0x1000);
    image.build();
    int bss_index = image.b.section_count() - 2; // before the generated .edata
    image.patch<DWORD>(
        PeBuilder::section_header_offset(bss_index) + offsetof(IMAGE_SECTION_HEADER, VirtualAddress), data);
    ModulePtr m = map_image(image.bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->code_base[data], 0);
    EXPECT_EQ(m->code_base[data + 0x1FF], 0);
}

TEST_F(HostileImage, OnlyA64BitX86ImageIsMapped) {
    struct Case {
        const char* what;
        WORD machine, magic;
        bool mapped;
    } cases[] = {
        {"64-bit x86", IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC, true},
        {"32-bit x86 (PE32, i386)", 0x014C, 0x010B, false},
        {"i386 machine, PE32+ header", 0x014C, IMAGE_NT_OPTIONAL_HDR64_MAGIC, false},
        {"AMD64 machine, PE32 header", IMAGE_FILE_MACHINE_AMD64, 0x010B, false},
        {"64-bit ARM", 0xAA64, IMAGE_NT_OPTIONAL_HDR64_MAGIC, false},
        {"ROM image header", IMAGE_FILE_MACHINE_AMD64, 0x0107, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmallImage image;
        image.b.set_entry_point(image.text); // returns 1: TRUE for the one image that is mapped
        image.build();
        image.patch<WORD>(PeBuilder::file_header_offset + offsetof(IMAGE_FILE_HEADER, Machine), c.machine);
        image.patch<WORD>(kOptional + offsetof(IOH, Magic), c.magic);
        ModulePtr m = map_image(image.bytes);
        EXPECT_EQ(bool(m), c.mapped);
    }
}

TEST_F(HostileImage, HeadersOverwrittenByASectionStillHaveAtMostNinetySixSections) {
    // A section laid over the headers gives the mapped copy a section count of 0xFFFF and a table
    // in .table, whose 97th entry would make .target read-only; with thousands of entries set
    // discardable, the protection step compared every section with every other.
    SmallImage image;
    std::uint32_t table = image.b.add_section(".table", PeBuilder::read_only_data, 0x1000);
    std::uint32_t target = image.b.add_section(".target", PeBuilder::read_write_data, 0x200);
    std::uint32_t overlay = image.b.add_section(".overlay", PeBuilder::read_only_data, 0x200);
    IMAGE_SECTION_HEADER read_only{};
    read_only.VirtualAddress = target;
    read_only.SizeOfRawData = 0x200;
    read_only.Characteristics = IMAGE_SCN_MEM_READ;
    image.b.write(table + max_sections * sizeof(IMAGE_SECTION_HEADER), &read_only, sizeof read_only);
    image.build();
    std::string headers = image.bytes.substr(0, 0x200);
    const std::size_t file_header = PeBuilder::file_header_offset;
    PeBuilder::patch<WORD>(headers, file_header + offsetof(IMAGE_FILE_HEADER, NumberOfSections), 0xFFFF);
    PeBuilder::patch<WORD>(headers, file_header + offsetof(IMAGE_FILE_HEADER, SizeOfOptionalHeader),
                           WORD(table - PeBuilder::optional_header_offset));
    image.bytes.replace(image.b.file_offset(overlay), headers.size(), headers);
    int overlay_index = image.b.section_count() - 2; // before the generated .edata
    image.patch<DWORD>(
        PeBuilder::section_header_offset(overlay_index) + offsetof(IMAGE_SECTION_HEADER, VirtualAddress), 0);
    ModulePtr m = map_image(image.bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(zvk_winapi::query_page(m->code_base + target).protection, DWORD(PAGE_READWRITE));
}

TEST_F(HostileImage, AtMostNinetySixSections) {
    for (int count : {96, 97}) {
        SCOPED_TRACE(count);
        PeBuilder b;
        for (int i = 0; i < count; ++i)
            b.add_section(".s" + std::to_string(i), PeBuilder::read_only_data, 0x10);
        ModulePtr m = map_image(b.build());
        EXPECT_EQ(bool(m), count <= int(max_sections));
    }
}
