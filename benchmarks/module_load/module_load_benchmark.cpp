// Times SecureLibrary::load on a module file of about 4 MB, stage by stage:
// read, decrypt, digest, map. Each stage is the very function load calls, run
// in the same order on the same data; the whole load is timed as well, and the
// two cryptographic passes alone (the AES pass without the copy load makes, the
// Whirlpool pass without the check around it) serve as the yardstick for what
// the stages around them add.
//
//   module_load_benchmark [rounds]
#include "aes_cipher.h"
#include "module_digest.h"
#include "module_loader.h"
#include "module_packer.h"
#include "pe_builder.h"
#include "secure_library.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A mappable DLL image of about `size` bytes: the small module of the tests
// plus a data section of noise, which the loader copies like any other section.
std::string large_module_image(std::size_t size) {
    zvk_test::PeBuilder b;
    const std::uint32_t text = b.add_section(".text", zvk_test::PeBuilder::code, 0x200);
    const std::uint32_t rdata = b.add_section(".rdata", zvk_test::PeBuilder::read_only_data, 0x200);
    const std::uint32_t data_size = std::uint32_t(size / 0x200 * 0x200);
    const std::uint32_t data = b.add_section(".data", zvk_test::PeBuilder::read_write_data, data_size);
    const char name[] = "Benchmark";
    b.write(rdata, name, sizeof name);
    b.write(text, zvk_test::x64::return_address(text, rdata));
    b.add_export("get_module_name", text);
    b.write(text + 0x10, zvk_test::x64::return_value(1));
    b.set_entry_point(text + 0x10);
    std::mt19937_64 noise(42);
    std::vector<std::uint64_t> words(data_size / 8);
    for (auto& w : words)
        w = noise();
    b.write(data, words.data(), words.size() * 8);
    return b.build();
}

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "module_load_benchmark: %s\n", what);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
    constexpr int warm_up = 3;

    const std::string image = large_module_image(std::size_t(4) << 20);
    std::string module_file, problem;
    if (!module_packer::pack_module(image, module_file, problem))
        fail(problem.c_str());
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("zvk_module_load_benchmark_" + std::to_string(std::random_device{}()) + ".dll");
    if (std::FILE* f = std::fopen(path.string().c_str(), "wb")) {
        const bool ok = std::fwrite(module_file.data(), 1, module_file.size(), f) == module_file.size();
        if (std::fclose(f) != 0 || !ok)
            fail("cannot write the module file");
    } else {
        fail("cannot create the module file");
    }
    const double mb = double(module_file.size()) / 1e6;

    enum { read, decrypt, digest, map, staged, whole, aes_pass, whirlpool_pass, unmap, count };
    std::vector<double> t[count];
    double cold_load = 0;
    for (int round = 0; round < warm_up + rounds; ++round) {
        double s[count] = {};
        // The stages, exactly as load runs them.
        std::string bytes;
        Clock::time_point start = Clock::now();
        if (!SecureLibrary::read_file(path.string(), bytes))
            fail("read failed");
        s[read] = ms_since(start);
        start = Clock::now();
        if (!SecureLibrary::decrypt_image(bytes))
            fail("decrypt failed");
        s[decrypt] = ms_since(start);
        start = Clock::now();
        if (!SecureLibrary::verify_digest(bytes))
            fail("digest check failed");
        s[digest] = ms_since(start);
        start = Clock::now();
        MappedModule* module = map_module(bytes.data(), bytes.size());
        s[map] = ms_since(start);
        if (!module || !find_export(module, "get_module_name"))
            fail("map failed");
        start = Clock::now();
        unmap_module(module);
        s[unmap] = ms_since(start);
        s[staged] = s[read] + s[decrypt] + s[digest] + s[map];

        // The whole load, unmapping left out (that is the destructor's).
        {
            SecureLibrary library;
            start = Clock::now();
            if (!library.load(path.string()))
                fail("load failed");
            s[whole] = ms_since(start);
        }

        // The two passes alone, over data already in memory.
        std::string data = module_file;
        AesCipher cipher;
        cipher.set_key(SecureLibrary::file_key);
        cipher.set_iv(SecureLibrary::file_iv);
        start = Clock::now();
        data = cipher.decrypt(std::move(data)); // moved in: no copy, the pass runs in place
        s[aes_pass] = ms_since(start);
        start = Clock::now();
        const std::string d =
            module_digest::whirlpool(data.data() + module_digest::size, data.size() - module_digest::size);
        s[whirlpool_pass] = ms_since(start);
        if (d.compare(0, module_digest::size, data, 0, module_digest::size) != 0)
            fail("the passes alone disagree with the file");

        if (round == 0)
            cold_load = s[whole];
        if (round >= warm_up)
            for (int i = 0; i < count; ++i)
                t[i].push_back(s[i]);
    }
    std::filesystem::remove(path);

    double m[count];
    for (int i = 0; i < count; ++i)
        m[i] = median(t[i]);

    std::printf("SecureLibrary::load, module file of %.2f MB (%zu bytes), median "
                "of %d rounds\n\n",
                mb, module_file.size(), rounds);
    std::printf("%-10s %10s %10s %8s\n", "stage", "ms", "MB/s", "share");
    const struct {
        const char* name;
        int index;
    } stages[] = {{"read", read}, {"decrypt", decrypt}, {"digest", digest}, {"map", map}};
    for (const auto& st : stages)
        std::printf("%-10s %10.3f %10.1f %7.1f%%\n", st.name, m[st.index], mb / (m[st.index] / 1e3),
                    100.0 * m[st.index] / m[staged]);
    std::printf("%-10s %10.3f %10.1f\n", "sum", m[staged], mb / (m[staged] / 1e3));
    std::printf("%-10s %10.3f %10.1f   (SecureLibrary::load in one call)\n", "load", m[whole],
                mb / (m[whole] / 1e3));
    std::printf("%-10s %10.3f             (destructor, not part of load)\n\n", "unmap", m[unmap]);

    const double passes = m[aes_pass] + m[whirlpool_pass];
    std::printf(
        "cryptographic passes alone: AES-128-CFB %.3f ms (%.1f MB/s), Whirlpool %.3f ms (%.1f MB/s)\n",
        m[aes_pass], mb / (m[aes_pass] / 1e3), m[whirlpool_pass], mb / (m[whirlpool_pass] / 1e3));
    const double added = m[whole] - passes;
    std::printf("load adds %.3f ms to the passes: %.1f%% (goal: at most 10%%)\n", added,
                100.0 * added / passes);
    std::printf("first round's load (heap and caches not yet warm): %.3f ms\n", cold_load);
    return 0;
}
