// The byte buffer that holds a loaded file.
#include "files.h"

#include <cstdint>
#include <cstring>
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

}  // namespace ks
