// Reading files through CreateFileA and ReadFile, whole or a piece at a time.
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/text.h"
#include "platform/win32/error_text.h"
#include "platform/win32/handles.h"

namespace ks::win32 {

namespace {

// The cause of a failed open or read, in words.
std::wstring CauseOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return L"no such file";
    case ERROR_PATH_NOT_FOUND: return L"no such folder";
    case ERROR_ACCESS_DENIED: return L"permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return L"another program has it locked";
    case ERROR_FILENAME_EXCED_RANGE: return L"the name is too long";
    case ERROR_INVALID_NAME: return L"the name is not valid";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return L"not enough memory";
    default: {
        std::wstring words = ErrorText(error);
        return words.empty() ? L"system error " + std::to_wstring(error) : words;
    }
    }
}

FileRead Failure(DWORD error) { return {std::nullopt, CauseOf(error)}; }

}  // namespace

FileRead Win32Files::Read(const std::wstring& path) {
    const std::string native = ToNative(path);
    if (native.empty())
        return {std::nullopt, path.empty() ? L"no file was named" : L"the name has no form in the ANSI code page"};
    FileHandle file(CreateFileA(native.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        // Opening a folder this way is refused as access denied.
        const DWORD attributes = GetFileAttributesA(native.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {std::nullopt, L"it is a folder"};
        return Failure(error);
    }
    // A console, pipe or device opens too, and reading one could wait for ever.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return {std::nullopt, L"it is not a regular file"};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info))
        return Failure(GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return {std::nullopt, L"it is a folder"};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0)
        return Failure(GetLastError());

    // ReadFile answers 0 bytes at the end of the file, wherever that is: a file under Wine's
    // Z:\proc reports a size of 0 and still has its content.
    bool no_memory = false;
    DWORD read_error = 0;
    std::optional<ByteBuffer> bytes = ReadToEnd(
        static_cast<std::uint64_t>(size.QuadPart),
        [&](std::uint64_t wanted) {
            std::optional<ByteBuffer> buffer = ByteBuffer::TryForOverwrite(wanted);
            no_memory = no_memory || !buffer;
            return buffer;
        },
        [&](std::uint8_t* out, std::uint64_t max) -> std::int64_t {
            const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(max, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file.Get(), out, want, &got, nullptr)) {
                read_error = GetLastError();
                return -1;
            }
            return got;
        });
    if (bytes)
        return {std::move(bytes), {}};
    return Failure(no_memory ? ERROR_NOT_ENOUGH_MEMORY : read_error);
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

namespace {

// One file, pipe or console read a piece at a time through its handle.
class Win32FileReader : public FileReader {
public:
    Win32FileReader(FileHandle owned, HANDLE handle, std::optional<std::uint64_t> size)
        : owned_(std::move(owned)), handle_(handle), size_(size) {}

    std::optional<std::uint64_t> Read(std::uint8_t* out, std::uint64_t max) override {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(max, 1u << 30));
        DWORD got = 0;
        if (ReadFile(handle_, out, want, &got, nullptr))
            return got;
        const DWORD error = GetLastError();
        // A pipe whose writer has finished answers with this instead of 0 bytes.
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
            return 0;
        error_ = error;
        return std::nullopt;
    }

    std::optional<std::uint64_t> ReportedSize() const override { return size_; }
    std::wstring Why() const override { return ErrorText(error_); }

private:
    FileHandle owned_;
    HANDLE handle_;
    std::optional<std::uint64_t> size_;
    DWORD error_ = 0;
};

}  // namespace

std::unique_ptr<FileReader> Win32Files::OpenReader(const std::wstring& path) {
    const std::string native = ToNative(path);
    if (native.empty())
        return nullptr;
    // Opened as ReadAll opens; the file is read once from start to end.
    FileHandle file(CreateFileA(native.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER size{};
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file.Get(), &size) ||
        size.QuadPart < 0)
        return nullptr;
    const HANDLE handle = file.Get();
    return std::make_unique<Win32FileReader>(std::move(file), handle,
                                             static_cast<std::uint64_t>(size.QuadPart));
}

std::unique_ptr<FileReader> Win32Files::OpenStandardInput() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return nullptr;
    std::optional<std::uint64_t> size;
    LARGE_INTEGER total{};
    LARGE_INTEGER at{};
    // A file given as standard input reports what is left of it; a pipe or console does not.
    if (GetFileType(input) == FILE_TYPE_DISK && GetFileSizeEx(input, &total) &&
        SetFilePointerEx(input, LARGE_INTEGER{}, &at, FILE_CURRENT) && at.QuadPart <= total.QuadPart)
        size = static_cast<std::uint64_t>(total.QuadPart - at.QuadPart);
    return std::make_unique<Win32FileReader>(FileHandle(), input, size);
}

}  // namespace ks::win32
