// Loading a file into the program's one buffer, all or nothing.
#include "printing/file_loader.h"

namespace ks {

bool LoadFile(Files& files, const std::wstring& path, ByteBuffer& buffer, std::wstring* cause) {
    // The old bytes go first, so that two large files are never held at once.
    buffer = ByteBuffer();
    if (path.empty()) {
        if (cause)
            *cause = L"no file was named";
        return false;
    }
    FileRead read = files.Read(path);
    if (!read.bytes) {
        if (cause)
            *cause = std::move(read.cause);
        return false;
    }
    buffer = std::move(*read.bytes);
    return true;
}

std::wstring ByteCountText(std::uint64_t count) { return std::to_wstring(count); }

}  // namespace ks
