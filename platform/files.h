// Reading a whole file into memory.
#pragma once

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
};

}  // namespace ks
