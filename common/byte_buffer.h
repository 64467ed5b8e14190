// The byte buffer that holds a loaded file, and the read loop that fills it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

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
    // The same, nullopt when the memory cannot be had.
    static std::optional<ByteBuffer> TryForOverwrite(std::uint64_t size);
    static ByteBuffer Copy(const void* data, std::uint64_t size);
    // Takes over `size` bytes at `data`, which `release` gives back when the buffer goes.
    static ByteBuffer Adopt(std::uint8_t* data, std::uint64_t size, Release release);

    const std::uint8_t* data() const { return data_.get(); }
    std::uint8_t* data() { return data_.get(); }
    std::uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Keeps the first `size` bytes (no more than it holds); the storage stays as it is.
    void ShrinkTo(std::uint64_t size) { size_ = size < size_ ? size : size_; }

private:
    struct Releaser {  // value-initialised: storage from new[]
        Release release;
        std::uint64_t size;
        void operator()(std::uint8_t* data) const;
    };
    std::unique_ptr<std::uint8_t[], Releaser> data_;
    std::uint64_t size_ = 0;
};

// The read loop of the Files implementations. Reads until a read reports the end,
// starting with storage for the `reported` size and growing it while the file goes on.
// `allocate(size)` gives storage for that many bytes (nullopt when memory cannot be had);
// `read(out, max)` reads up to `max` bytes into `out` and returns how many, 0 at the end
// of the file, or a negative number on failure. nullopt when a read fails or memory runs out.
using AllocateBytes = std::function<std::optional<ByteBuffer>(std::uint64_t size)>;
using ReadBytes = std::function<std::int64_t(std::uint8_t* out, std::uint64_t max)>;
std::optional<ByteBuffer> ReadToEnd(std::uint64_t reported, const AllocateBytes& allocate,
                                    const ReadBytes& read);

}  // namespace ks
