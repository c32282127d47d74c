// The in-memory loader over small images from the PE builder: placement and relocation, code that
// really runs, imports bound to the stand-in's libraries, entry-point calls, section protections,
// and exports found by name.
#include "loader_fixture.h"

#include "memory_map.h"
#include "pe_builder.h"
#include "zvk_posix_libraries.h"
#include "zvk_posix_memory.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace loader_test;
using zvk_test::page_permissions;
using zvk_test::PeBuilder;
namespace x64 = zvk_test::x64;

namespace {

constexpr std::uint32_t kValue = 0x5EED1234;

template <class T> T read_at(const void* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// .text with get_value (returns the 32-bit value behind a relocated pointer), .rdata with that
// pointer (DIR64) and a 32-bit address of the value (HIGHLOW), .data with the value.
struct ValueImage {
    PeBuilder b;
    std::uint32_t text, rdata, data;

    explicit ValueImage(std::uint64_t base) : b(base) {
        text = b.add_section(".text", PeBuilder::code, 0x200);
        rdata = b.add_section(".rdata", PeBuilder::read_only_data, 0x200);
        data = b.add_section(".data", PeBuilder::read_write_data, 0x200);
        b.write_u32(data, kValue);
        b.write_address64(rdata, data);
        b.write_address32(rdata + 8, data);
        b.write_u64(rdata + 16, 0x12345678);
        b.add_relocation(rdata + 16, IMAGE_REL_BASED_HIGHADJ); // not a PE32+ type: skipped
        b.write(text, x64::load_through_pointer(text, rdata));
        b.add_export("get_value", text);
    }
};

// A reservation of someone else's at the image's preferred base.
struct Blocker {
    void* base;
    Blocker(std::uint64_t address, std::size_t size)
        : base(VirtualAlloc(reinterpret_cast<void*>(address), size, MEM_RESERVE | MEM_COMMIT,
                            PAGE_READWRITE)) {}
    ~Blocker() {
        if (base)
            VirtualFree(base, 0, MEM_RELEASE);
    }
};

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        register_test_library();
        entry_calls.clear();
        entry_result = TRUE;
        reservations = zvk_winapi::reservation_count();
    }
    void TearDown() override {
        EXPECT_EQ(zvk_winapi::reservation_count(), reservations) << "a mapping was not released";
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0) << "a library was not released";
    }
    std::size_t reservations = 0;
};

std::uint64_t free_base(std::size_t size) {
    return reinterpret_cast<std::uintptr_t>(zvk_test::free_address(size));
}

} // namespace

TEST_F(Loader, FreePreferredBaseIsUsedAsItIs) {
    ValueImage image(0);
    std::uint64_t base = free_base(0x10000);
    image.b.set_image_base(base);
    ModulePtr m = map_image(image.b.build());
    ASSERT_TRUE(m);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m->code_base), base);
    EXPECT_EQ(m->headers, reinterpret_cast<PIMAGE_NT_HEADERS64>(m->code_base + PeBuilder::nt_headers_offset));
    EXPECT_EQ(m->headers->OptionalHeader.ImageBase, base);
    EXPECT_EQ(read_at<std::uint64_t>(m->code_base + image.rdata), base + image.data);
    EXPECT_EQ(read_at<std::uint32_t>(m->code_base + image.rdata + 8), std::uint32_t(base + image.data));
    EXPECT_EQ(m->initialized, 0);
    EXPECT_EQ(m->dependency_count, 0);
    EXPECT_EQ(m->dependencies, nullptr);
}

TEST_F(Loader, TakenPreferredBaseMovesTheImageAndAdjustsBothRelocationTypes) {
    std::uint64_t preferred = free_base(0x10000);
    ValueImage image(preferred);
    std::string bytes = image.b.build();
    Blocker blocker(preferred, image.b.size_of_image());
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(blocker.base), preferred);
    std::memset(blocker.base, 0xCC, image.b.size_of_image());

    ModulePtr m = map_image(bytes);
    ASSERT_TRUE(m);
    std::uint64_t actual = reinterpret_cast<std::uintptr_t>(m->code_base);
    EXPECT_NE(actual, preferred);
    EXPECT_EQ(m->headers->OptionalHeader.ImageBase, actual);
    EXPECT_EQ(read_at<std::uint64_t>(m->code_base + image.rdata), actual + image.data);
    // HIGHLOW adds the low 32 bits of the difference, wrapping at 32 bits.
    EXPECT_EQ(read_at<std::uint32_t>(m->code_base + image.rdata + 8), std::uint32_t(actual + image.data));
    EXPECT_EQ(read_at<std::uint64_t>(m->code_base + image.rdata + 16), 0x12345678u);
    // The other reservation was neither moved nor written.
    EXPECT_EQ(zvk_winapi::query_page(blocker.base).reservation_base, blocker.base);
    auto* blocked = static_cast<unsigned char*>(blocker.base);
    for (std::uint32_t i = 0; i < image.b.size_of_image(); ++i)
        ASSERT_EQ(blocked[i], 0xCC) << i;
}

TEST_F(Loader, ExportedCodeRunsAndReadsThroughTheRelocatedPointer) {
    std::uint64_t preferred = free_base(0x10000);
    ValueImage image(preferred);
    std::string bytes = image.b.build();
    // If the pointer kept its preferred value, the code would read this instead.
    Blocker blocker(preferred, image.b.size_of_image());
    ASSERT_NE(blocker.base, nullptr);
    std::memcpy(static_cast<unsigned char*>(blocker.base) + image.data, "\x0D\xF0\xAD\x0B", 4);

    ModulePtr m = map_image(bytes);
    ASSERT_TRUE(m);
    auto* get_value = export_function<std::uint32_t ZVK_MS_ABI()>(m.get(), "get_value");
    ASSERT_NE(get_value, nullptr);
    EXPECT_EQ(get_value(), kValue);

    struct Expected {
        std::uint32_t rva;
        DWORD protection;
        const char* permissions;
    } sections[] = {
        {image.text, PAGE_EXECUTE_READ, "r-x"},
        {image.rdata, PAGE_READONLY, "r--"},
        {image.data, PAGE_READWRITE, "rw-"},
    };
    for (const Expected& e : sections) {
        SCOPED_TRACE(e.rva);
        EXPECT_EQ(zvk_winapi::query_page(m->code_base + e.rva).protection, e.protection);
        EXPECT_EQ(page_permissions(m->code_base + e.rva), e.permissions);
    }
}

TEST_F(Loader, SectionFlagsGiveTheirProtection) {
    struct Case {
        std::uint32_t characteristics;
        DWORD protection;
    } cases[] = {
        {IMAGE_SCN_CNT_INITIALIZED_DATA, PAGE_NOACCESS},
        {IMAGE_SCN_MEM_WRITE, PAGE_WRITECOPY},
        {IMAGE_SCN_MEM_READ, PAGE_READONLY},
        {IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE, PAGE_READWRITE},
        {IMAGE_SCN_MEM_EXECUTE, PAGE_EXECUTE},
        {IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_WRITE, PAGE_EXECUTE_WRITECOPY},
        {IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ, PAGE_EXECUTE_READ},
        {IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE, PAGE_EXECUTE_READWRITE},
        {IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_NOT_CACHED, PAGE_READONLY | PAGE_NOCACHE},
        {IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_NOT_PAGED, PAGE_READONLY},
    };
    PeBuilder b;
    std::vector<std::uint32_t> rvas;
    for (const Case& c : cases)
        rvas.push_back(b.add_section(".s", c.characteristics, 0x200));
    ModulePtr m = map_image(b.build());
    ASSERT_TRUE(m);
    for (std::size_t i = 0; i < rvas.size(); ++i)
        EXPECT_EQ(zvk_winapi::query_page(m->code_base + rvas[i]).protection, cases[i].protection) << i;
}

TEST_F(Loader, SectionWithoutRawDataIsZeroedAndProtectedOverTheHeaderSize) {
    struct Case {
        const char* what;
        std::uint32_t characteristics;
        std::size_t size_field, other_field; // offsets in the optional header
    } cases[] = {
        {"initialised data", IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ,
         offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfInitializedData),
         offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfUninitializedData)},
        {"uninitialised data", IMAGE_SCN_CNT_UNINITIALIZED_DATA | IMAGE_SCN_MEM_READ,
         offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfUninitializedData),
         offsetof(IMAGE_OPTIONAL_HEADER64, SizeOfInitializedData)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PeBuilder b;
        std::uint32_t empty = b.add_section(".empty", c.characteristics, 0, 0x3000);
        std::string bytes = b.build();
        // Two of its three pages: the header's figure, not the section's virtual size, decides.
        PeBuilder::patch<DWORD>(bytes, PeBuilder::optional_header_offset + c.size_field, 0x2000);
        // The other figure would reach past the mapping: had it counted, nothing would be protected.
        PeBuilder::patch<DWORD>(bytes, PeBuilder::optional_header_offset + c.other_field, 0x9000);
        ModulePtr m = map_image(bytes);
        ASSERT_TRUE(m);
        EXPECT_EQ(zvk_winapi::query_page(m->code_base + empty).protection, DWORD(PAGE_READONLY));
        EXPECT_EQ(zvk_winapi::query_page(m->code_base + empty + 0x1FFF).protection, DWORD(PAGE_READONLY));
        EXPECT_EQ(zvk_winapi::query_page(m->code_base + empty + 0x2000).protection, DWORD(PAGE_READWRITE));
        for (std::uint32_t i = 0; i < 0x3000; ++i)
            ASSERT_EQ(m->code_base[empty + i], 0) << i;
    }
}

TEST_F(Loader, DiscardableSectionIsDecommittedAfterRelocation) {
    std::uint64_t preferred = free_base(0x10000);
    ValueImage image(preferred);
    std::string bytes = image.b.build();
    Blocker blocker(preferred, image.b.size_of_image());
    ModulePtr m = map_image(bytes);
    ASSERT_TRUE(m);
    std::uint32_t reloc = image.b.relocation_directory_rva();
    ASSERT_NE(reloc, 0u);
    EXPECT_TRUE(zvk_winapi::query_page(m->code_base + reloc).reserved);
    EXPECT_FALSE(zvk_winapi::query_page(m->code_base + reloc).committed);
    EXPECT_NE(IsBadReadPtr(m->code_base + reloc, 1), FALSE);
    // ... and was used before it went.
    EXPECT_EQ(read_at<std::uint64_t>(m->code_base + image.rdata),
              reinterpret_cast<std::uintptr_t>(m->code_base) + image.data);
}

TEST_F(Loader, DecommitSparesAPageThatAnotherSectionShares) {
    // A discardable section placed in the second half of the page that holds .data.
    PeBuilder b;
    std::uint32_t data = b.add_section(".data", PeBuilder::read_write_data, 0x200);
    b.add_section(".disc", IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_DISCARDABLE,
                  0x200);
    b.write_u32(data, kValue);
    std::string bytes = b.build();
    PeBuilder::patch<DWORD>(
        bytes, PeBuilder::section_header_offset(1) + offsetof(IMAGE_SECTION_HEADER, VirtualAddress),
        data + 0x800);
    ModulePtr m = map_image(bytes);
    ASSERT_TRUE(m);
    ASSERT_EQ(IsBadReadPtr(m->code_base + data, 4), FALSE);
    EXPECT_EQ(read_at<std::uint32_t>(m->code_base + data), kValue);
}

TEST_F(Loader, EntryPointIsCalledOnMapAndUnmap) {
    struct Case {
        const char* what;
        bool has_entry;
        BOOL result;
    } cases[] = {
        {"no entry point", false, TRUE},
        {"entry point accepting", true, TRUE},
        {"entry point refusing", true, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        entry_calls.clear();
        entry_result = c.result;
        PeBuilder b(free_base(0x10000));
        std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
        int add = b.import_by_name(test_library, "add_numbers");
        b.write(text, x64::jump_to(reinterpret_cast<void*>(recording_entry)));
        b.write(text + 0x20, x64::jump_through(text + 0x20, b.address_slot_rva(add)));
        b.add_export("call_add", text + 0x20);
        if (c.has_entry)
            b.set_entry_point(text);
        std::string bytes = b.build();
        void* preferred = reinterpret_cast<void*>(b.image_base());

        ModulePtr m = map_image(bytes);
        if (!c.result) {
            // Refused: the mapping and the imported library are released again, and the entry
            // point is not told to detach from an attach that failed.
            EXPECT_FALSE(m);
            ASSERT_EQ(entry_calls.size(), 1u);
            EXPECT_EQ(entry_calls[0].reason, DWORD(DLL_PROCESS_ATTACH));
            EXPECT_EQ(entry_calls[0].instance, preferred);
            EXPECT_FALSE(zvk_winapi::query_page(preferred).reserved);
            EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0);
            continue;
        }
        ASSERT_TRUE(m);
        EXPECT_EQ(m->initialized, c.has_entry ? 1 : 0);
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 1);
        if (c.has_entry) {
            ASSERT_EQ(entry_calls.size(), 1u);
            EXPECT_EQ(entry_calls[0].instance, m->code_base);
            EXPECT_EQ(entry_calls[0].reason, DWORD(DLL_PROCESS_ATTACH));
            EXPECT_EQ(entry_calls[0].reserved, nullptr);
        } else {
            EXPECT_TRUE(entry_calls.empty());
        }
        void* instance = m->code_base;
        m.reset();
        if (c.has_entry) {
            ASSERT_EQ(entry_calls.size(), 2u);
            EXPECT_EQ(entry_calls[1].instance, instance);
            EXPECT_EQ(entry_calls[1].reason, DWORD(DLL_PROCESS_DETACH));
        } else {
            EXPECT_TRUE(entry_calls.empty());
        }
        EXPECT_FALSE(zvk_winapi::query_page(instance).reserved);
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0);
    }
}

TEST_F(Loader, ImportsByNameAndOrdinalAreBoundAndReallyCalled) {
    for (bool lookup_in_address_table : {false, true}) {
        SCOPED_TRACE(lookup_in_address_table ? "names read from the address table" : "separate lookup table");
        PeBuilder b;
        std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
        int add = b.import_by_name(test_library, "add_numbers", 0);
        int times = b.import_by_ordinal("ZVK_LOADER_TEST", times_six_ordinal);
        b.set_lookup_in_address_table(lookup_in_address_table);
        b.write(text, x64::jump_through(text, b.address_slot_rva(add)));
        b.write(text + 0x10, x64::jump_through(text + 0x10, b.address_slot_rva(times)));
        b.add_export("call_add", text);
        b.add_export("call_times", text + 0x10);
        std::string bytes = b.build();
        // Only the low 16 bits of an ordinal entry are the ordinal.
        for (std::uint32_t entry : {b.lookup_entry_rva(times), b.address_slot_rva(times)})
            PeBuilder::patch<std::uint64_t>(bytes, b.file_offset(entry),
                                            IMAGE_ORDINAL_FLAG64 | 0x0000ABCD00010000ULL | times_six_ordinal);

        ModulePtr m = map_image(bytes);
        ASSERT_TRUE(m);
        // One descriptor per library name as written: two handles of the one library.
        ASSERT_EQ(m->dependency_count, 2);
        EXPECT_EQ(m->dependencies[0], m->dependencies[1]);
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 2);
        auto* call_add = export_function<long long ZVK_MS_ABI(long long, long long)>(m.get(), "call_add");
        auto* call_times = export_function<long long ZVK_MS_ABI(long long)>(m.get(), "call_times");
        ASSERT_NE(call_add, nullptr);
        ASSERT_NE(call_times, nullptr);
        EXPECT_EQ(call_add(40000000000LL, 2), 40000000002LL);
        EXPECT_EQ(call_times(7), 42);
    }
}

TEST_F(Loader, UnresolvableImportsRefuseTheImageAndReleaseWhatWasLoaded) {
    struct Case {
        const char* what;
        const char* second_library;
        const char* function; // null: by ordinal
        unsigned short ordinal;
    } cases[] = {
        {"a library that does not exist", "no_such_library.dll", "anything", 0},
        {"a function that does not exist", test_library, "no_such_function", 0},
        {"a function name in other case", test_library, "ADD_NUMBERS", 0},
        {"an ordinal that does not exist", test_library, nullptr, 99},
        {"an ordinal of 0", test_library, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        entry_calls.clear();
        PeBuilder b;
        std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
        b.import_by_name(test_library, "add_numbers"); // loaded first, must be released again
        if (c.function)
            b.import_by_name(c.second_library, c.function);
        else
            b.import_by_ordinal(c.second_library, c.ordinal);
        b.write(text, x64::jump_to(reinterpret_cast<void*>(recording_entry)));
        b.set_entry_point(text);
        EXPECT_FALSE(map_image(b.build()));
        EXPECT_TRUE(entry_calls.empty());
        EXPECT_EQ(zvk_winapi::library_reference_count(test_library), 0);
        EXPECT_EQ(zvk_winapi::reservation_count(), reservations);
    }
}

TEST_F(Loader, ExportsAreFoundByNameWithoutRegardToCase) {
    PeBuilder b;
    std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
    b.write(text, x64::return_value(4 | 8 | 16 | 64));
    b.write(text + 0x10, x64::return_value(1));
    b.add_export("get_used_screens", text);
    b.add_export("get_screen_properties", text + 0x10);
    ModulePtr m = map_image(b.build());
    ASSERT_TRUE(m);
    struct Case {
        const char* name;
        std::int64_t offset; // -1: not found
    } cases[] = {
        {"get_used_screens", 0}, {"GET_USED_SCREENS", 0},   {"Get_Screen_Properties", 0x10},
        {"get_used_screen", -1}, {"get_used_screens_", -1}, {"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* found = find_export(m.get(), c.name);
        EXPECT_EQ(found, c.offset < 0 ? nullptr : m->code_base + text + c.offset);
    }
    auto* screens = export_function<int ZVK_MS_ABI()>(m.get(), "GET_USED_SCREENS");
    EXPECT_EQ(screens(), 4 | 8 | 16 | 64);
    EXPECT_EQ(find_export(nullptr, "get_used_screens"), nullptr);
    EXPECT_EQ(find_export(m.get(), nullptr), nullptr);
}

TEST_F(Loader, ImageWithoutExportsFindsNothing) {
    PeBuilder b;
    b.add_section(".text", PeBuilder::code, 0x200);
    ModulePtr m = map_image(b.build());
    ASSERT_TRUE(m);
    for (const char* name : {"get_module_name", "get_module_interface", "x"})
        EXPECT_EQ(find_export(m.get(), name), nullptr) << name;
}

TEST_F(Loader, UnmapAcceptsNull) {
    unmap_module(nullptr);
}

TEST_F(Loader, SimpleModuleImageGivesItsName) {
    ModulePtr m = map_image(zvk_test::simple_module_image("Storage Test"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->initialized, 1);
    auto* name = export_function<const char * ZVK_MS_ABI()>(m.get(), "get_module_name");
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name(), "Storage Test");
}
