// The byte buffer that holds a loaded file.
#include "common/byte_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

namespace ks {

void ByteBuffer::Releaser::operator()(std::uint8_t* data) const {
    if (release)
        release(data, size);
    else
        delete[] data;
}

ByteBuffer ByteBuffer::ForOverwrite(std::uint64_t size) {
    ByteBuffer b;
    if (size > SIZE_MAX)
        throw std::bad_alloc();  // more than this process can address
    if (size > 0)
        b.data_.reset(new std::uint8_t[static_cast<size_t>(size)]);  // left uninitialised
    b.size_ = size;
    return b;
}

std::optional<ByteBuffer> ByteBuffer::TryForOverwrite(std::uint64_t size) {
    try {
        return ForOverwrite(size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

ByteBuffer ByteBuffer::Adopt(std::uint8_t* data, std::uint64_t size, Release release) {
    ByteBuffer b;
    b.data_ = std::unique_ptr<std::uint8_t[], Releaser>(data, Releaser{release, size});
    b.size_ = size;
    return b;
}

ByteBuffer ByteBuffer::Copy(const void* data, std::uint64_t size) {
    ByteBuffer b = ForOverwrite(size);
    if (size > 0)
        std::memcpy(b.data(), data, static_cast<size_t>(size));
    return b;
}

namespace {

// Past the reported size, one read of this many bytes tells whether the file goes on,
// and the storage then grows by at least this much.
constexpr std::uint64_t kProbe = 64 * 1024;

}  // namespace

std::optional<ByteBuffer> ReadToEnd(std::uint64_t reported, const AllocateBytes& allocate,
                                    const ReadBytes& read) {
    std::optional<ByteBuffer> buffer = allocate(reported);
    if (!buffer)
        return std::nullopt;
    std::uint64_t done = 0;
    std::uint8_t probe[kProbe];
    for (;;) {
        while (done < buffer->size()) {
            const std::uint64_t room = buffer->size() - done;
            const std::int64_t got = read(buffer->data() + done, room);
            if (got < 0 || static_cast<std::uint64_t>(got) > room)
                return std::nullopt;
            if (got == 0) {  // shorter than reported
                buffer->ShrinkTo(done);
                return buffer;
            }
            done += static_cast<std::uint64_t>(got);
        }
        const std::int64_t got = read(probe, kProbe);
        if (got < 0 || static_cast<std::uint64_t>(got) > kProbe)
            return std::nullopt;
        if (got == 0)
            return buffer;
        // Longer than reported: storage of about twice the size, the bytes so far moved over.
        const auto extra = static_cast<std::uint64_t>(got);
        const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() / 2;
        if (done > limit)
            return std::nullopt;
        std::optional<ByteBuffer> larger = allocate(std::max(done * 2, done + extra + kProbe));
        if (!larger)
            return std::nullopt;
        if (done > 0)
            std::memcpy(larger->data(), buffer->data(), static_cast<size_t>(done));
        std::memcpy(larger->data() + done, probe, static_cast<size_t>(extra));
        done += extra;
        buffer = std::move(larger);
    }
}

}  // namespace ks
