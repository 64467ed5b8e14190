// Reading a whole file into memory, and the byte buffer that holds it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ks {

// Bytes exactly as read, with their count. Move-only: the program holds one copy.
class ByteBuffer {
public:
    // Gives back storage that a platform allocated itself.
    using Release = void (*)(std::uint8_t* data, std::uint64_t size);

    ByteBuffer() = default;
    // Storage for `size` bytes, not initialised: the reader fills every one of them.
    // Throws std::bad_alloc when the memory cannot be had.
    static ByteBuffer ForOverwrite(std::uint64_t size);
    static ByteBuffer Copy(const void* data, std::uint64_t size);
    // Takes over `size` bytes at `data`, which `release` gives back when the buffer goes.
    static ByteBuffer Adopt(std::uint8_t* data, std::uint64_t size, Release release);

    const std::uint8_t* data() const { return data_.get(); }
    std::uint8_t* data() { return data_.get(); }
    std::uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    struct Releaser {  // value-initialised: storage from new[]
        Release release;
        std::uint64_t size;
        void operator()(std::uint8_t* data) const;
    };
    std::unique_ptr<std::uint8_t[], Releaser> data_;
    std::uint64_t size_ = 0;
};

class Files {
public:
    virtual ~Files() = default;

    // Reads the regular file at `path` whole. Never creates, changes or locks the
    // file, and never blocks on a pipe or device. nullopt when the path names no
    // readable regular file, when it cannot be read in full, or when memory for it
    // cannot be had.
    virtual std::optional<ByteBuffer> ReadAll(const std::wstring& path) = 0;
};

}  // namespace ks
