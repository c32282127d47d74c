// The packer: which images it refuses and why, the files it makes, and the zvk_pack program itself.
#include "container_fixtures.h"
#include "module_packer.h"
#include "pe_builder.h"
#include "test_support.h"
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace zvk_test;

namespace {

template <class T> void put(std::string& bytes, std::size_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof value);
}

// The headers of a 64-bit PE image and nothing else: all the packer looks at.
std::string minimal_pe() {
    std::string image(0x200, '\0');
    put<std::uint16_t>(image, 0, 0x5A4D);        // "MZ"
    put<std::uint32_t>(image, 0x3C, 0x40);       // e_lfanew
    put<std::uint32_t>(image, 0x40, 0x00004550); // "PE\0\0"
    put<std::uint16_t>(image, 0x44, 0x8664);     // Machine: x86-64
    put<std::uint16_t>(image, 0x44 + 16, 240);   // SizeOfOptionalHeader
    put<std::uint16_t>(image, 0x58, 0x20B);      // Magic: PE32+
    return image;
}

std::string with_u32(std::string image, std::size_t offset, std::uint32_t value) {
    put(image, offset, value);
    return image;
}

TEST(ModulePacker, PacksDigestThenImageEncryptedWithTheModuleKey) {
    const std::string image = minimal_pe();
    std::string file, problem;
    ASSERT_TRUE(module_packer::pack_module(image, file, problem)) << problem;
    EXPECT_TRUE(problem.empty());
    EXPECT_TRUE(file == module_file_of(image));

    // And the host's own steps turn it back into the image.
    ASSERT_TRUE(SecureLibrary::decrypt_image(file));
    ASSERT_TRUE(SecureLibrary::verify_digest(file));
    EXPECT_TRUE(file == image);
}

TEST(ModulePacker, RefusesWhatIsNoPackable64BitImageAndSaysWhy) {
    const std::string good = minimal_pe();
    const std::string ends_in_headers = good.substr(0, 0x44);
    const struct {
        const char* what;
        std::string image;
        const char* reason; // part of the problem text
    } cases[] = {
        {"an empty file", "", "no DOS signature"},
        {"text", "just some text, long enough to have an e_lfanew field somewhere in it...",
         "no DOS signature"},
        {"the DOS signature alone", "MZ", "too short for a DOS header"},
        {"e_lfanew beyond the end", with_u32(good, 0x3C, 0x200), "beyond the end"},
        {"e_lfanew three bytes before the end", with_u32(good, 0x3C, 0x1FD), "beyond the end"},
        {"e_lfanew that wraps a 32-bit sum", with_u32(good, 0x3C, 0xFFFFFFFE), "beyond the end"},
        {"no PE signature", with_u32(good, 0x40, 0x00004551), "no \"PE\\0\\0\" signature"},
        {"file ends after the PE signature", ends_in_headers, "ends inside the PE headers"},
        {"a 32-bit (PE32) image", with_u32(good, 0x58, 0x10B), "not a 64-bit"},
        // A valid image whose digest happens to begin with "MZ": the host would take the file for an
        // unpacked image, so the packer must not make it.
        {"an image whose digest begins with MZ", bytes_whose_digest_starts_with_mz(good, whirlpool_of),
         "digest begins with \"MZ\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = "untouched", problem;
        EXPECT_FALSE(module_packer::pack_module(c.image, file, problem));
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        EXPECT_EQ(file, "untouched");
    }
}

// zvk_pack as the build calls it: zvk_pack <bare.dll> <output-file>.
class ZvkPackProgram : public ::testing::Test {
protected:
    struct Run {
        int exit_code;
        QString errors;
    };
    void SetUp() override {
        program = qEnvironmentVariable("ZVK_PACK");
        ASSERT_TRUE(QFileInfo(program).isExecutable()) << "ZVK_PACK: " << program.toStdString();
        dir = fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    Run run(const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
    QString path(const char* name) const { return dir + "/" + name; }
    QString program, dir;
};

TEST_F(ZvkPackProgram, MakesAModuleFileTheHostLoads) {
    const std::string image = simple_module_image("Packed");
    ASSERT_TRUE(write_file(path("bare.dll"), image));
    const Run r = run({path("bare.dll"), path("diag_packed.dll")});
    EXPECT_EQ(r.exit_code, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.toStdString();
    EXPECT_TRUE(read_file(path("diag_packed.dll")) == module_file_of(image));

    SecureLibrary library;
    ASSERT_TRUE(library.load(path("diag_packed.dll").toStdString()));
    using GetModuleName = const char* ZVK_MS_ABI();
    auto* get_module_name = reinterpret_cast<GetModuleName*>(library.resolve("get_module_name"));
    ASSERT_NE(get_module_name, nullptr);
    EXPECT_STREQ(get_module_name(), "Packed");
}

TEST_F(ZvkPackProgram, FailsWithAReasonAndWritesNothing) {
    ASSERT_TRUE(write_file(path("text.dll"), "not an image"));
    ASSERT_TRUE(write_file(path("bare.dll"), minimal_pe()));
    ASSERT_TRUE(QDir(dir).mkdir("a_folder"));
    const struct {
        const char* what;
        QStringList arguments;
        int exit_code;
        const char* says;
        const char* output; // must not exist afterwards
    } cases[] = {
        {"no PE image", {path("text.dll"), path("diag_text.dll")}, 1, "no DOS signature", "diag_text.dll"},
        {"missing input",
         {path("missing.dll"), path("diag_missing.dll")},
         1,
         "cannot be read",
         "diag_missing.dll"},
        {"output cannot be written", {path("bare.dll"), path("a_folder")}, 1, "cannot be written", nullptr},
        {"no arguments", {}, 2, "usage: zvk_pack <bare.dll> <output-file>", nullptr},
        {"one argument", {path("bare.dll")}, 2, "usage:", nullptr},
        {"three arguments",
         {path("bare.dll"), path("diag_a.dll"), path("diag_b.dll")},
         2,
         "usage:",
         "diag_a.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run r = run(c.arguments);
        EXPECT_EQ(r.exit_code, c.exit_code);
        EXPECT_TRUE(r.errors.contains(c.says)) << r.errors.toStdString();
        if (c.output) {
            EXPECT_FALSE(QFileInfo::exists(path(c.output)));
        }
    }
}

} // namespace
