// Loading a file into the program's one buffer, all or nothing.
#include "printing/file_loader.h"

namespace ks {

bool LoadFile(Files& files, const std::wstring& path, ByteBuffer& buffer) {
    // The old bytes go first, so that two large files are never held at once.
    buffer = ByteBuffer();
    if (path.empty())
        return false;
    std::optional<ByteBuffer> read = files.ReadAll(path);
    if (!read)
        return false;
    buffer = std::move(*read);
    return true;
}

std::wstring ByteCountText(std::uint64_t count) { return std::to_wstring(count); }

}  // namespace ks
