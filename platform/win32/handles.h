// Move-only owners for the Win32 handles the platform layer opens: printer, registry key, file, event.
#pragma once

#include <windows.h>

#include <utility>

namespace ks::win32 {

// Owns one handle and closes it with Traits::Close unless it holds Traits::Invalid().
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : handle_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // For the out parameter of the call that opens it; drops what was held.
    Handle* Receive() {
        Reset();
        return &handle_;
    }

    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    // Closes the handle; false when the close itself failed (or nothing was held).
    bool Reset(Handle h = Traits::Invalid()) {
        const Handle old = std::exchange(handle_, h);
        return old != Traits::Invalid() && Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return CloseHandle(h) != FALSE; }
};

// Kernel objects whose creators give nullptr on failure (events, threads).
struct KernelTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return CloseHandle(h) != FALSE; }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct PrinterTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h);  // ClosePrinter; defined where winspool is used
};

using FileHandle = UniqueHandle<FileTraits>;
using EventHandle = UniqueHandle<KernelTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using PrinterHandle = UniqueHandle<PrinterTraits>;

}  // namespace ks::win32
