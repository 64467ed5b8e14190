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

std::optional<std::wstring> Win32Files::WhyNoFile(const std::wstring& path) {
    const std::string native = ToNative(path);
    if (native.empty())
        return L"no file name was given";
    const DWORD attributes = GetFileAttributesA(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return L"there is no such file";
        case ERROR_ACCESS_DENIED:
            return L"permission denied";
        case ERROR_FILENAME_EXCED_RANGE:
            return L"the name is too long";
        case ERROR_INVALID_NAME:
            return L"the name is not valid";
        default:
            return L"it cannot be looked at (error " + std::to_wstring(error) + L")";
        }
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return L"it is a folder";
    return std::nullopt;
}

}  // namespace ks::win32
