#pragma once
// Reads from a block of bytes whose length is known but whose content is not trusted (a PE image,
// its mapping). Offsets and counts are widened to 64 bits before anything is added, values are
// copied out with memcpy (no alignment assumed), and a read past the end is a failed result, never
// a read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

class BoundedBytes {
public:
    BoundedBytes(const void* data, std::size_t size)
        : bytes(static_cast<const unsigned char*>(data)), length(size) {}

    std::size_t size() const { return length; }

    // Whether [offset, offset + count) lies inside the block.
    bool contains(std::uint64_t offset, std::uint64_t count) const {
        return offset <= length && count <= length - offset;
    }

    template <class T> std::optional<T> read(std::uint64_t offset) const {
        static_assert(std::is_trivially_copyable<T>::value, "plain data only");
        if (!contains(offset, sizeof(T)))
            return std::nullopt;
        T value;
        std::memcpy(&value, bytes + offset, sizeof(T));
        return value;
    }

    // The NUL-terminated text at `offset`, or null when its NUL is not inside the block.
    const char* c_string(std::uint64_t offset) const {
        if (offset >= length)
            return nullptr;
        const void* nul = std::memchr(bytes + offset, 0, length - std::size_t(offset));
        return nul ? reinterpret_cast<const char*>(bytes + offset) : nullptr;
    }

    // Address of `offset`; only for ranges that `contains` accepted.
    const unsigned char* at(std::uint64_t offset) const { return bytes + offset; }

private:
    const unsigned char* bytes;
    std::size_t length;
};

// The same for a block the caller may also write to.
class BoundedMutableBytes : public BoundedBytes {
public:
    BoundedMutableBytes(void* data, std::size_t size)
        : BoundedBytes(data, size), writable(static_cast<unsigned char*>(data)) {}

    template <class T> bool write(std::uint64_t offset, const T& value) const {
        static_assert(std::is_trivially_copyable<T>::value, "plain data only");
        if (!contains(offset, sizeof(T)))
            return false;
        std::memcpy(writable + offset, &value, sizeof(T));
        return true;
    }

    unsigned char* at(std::uint64_t offset) const { return writable + offset; }

private:
    unsigned char* writable;
};
