// Reading files on POSIX systems, whole or a piece at a time.
#pragma once

#include "platform/files.h"

namespace ks {

// Reads regular files only, each to its end. The open never creates anything and
// never waits on a FIFO or a device; everything is read from the one open file, so a
// file replaced under the same path between the check and the read cannot mix two
// files. A file that shrinks or grows while it is read gives what it held when the
// read reached its end. A path holding a NUL character names no file here (the
// system would see only the part before it).
class PosixFiles : public Files {
public:
    FileRead Read(const std::wstring& path) override;
    // stat, which follows symbolic links.
    std::optional<std::wstring> WhyNoFile(const std::wstring& path) override;
    std::unique_ptr<FileReader> OpenReader(const std::wstring& path) override;
    std::unique_ptr<FileReader> OpenStandardInput() override;
};

}  // namespace ks
