// The module file container: the digest check on decrypted data, and SecureLibrary::load over files
// that must be refused.
#include "container_fixtures.h"
#include "pe_builder.h"
#include "secure_library.h"
#include "test_files.h"
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

using namespace zvk_test;

namespace {

const std::string& sample_dll() {
    static const std::string image = simple_module_image("Sample");
    return image;
}

struct DigestCase {
    const char* what;
    std::string data;
    bool accepted;
    std::string image_after; // what the string holds after an accepted check
};

std::string with_byte_flipped(std::string bytes, std::size_t at) {
    bytes[at] = char(bytes[at] ^ 0x01);
    return bytes;
}

TEST(SecureLibrary, VerifyDigestChecksTheWhirlpoolDigestOfTheRest) {
    const std::string image = sample_dll();
    const std::string good = digest_and_image(image);
    const std::string mz_image = bytes_whose_digest_starts_with_mz("image", whirlpool_of);
    const DigestCase cases[] = {
        {"digest then image", good, true, image},
        {"digest of nothing, alone", whirlpool_of(""), true, ""},
        {"nothing", "", false, ""},
        {"one byte", "M", false, ""},
        {"the two letters M and Z", "MZ", false, ""},
        {"63 bytes", good.substr(0, 63), false, ""},
        {"first digest byte changed", with_byte_flipped(good, 0), false, ""},
        {"last digest byte changed", with_byte_flipped(good, 63), false, ""},
        {"first image byte changed", with_byte_flipped(good, 64), false, ""},
        {"last image byte changed", with_byte_flipped(good, good.size() - 1), false, ""},
        {"image cut short by one byte", good.substr(0, good.size() - 1), false, ""},
        {"a SHA-512 digest in its place", sha512_of(image) + image, false, ""},
        {"a bare image without digest", image, false, ""},
        // A correct digest that happens to start with M and Z: refused, it looks like a bare image.
        {"a correct digest beginning with MZ", digest_and_image(mz_image), false, ""},
    };
    for (const DigestCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string data = c.data;
        EXPECT_EQ(SecureLibrary::verify_digest(data), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(data, c.image_after);
        }
    }
}

TEST(SecureLibrary, VerifyDigestSha512ChecksTheSha512DigestAndKnowsNoMzRefusal) {
    const std::string image = sample_dll();
    const std::string good = sha512_of(image) + image;
    const std::string mz_image = bytes_whose_digest_starts_with_mz("image", sha512_of);
    const DigestCase cases[] = {
        {"digest then image", good, true, image},
        {"a correct digest beginning with MZ", sha512_of(mz_image) + mz_image, true, mz_image},
        {"63 bytes", good.substr(0, 63), false, ""},
        {"image byte changed", with_byte_flipped(good, 100), false, ""},
        {"a Whirlpool digest in its place", digest_and_image(image), false, ""},
    };
    for (const DigestCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string data = c.data;
        EXPECT_EQ(SecureLibrary::verify_digest_sha512(data), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(data, c.image_after);
        }
    }
}

class SecureLibraryLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fresh_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string file_with(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(write_bytes(path, bytes));
        return path;
    }
    static void expect_refused(const std::string& path) {
        SecureLibrary library;
        EXPECT_FALSE(library.load(path));
        EXPECT_FALSE(library.is_loaded());
        EXPECT_EQ(library.resolve("get_module_name"), nullptr);
    }
    std::string dir;
};

TEST_F(SecureLibraryLoad, RefusesFilesWithoutAValidContainer) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"an empty file", ""},
        {"a plain, unencrypted DLL", sample_dll()},
        {"a plain DLL behind its own correct digest, unencrypted", digest_and_image(sample_dll())},
        {"an encrypted bare DLL without digest", encrypt_module_bytes(sample_dll())},
        {"a container whose image is no library", module_file_of("not a library image, just text")},
        {"a container of an empty image", module_file_of("")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_refused(file_with("diag_case.dll", c.bytes));
    }
}

TEST_F(SecureLibraryLoad, RefusesFilesThatCannotBeOpenedOrRead) {
    const std::string plain = file_with("plain.dll", "text");
    // Tests run as root, who may open any file: a folder opens but cannot be read, and a path that
    // runs through a plain file cannot be opened at all.
    ASSERT_TRUE(std::filesystem::create_directory(dir + "/diag_folder.dll"));
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"a missing file", dir + "/diag_missing.dll"},
        {"an empty path", ""},
        {"a folder", dir + "/diag_folder.dll"},
        {"a path through a plain file", plain + "/diag_x.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expect_refused(c.path);
        std::string bytes = "unchanged";
        EXPECT_FALSE(SecureLibrary::read_file(c.path, bytes));
        EXPECT_EQ(bytes, "unchanged");
    }
}

TEST_F(SecureLibraryLoad, ReadsTheWholeFileAsRawBytes) {
    // Longer than one read step, with every byte value, line ends and NULs among them.
    std::string bytes;
    for (std::size_t i = 0; i < (std::size_t(3) << 20) + 7; ++i)
        bytes += char((i * 131) >> 3);
    bytes += "\r\n\x1a\n";
    std::string read;
    ASSERT_TRUE(SecureLibrary::read_file(file_with("big.bin", bytes), read));
    EXPECT_EQ(read.size(), bytes.size());
    EXPECT_TRUE(read == bytes);

    ASSERT_TRUE(SecureLibrary::read_file(file_with("empty.bin", ""), read));
    EXPECT_TRUE(read.empty());
}

TEST_F(SecureLibraryLoad, RefusesAFileLargerThanTheLimit) {
    const std::string path = file_with("diag_huge.dll", "");
    std::error_code error;
    // A sparse file: it takes no disk space.
    std::filesystem::resize_file(path, SecureLibrary::max_file_size + 1, error);
    ASSERT_FALSE(error) << error.message();
    std::string bytes = "unchanged";
    EXPECT_FALSE(SecureLibrary::read_file(path, bytes));
    EXPECT_EQ(bytes, "unchanged");
    expect_refused(path);
}

// Entry point for images to jump to: records the reason of every call.
std::vector<DWORD> entry_reasons;
BOOL ZVK_MS_ABI recording_entry(HINSTANCE, DWORD reason, LPVOID) {
    entry_reasons.push_back(reason);
    return TRUE;
}

// The sample module, with an entry point that records its calls.
std::string recording_dll(const std::string& name) {
    PeBuilder b;
    const std::uint32_t text = b.add_section(".text", PeBuilder::code, 0x200);
    const std::uint32_t rdata = b.add_section(".rdata", PeBuilder::read_only_data, 0x200);
    b.write(rdata, name.c_str(), name.size() + 1);
    b.write(text, x64::return_address(text, rdata));
    b.add_export("get_module_name", text);
    b.write(text + 0x10, x64::jump_to(reinterpret_cast<const void*>(&recording_entry)));
    b.set_entry_point(text + 0x10);
    return b.build();
}

const char* module_name_of(const SecureLibrary& library) {
    using GetModuleName = const char* ZVK_MS_ABI();
    auto* get_module_name = reinterpret_cast<GetModuleName*>(library.resolve("get_module_name"));
    return get_module_name ? get_module_name() : nullptr;
}

TEST_F(SecureLibraryLoad, LoadsACorrectContainerAndFindsItsExports) {
    SecureLibrary library;
    ASSERT_TRUE(library.load(file_with("diag_sample.dll", module_file_of(sample_dll()))));
    EXPECT_TRUE(library.is_loaded());
    EXPECT_NE(library.resolve("get_module_name"), nullptr);
    EXPECT_STREQ(module_name_of(library), "Sample");
    EXPECT_EQ(library.resolve("get_module_interface"), nullptr);
}

TEST_F(SecureLibraryLoad, TheModuleStaysMappedForTheObjectsLifeAndGoesWithIt) {
    entry_reasons.clear();
    const std::string path = file_with("diag_recording.dll", module_file_of(recording_dll("Recording")));
    {
        SecureLibrary library;
        ASSERT_TRUE(library.load(path));
        EXPECT_EQ(entry_reasons, std::vector<DWORD>{DLL_PROCESS_ATTACH});
        EXPECT_STREQ(module_name_of(library), "Recording");
    }
    EXPECT_EQ(entry_reasons, (std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH}));
}

// One object, one module: loading again first lets go of the module loaded before.
TEST_F(SecureLibraryLoad, ASecondLoadReleasesTheFirstModule) {
    entry_reasons.clear();
    const std::string first = file_with("diag_first.dll", module_file_of(recording_dll("First")));
    const std::string second = file_with("diag_second.dll", module_file_of(recording_dll("Second")));
    SecureLibrary library;
    ASSERT_TRUE(library.load(first));
    ASSERT_TRUE(library.load(second));
    EXPECT_STREQ(module_name_of(library), "Second");
    EXPECT_EQ(entry_reasons,
              (std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH}));
    EXPECT_FALSE(library.load(file_with("diag_empty.dll", "")));
    EXPECT_FALSE(library.is_loaded());
    EXPECT_EQ(library.resolve("get_module_name"), nullptr);
    EXPECT_EQ(entry_reasons.size(), 4u);
}

TEST_F(SecureLibraryLoad, RefusesACorrectContainerWhoseImageTheLoaderRefuses) {
    std::string no_pe_signature = sample_dll();
    PeBuilder::patch<std::uint32_t>(no_pe_signature, PeBuilder::nt_headers_offset, 0x00004551);
    std::string headers_beyond_the_end = sample_dll();
    PeBuilder::patch<std::uint32_t>(headers_beyond_the_end, 0x3C,
                                    std::uint32_t(headers_beyond_the_end.size()));
    std::string section_beyond_the_end = sample_dll();
    // PointerToRawData of the first section, far past the end of the image.
    PeBuilder::patch<std::uint32_t>(section_beyond_the_end, PeBuilder::section_header_offset(0) + 20,
                                    0x7FFFFF00);

    PeBuilder refusing;
    const std::uint32_t text = refusing.add_section(".text", PeBuilder::code, 0x200);
    refusing.write(text, x64::return_value(FALSE));
    refusing.set_entry_point(text);

    PeBuilder missing_import;
    missing_import.add_section(".text", PeBuilder::code, 0x200);
    missing_import.import_by_name("zvk_no_such_library.dll", "anything");

    const struct {
        const char* what;
        std::string image;
    } cases[] = {
        {"no PE signature", no_pe_signature},
        {"NT headers beyond the end", headers_beyond_the_end},
        {"section data beyond the end", section_beyond_the_end},
        {"entry point answers FALSE", refusing.build()},
        {"import from a missing library", missing_import.build()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string checked = digest_and_image(c.image);
        ASSERT_TRUE(SecureLibrary::verify_digest(checked)); // the container itself is correct
        expect_refused(file_with("diag_damaged.dll", module_file_of(c.image)));
    }
}

// CFB carries a change on into the next block, so wherever a byte of the file changes the digest or
// the image no longer matches.
TEST_F(SecureLibraryLoad, RefusesAContainerWithAnyOneByteChanged) {
    const std::string good = module_file_of(sample_dll());
    ASSERT_TRUE(SecureLibrary().load(file_with("diag_good.dll", good)));
    const std::size_t n = good.size();
    const struct {
        const char* what;
        std::size_t at;
    } positions[] = {
        {"first byte", 0},           {"second byte", 1},
        {"inside the digest", 40},   {"last digest byte", 63},
        {"first image byte", 64},    {"e_lfanew", 64 + 0x3C},
        {"inside the image", n / 2}, {"start of the last block", n - 16},
        {"last byte", n - 1},
    };
    for (const auto& p : positions) {
        for (unsigned char mask : {0x01, 0x80, 0xFF}) {
            SCOPED_TRACE(std::string(p.what) + " ^ " + std::to_string(mask));
            std::string changed = good;
            changed[p.at] = char(changed[p.at] ^ mask);
            expect_refused(file_with("diag_changed.dll", changed));
        }
    }
}

} // namespace
