// The module file container: the digest check on decrypted data, and SecureLibrary::load over files
// that must be refused.
#include "container_fixtures.h"
#include "secure_library.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>
#include <system_error>

using namespace zvk_test;

namespace {

// Stands in for a bare DLL where only its first bytes matter: the DOS signature and some body.
std::string dll_like_bytes() {
    std::string bytes = "MZ";
    for (int i = 0; bytes.size() < 1024; ++i)
        bytes += char(i * 7);
    return bytes;
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
    const std::string image = dll_like_bytes();
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
    const std::string image = dll_like_bytes();
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
        dir = fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string file_with(const std::string& name, const std::string& bytes) {
        const QString path = dir + "/" + QString::fromStdString(name);
        EXPECT_TRUE(write_file(path, bytes));
        return path.toStdString();
    }
    static void expect_refused(const std::string& path) {
        SecureLibrary library;
        EXPECT_FALSE(library.load(path));
        EXPECT_FALSE(library.is_loaded());
        EXPECT_EQ(library.resolve("get_module_name"), nullptr);
    }
    QString dir;
};

TEST_F(SecureLibraryLoad, RefusesFilesWithoutAValidContainer) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"an empty file", ""},
        {"a plain, unencrypted DLL", dll_like_bytes()},
        {"a plain DLL behind its own correct digest, unencrypted", digest_and_image(dll_like_bytes())},
        {"an encrypted bare DLL without digest", encrypt_module_bytes(dll_like_bytes())},
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
    ASSERT_TRUE(QDir(dir).mkdir("diag_folder.dll"));
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"a missing file", (dir + "/diag_missing.dll").toStdString()},
        {"an empty path", ""},
        {"a folder", (dir + "/diag_folder.dll").toStdString()},
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

} // namespace
