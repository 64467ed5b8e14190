// Reading whole files through CreateFileA and ReadFile.
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace ks::win32 {

std::optional<ByteBuffer> Win32Files::ReadAll(const std::wstring& path) {
    const std::string native = ToNative(path);
    if (native.empty())
        return std::nullopt;
    FileHandle file(CreateFileA(native.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    // A console, pipe or device opens too, and reading one could wait for ever.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0)
        return std::nullopt;

    // ReadFile answers 0 bytes at the end of the file, wherever that is: a file under Wine's
    // Z:\proc reports a size of 0 and still has its content.
    return ReadToEnd(static_cast<std::uint64_t>(size.QuadPart), &ByteBuffer::TryForOverwrite,
                     [&](std::uint8_t* out, std::uint64_t max) -> std::int64_t {
                         const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(max, 1u << 30));
                         DWORD got = 0;
                         if (!ReadFile(file.Get(), out, want, &got, nullptr))
                             return -1;
                         return got;
                     });
}

}  // namespace ks::win32
