// Reading whole files on POSIX systems: regular files only, never blocking on a FIFO or device.
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <new>
#include <system_error>
#include <utility>

#include "platform/text.h"

namespace ks {

namespace {

// Closes the descriptor however the read ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Linux moves at most about 2 GiB in one read(); smaller steps keep every call portable.
constexpr std::uint64_t kMaxReadStep = std::uint64_t{1} << 30;

// Large files get memory of their own from the kernel, in huge pages where it has them.
// Filled page by page, a fresh buffer costs one fault per 4 KiB, which on a virtual
// machine takes far longer than copying the file's bytes: 300 MB took a second to
// load where the same read into huge pages takes a twentieth of that.
constexpr std::uint64_t kOwnMappingFrom = std::uint64_t{4} << 20;

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels answer EINVAL and fault lazily
#endif

void ReleaseMapping(std::uint8_t* data, std::uint64_t size) {
    ::munmap(data, static_cast<std::size_t>(size));
}

std::optional<ByteBuffer> AllocateForRead(std::uint64_t length) {
    if (length < kOwnMappingFrom)
        return ByteBuffer::TryForOverwrite(length);
    if (length > SIZE_MAX)
        return std::nullopt;
    const auto size = static_cast<std::size_t>(length);
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    auto* data = static_cast<std::uint8_t*>(mapped);
    ByteBuffer buffer = ByteBuffer::Adopt(data, length, &ReleaseMapping);
#ifdef MADV_HUGEPAGE
    ::madvise(mapped, size, MADV_HUGEPAGE);  // a hint: without huge pages the read still works
#endif
    // Memory the system cannot give is found out here, as a failed load, rather than
    // by the out-of-memory killer halfway through the read.
    if (::madvise(mapped, size, MADV_POPULATE_WRITE) != 0 && errno == ENOMEM)
        return std::nullopt;
    return buffer;
}

// The cause of a failed open, read or allocation, in words.
std::wstring CauseOf(int error) {
    switch (error) {
    case ENOENT: return L"no such file";
    case ENOTDIR: return L"a part of the path is not a folder";
    case EISDIR: return L"it is a folder";
    case EACCES:
    case EPERM: return L"permission denied";
    case ENAMETOOLONG: return L"the name is too long";
    case ENOMEM: return L"not enough memory";
    case ELOOP: return L"too many symbolic links";
    case EAGAIN: return L"it has no data to read now";
    default: {
        std::wstring words = FromNative(std::strerror(error));
        if (!words.empty())
            words[0] = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(words[0])));
        return words;
    }
    }
}

FileRead Failure(int error) { return {std::nullopt, CauseOf(error)}; }

// A regular file open for reading from its start, with the size it reports, or the cause
// when it could not be opened as one.
struct OpenedFile {
    int fd = -1;
    std::uint64_t size = 0;
    std::wstring cause;
};

// Opens without ever waiting: O_NONBLOCK lets the open of a FIFO without a writer, or of
// a device that waits for a carrier, return at once, and such paths are refused. A file
// that reports a size is then read with ordinary blocking reads (a network file system
// may otherwise answer EAGAIN); one that reports none may be a pseudo-file that waits for
// data to come (/proc/kmsg): it stays non-blocking, so that a read that would wait fails.
OpenedFile OpenRegularFile(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos)
        return {-1, 0, L"the name holds a NUL character"};
    const std::string native = ToNative(path);
    int raw = -1;
    do {
        raw = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0)
        return {-1, 0, CauseOf(errno)};
    FileDescriptor fd(raw);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return {-1, 0, CauseOf(errno)};
    if (S_ISDIR(info.st_mode))
        return {-1, 0, CauseOf(EISDIR)};
    if (!S_ISREG(info.st_mode) || info.st_size < 0)
        return {-1, 0, L"it is not a regular file"};
    const auto reported = static_cast<std::uint64_t>(info.st_size);
    if (reported > 0) {
        const int flags = ::fcntl(fd.get(), F_GETFL);
        if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
            return {-1, 0, CauseOf(errno)};
    }
    return {fd.Release(), reported, {}};
}

}  // namespace

FileRead PosixFiles::Read(const std::wstring& path) {
    const OpenedFile opened = OpenRegularFile(path);
    if (opened.fd < 0)
        return {std::nullopt, opened.cause};
    FileDescriptor fd(opened.fd);
    const std::uint64_t reported = opened.size;
    if (reported > SIZE_MAX)
        return Failure(ENOMEM);
    bool no_memory = false;
    int read_error = 0;
    std::optional<ByteBuffer> bytes = ReadToEnd(
        reported,
        [&](std::uint64_t size) {
            std::optional<ByteBuffer> buffer = AllocateForRead(size);
            no_memory = no_memory || !buffer;
            return buffer;
        },
        [&](std::uint8_t* out, std::uint64_t max) {
            const auto step = static_cast<std::size_t>(std::min(max, kMaxReadStep));
            for (;;) {
                const ssize_t got = ::read(fd.get(), out, step);
                if (got >= 0 || errno != EINTR) {
                    if (got < 0)
                        read_error = errno;
                    return static_cast<std::int64_t>(got);
                }
            }
        });
    if (bytes)
        return {std::move(bytes), {}};
    return Failure(no_memory ? ENOMEM : read_error != 0 ? read_error : EIO);
}

std::optional<std::wstring> PosixFiles::WhyNoFile(const std::wstring& path) {
    if (path.empty())
        return L"no file name was given";
    const std::string native = ToNative(path);
    if (native.find('\0') != std::string::npos)
        return L"a file name cannot hold a NUL character";
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
        switch (errno) {
        case ENOENT:
            return L"there is no such file";
        case ENOTDIR:
            return L"a part of the path is not a folder";
        case EACCES:
            return L"permission denied";
        case ENAMETOOLONG:
            return L"the name is too long";
        case ELOOP:
            return L"too many symbolic links";
        default:
            return FromNative(std::generic_category().message(errno));
        }
    }
    if (S_ISDIR(info.st_mode))
        return L"it is a folder";
    if (!S_ISREG(info.st_mode))
        return L"it is not a regular file";
    return std::nullopt;
}

namespace {

// One file read a piece at a time through its descriptor.
class PosixFileReader : public FileReader {
public:
    PosixFileReader(int fd, bool owned, std::optional<std::uint64_t> size, bool wait_when_empty)
        : fd_(fd), owned_(owned), size_(size), wait_when_empty_(wait_when_empty) {}
    ~PosixFileReader() override {
        if (owned_)
            ::close(fd_);
    }
    PosixFileReader(const PosixFileReader&) = delete;
    PosixFileReader& operator=(const PosixFileReader&) = delete;

    std::optional<std::uint64_t> Read(std::uint8_t* out, std::uint64_t max) override {
        const auto step = static_cast<std::size_t>(std::min(max, kMaxReadStep));
        for (;;) {
            const ssize_t got = ::read(fd_, out, step);
            if (got >= 0)
                return static_cast<std::uint64_t>(got);
            if (errno == EINTR)
                continue;
            // A standard input that another program left non-blocking: wait for its data.
            if (wait_when_empty_ && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd wanted{fd_, POLLIN, 0};
                if (::poll(&wanted, 1, -1) >= 0 || errno == EINTR)
                    continue;
            }
            error_ = errno;
            return std::nullopt;
        }
    }

    std::optional<std::uint64_t> ReportedSize() const override { return size_; }

    std::wstring Why() const override {
        std::wstring words = FromNative(std::strerror(error_));
        if (!words.empty())
            words[0] = static_cast<wchar_t>(std::towlower(words[0]));
        return words;
    }

private:
    int fd_;
    bool owned_;
    std::optional<std::uint64_t> size_;
    bool wait_when_empty_;
    int error_ = 0;
};

}  // namespace

std::unique_ptr<FileReader> PosixFiles::OpenReader(const std::wstring& path) {
    const OpenedFile opened = OpenRegularFile(path);
    if (opened.fd < 0)
        return nullptr;
    // Read once from start to end: the kernel may read further ahead and drop what was read.
    ::posix_fadvise(opened.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixFileReader>(opened.fd, true, opened.size, false);
}

std::unique_ptr<FileReader> PosixFiles::OpenStandardInput() {
    if (::fcntl(STDIN_FILENO, F_GETFL) < 0)
        return nullptr;
    struct stat info {};
    std::optional<std::uint64_t> size;
    // A file given as standard input reports its size; a pipe or terminal does not.
    if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0) {
        // What is left from where the shell placed the offset.
        const off_t at = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
        if (at >= 0 && at <= info.st_size)
            size = static_cast<std::uint64_t>(info.st_size - at);
    }
    return std::make_unique<PosixFileReader>(STDIN_FILENO, false, size, true);
}

}  // namespace ks
