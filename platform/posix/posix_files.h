// Reading whole files on POSIX systems.
#pragma once

#include "platform/files.h"

namespace ks {

// Reads regular files only. The open never creates anything and never waits on a
// FIFO or a device; the length is taken from the open file, so a file replaced
// under the same path between the check and the read cannot mix two files. A file
// that shrinks while it is read gives nullopt; one that grows gives its first bytes
// up to the length it had when it was opened. A path holding a NUL character names
// no file here (the system would see only the part before it).
class PosixFiles : public Files {
public:
    std::optional<ByteBuffer> ReadAll(const std::wstring& path) override;
};

}  // namespace ks
