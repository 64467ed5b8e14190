// Where a job's bytes come from: a buffer loaded before, or a file read while the job is sent.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_buffer.h"
#include "platform/files.h"

namespace ks {

// Bytes a source gives, valid until its next Read.
struct ByteView {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
};

// The one road from bytes to a job: the sender asks a source for its bytes in order, a
// piece at a time, and never learns where they come from. Used from one thread at a time.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // The next bytes, at most `max` (`max` is at least 1): at least one byte, or none
    // when the source has ended. nullopt when they could not be read; Failure says why,
    // and the source gives nothing more.
    virtual std::optional<ByteView> Read(std::uint64_t max) = 0;

    // How many bytes the source expects to give, for a progress display: exact for a
    // buffer, the reported size for a file (which may still grow or shrink), 0 when not
    // known (a pipe).
    virtual std::uint64_t Expected() const = 0;

    // Why a Read failed, as a detail line; "" when none did.
    virtual std::wstring Failure() const { return {}; }
};

// A loaded buffer, given in place: nothing is copied. The buffer must outlive the source
// and stay unchanged while it is read.
class BufferSource : public ByteSource {
public:
    explicit BufferSource(const ByteBuffer& bytes) : bytes_(bytes) {}
    std::optional<ByteView> Read(std::uint64_t max) override;
    std::uint64_t Expected() const override { return bytes_.size(); }

private:
    const ByteBuffer& bytes_;
    std::uint64_t at_ = 0;
};

// A file read while it is sent, through one buffer of at most `piece_bytes`, so that the
// memory a job needs does not depend on the file's size. Each Read fills the buffer as
// far as `max` allows unless the file ends first: a file that shrinks or grows while it
// is read gives what it holds when a read finds its end.
class FileSource : public ByteSource {
public:
    static constexpr std::uint64_t kPieceBytes = std::uint64_t{4} << 20;

    explicit FileSource(std::unique_ptr<FileReader> reader, std::uint64_t piece_bytes = kPieceBytes);
    std::optional<ByteView> Read(std::uint64_t max) override;
    std::uint64_t Expected() const override { return expected_; }
    std::wstring Failure() const override { return failure_; }
    // Bytes given so far.
    std::uint64_t Given() const { return given_; }

private:
    std::unique_ptr<FileReader> reader_;
    std::uint64_t piece_bytes_;
    std::uint64_t expected_;
    std::unique_ptr<std::uint8_t[]> piece_;
    std::uint64_t capacity_ = 0;
    std::uint64_t given_ = 0;
    bool ended_ = false;
    std::wstring failure_;
};

}  // namespace ks
