#include "module_digest.h"

#include <cryptopp/sha.h>
#include <cryptopp/whrlpool.h>

namespace {

template <class Hash> std::string digest_of(const void* data, std::size_t length) {
    static_assert(Hash::DIGESTSIZE == module_digest::size, "module digests are 64 bytes");
    std::string digest(Hash::DIGESTSIZE, '\0');
    Hash hash;
    hash.CalculateDigest(reinterpret_cast<CryptoPP::byte*>(&digest[0]),
                         static_cast<const CryptoPP::byte*>(data), length);
    return digest;
}

} // namespace

namespace module_digest {

std::string whirlpool(const void* data, std::size_t length) {
    return digest_of<CryptoPP::Whirlpool>(data, length);
}
std::string sha512(const void* data, std::size_t length) {
    return digest_of<CryptoPP::SHA512>(data, length);
}

} // namespace module_digest
