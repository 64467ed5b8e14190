// The running program on POSIX systems: its arguments, standard streams, current folder, signals and end.
#include "platform/posix/posix_process.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "common/escape.h"
#include "platform/text.h"

namespace ks {

PosixProcess::PosixProcess(int argc, const char* const* argv)
    : command_line_(argc > 1 ? JoinArguments({argv + 1, static_cast<std::size_t>(argc - 1)})
                             : std::wstring()) {
    for (int i = 1; i < argc; ++i)
        arguments_.push_back(argv[i] ? FromNative(argv[i]) : std::wstring());
}

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
void Write(std::FILE* stream, const std::string& bytes) {
    std::fflush(stream);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// The first request to stop; 0 until one comes. Lock-free, so a handler may set it.
std::atomic<int> interruption{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterruption(int signal) {
    int none = 0;
    if (!interruption.compare_exchange_strong(none, signal))
        ::_exit(128 + signal);  // the second request: the user will not wait for the cancel
}

}  // namespace

void PosixProcess::ErrorLine(const std::wstring& text) { Write(stderr, ToNative(EscapeControls(text)) + '\n'); }

void PosixProcess::OutputLine(const std::wstring& text) { Write(stdout, ToNative(EscapeControls(text)) + '\n'); }

bool PosixProcess::ErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void PosixProcess::ErrorText(const std::wstring& text) { Write(stderr, ToNative(EscapeControls(text, L"\r"))); }

void PosixProcess::CatchInterruptions() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;  // whoever started the program asked it not to stop for this
        struct sigaction action {};
        action.sa_handler = OnInterruption;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

int PosixProcess::Interruption() { return interruption.load(); }

void PosixProcess::End(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace ks
