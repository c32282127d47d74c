#pragma once
// The digests a module file can carry over its library image: 64 bytes each.
#include <cstddef>
#include <string>

namespace module_digest {

constexpr std::size_t size = 64;

// The full 512-bit Whirlpool digest of `length` bytes at `data`.
std::string whirlpool(const void* data, std::size_t length);
// The SHA-512 digest of the same.
std::string sha512(const void* data, std::size_t length);

} // namespace module_digest
