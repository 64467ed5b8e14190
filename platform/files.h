// Reading a whole file into memory, or a piece at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/byte_buffer.h"

namespace ks {

// A file's content, or why it could not be had.
struct FileRead {
    std::optional<ByteBuffer> bytes;
    // When there are no bytes: the cause in words, for a detail line: "no such file",
    // "it is a folder", "permission denied", "the name is too long", "not enough
    // memory", "it is not a regular file", or the system's own words.
    std::wstring cause;
};

// A file open for reading from its start, a piece at a time, so that a file of any size
// needs no more memory than one piece. Used from one thread at a time; it may be handed
// to another thread between calls. Closed when it goes.
class FileReader {
public:
    virtual ~FileReader() = default;

    // Reads up to `max` bytes into `out`: how many were read (fewer than `max` does not
    // mean the end), 0 at the end of the file, nullopt when the read failed; Why then
    // says why. A file that grows or shrinks while it is read ends where a read first
    // finds its end.
    virtual std::optional<std::uint64_t> Read(std::uint8_t* out, std::uint64_t max) = 0;

    // The size the system reported when the file was opened; nullopt when it reports
    // none (a pipe, a terminal).
    virtual std::optional<std::uint64_t> ReportedSize() const = 0;

    // Why the last read failed, in the system's words for a detail line: "input/output error".
    virtual std::wstring Why() const = 0;
};

class Files {
public:
    virtual ~Files() = default;

    // Reads the regular file at `path` whole: to its end, whatever size the system
    // reports for it (pseudo-files such as /proc/cpuinfo report 0, some network and
    // FUSE file systems a wrong size). Never creates, changes or locks the file, and
    // never blocks on a pipe or device. No bytes, and the cause, when the path names
    // no readable regular file, when a read fails, or when memory for it cannot be had.
    virtual FileRead Read(const std::wstring& path) = 0;

    // The same, for a caller that needs the bytes only.
    std::optional<ByteBuffer> ReadAll(const std::wstring& path) { return Read(path).bytes; }

    // Why `path` names no regular file, in words for a detail line ("there is no such
    // file", "it is a folder", "permission denied"); nullopt when it names one, which a
    // read may still fail on. Looks without opening anything, so a FIFO or a device is
    // never touched.
    virtual std::optional<std::wstring> WhyNoFile(const std::wstring& path) = 0;

    // Opens the file at `path` to be read a piece at a time, on the same terms as
    // Read: regular files only, never created, changed or locked, never blocking on a
    // pipe or device. nullptr when it names no readable regular file.
    virtual std::unique_ptr<FileReader> OpenReader(const std::wstring& path) = 0;

    // The process's standard input as a reader, whatever it is connected to: a file, a
    // pipe or a terminal is read until its end, each read waiting as long as the writer
    // takes. nullptr when the process has no standard input.
    virtual std::unique_ptr<FileReader> OpenStandardInput() = 0;
};

}  // namespace ks
