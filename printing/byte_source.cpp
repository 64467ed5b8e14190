// Where a job's bytes come from: a buffer loaded before, or a file read while the job is sent.
#include "printing/byte_source.h"

#include <algorithm>

namespace ks {

std::optional<ByteView> BufferSource::Read(std::uint64_t max) {
    const std::uint64_t size = std::min(max, bytes_.size() - at_);
    const ByteView view{bytes_.data() + at_, size};
    at_ += size;
    return view;
}

FileSource::FileSource(std::unique_ptr<FileReader> reader, std::uint64_t piece_bytes)
    : reader_(std::move(reader)), piece_bytes_(std::max<std::uint64_t>(piece_bytes, 1)),
      expected_(reader_->ReportedSize().value_or(0)) {}

std::optional<ByteView> FileSource::Read(std::uint64_t max) {
    if (!failure_.empty())
        return std::nullopt;
    const std::uint64_t want = std::min(std::max<std::uint64_t>(max, 1), piece_bytes_);
    // The buffer is made at the first read and kept. It is left uninitialised: the reads
    // touch only the pages they fill, so a small file costs a page, not the whole piece
    // (on some virtual machines each first touch of a page costs a trip to the host).
    if (capacity_ < want) {
        piece_.reset(new std::uint8_t[static_cast<std::size_t>(want)]);
        capacity_ = want;
    }
    std::uint64_t filled = 0;
    while (!ended_ && filled < want) {
        const std::optional<std::uint64_t> got = reader_->Read(piece_.get() + filled, want - filled);
        if (!got) {
            failure_ = L"the file could not be read: " + reader_->Why();
            return std::nullopt;
        }
        if (*got == 0)
            ended_ = true;
        filled += std::min(*got, want - filled);
    }
    given_ += filled;
    return ByteView{piece_.get(), filled};
}

}  // namespace ks
