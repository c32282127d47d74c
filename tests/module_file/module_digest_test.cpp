// The digests with their published test vectors (the Whirlpool authors' set; FIPS 180-2 for SHA-512).
#include "hex_text.h"
#include "module_digest.h"

#include <gtest/gtest.h>

using zvk_test::to_hex;

namespace {

std::string whirlpool(const std::string& text) {
    return to_hex(module_digest::whirlpool(text.data(), text.size()));
}

std::string repeat(const std::string& text, int times) {
    std::string all;
    while (times-- > 0)
        all += text;
    return all;
}

TEST(ModuleDigest, WhirlpoolKnownAnswers) {
    struct Case {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "19fa61d75522a4669b44e39c1d2e1726c530232130d407f89afee0964997f7a7"
             "3e83be698b288febcf88e3e03c4f0757ea8964e59b63d93708b138cc42a66eb3"},
        {"a", "8aca2602792aec6f11a67206531fb7d7f0dff59413145e6973c45001d0087b42"
              "d11bc645413aeff63a42391a39145a591a92200d560195e53b478584fdae231a"},
        {"abc", "4e2448a4c6f486bb16b6562c73b4020bf3043e3a731bce721ae1b303d97e6d4c"
                "7181eebdb6c57e277d0e34957114cbd6c797fc9d95d8b582d225292076d4eef5"},
        {"message digest", "378c84a4126e2dc6e56dcc7458377aac838d00032230f53ce1f5700c0ffb4d3b"
                           "8421557659ef55c106b4b52ac5a4aaa692ed920052838f3362e86dbd37a8903e"},
        {"abcdefghijklmnopqrstuvwxyz", "f1d754662636ffe92c82ebb9212a484a8d38631ead4238f5442ee13b8054e41b"
                                       "08bf2a9251c30b6a0b8aae86177ab4a6f68f673e7207865d5d9819a3dba4eb3b"},
        {repeat("1234567890", 8), "466ef18babb0154d25b9d38a6414f5c08784372bccb204d6549c4afadb601429"
                                  "4d5bd8df2a6c44e538cd047b2681a51a2c60481e88c5a20b2c2a80cf3a9a083b"},
        {std::string(1000000, 'a'), "0c99005beb57eff50a7cf005560ddf5d29057fd86b20bfd62deca0f1ccea4af5"
                                    "1fc15490eddc47af32bb2b66c34ff9ad8c6008ad677f77126953b226e4ed8b01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 30));
        EXPECT_EQ(whirlpool(c.input), c.digest);
    }
}

TEST(ModuleDigest, Sha512KnownAnswer) {
    EXPECT_EQ(to_hex(module_digest::sha512("abc", 3)),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
              "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
}

} // namespace
