// The running program on POSIX systems: its arguments, current folder, diagnostics and end.
#include "platform/posix/posix_process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "platform/text.h"

namespace ks {

PosixProcess::PosixProcess(int argc, const char* const* argv)
    : command_line_(argc > 1 ? JoinArguments({argv + 1, static_cast<std::size_t>(argc - 1)})
                             : std::wstring()) {}

std::wstring PosixProcess::JoinArguments(std::span<const char* const> arguments) {
    std::string joined;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            joined.push_back(' ');
        if (arguments[i])
            joined.append(arguments[i]);
    }
    return FromNative(joined);
}

std::wstring PosixProcess::CurrentFolder() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
    std::string folder(buffer.data());
    // Linux names a folder that was removed or lies outside the process's root with
    // a leading "(unreachable)"; that is no path.
    if (folder.empty() || folder.front() != '/')
        return std::wstring();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return FromNative(folder);
}

namespace {

// Whatever stdio holds goes first, so that lines keep their order.
void WriteError(const std::string& bytes) {
    std::fflush(stderr);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void PosixProcess::ErrorLine(const std::wstring& text) { WriteError(ToNative(text) + '\n'); }

bool PosixProcess::ErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void PosixProcess::ErrorText(const std::wstring& text) { WriteError(ToNative(text)); }

void PosixProcess::End(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace ks
