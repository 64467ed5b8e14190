// Asking for a printer's user name and password on the controlling terminal.
#include "platform/posix/terminal_password.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <cerrno>
#include <cstdio>
#include <string>

#include "common/prompt_pause.h"
#include "platform/text.h"

namespace ks {

namespace {

using Clock = std::chrono::steady_clock;
using Kind = PromptAnswer::Kind;

// How often a waiting read looks at the stop request and the clock.
constexpr int kLookMs = 100;

class Tty {
public:
    Tty() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~Tty() {
        Echo(true);
        if (fd_ >= 0)
            ::close(fd_);
    }
    Tty(const Tty&) = delete;
    Tty& operator=(const Tty&) = delete;

    bool Open() const { return fd_ >= 0; }

    void Write(const std::wstring& text) {
        const std::string bytes = ToNative(text);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    // The terminal shows what is typed, or not (the password); the settings it had come
    // back at the end in any case.
    void Echo(bool on) {
        if (fd_ < 0)
            return;
        if (!on && !saved_) {
            termios settings{};
            if (::tcgetattr(fd_, &settings) != 0)
                return;
            saved_ = settings;
            settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            settings.c_lflag |= ECHONL;
            ::tcsetattr(fd_, TCSANOW, &settings);
        } else if (on && saved_) {
            ::tcsetattr(fd_, TCSANOW, &*saved_);
            saved_.reset();
        }
    }

    // One line as typed, without its line break. Given when a line came, Declined at
    // the end of input, Stopped or TimedOut as `stopped` and `deadline` say.
    template <typename Stopped>
    Kind ReadLine(std::string& line, const Stopped& stopped, Clock::time_point deadline) {
        line.clear();
        for (;;) {
            if (stopped())
                return Kind::Stopped;
            if (Clock::now() >= deadline)
                return Kind::TimedOut;
            pollfd wanted{fd_, POLLIN, 0};
            const int ready = ::poll(&wanted, 1, kLookMs);
            if (ready < 0 && errno != EINTR)
                return Kind::Declined;
            if (ready <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return Kind::Declined;  // the end of input, or the terminal went away
            line.append(buffer, static_cast<std::size_t>(n));
            if (const auto end = line.find('\n'); end != std::string::npos) {
                line.erase(end);
                return Kind::Given;
            }
        }
    }

private:
    int fd_;
    std::optional<termios> saved_;
};

void Wipe(std::string& secret) {
    std::fill(secret.begin(), secret.end(), '\0');
    secret.clear();
}

}  // namespace

std::wstring TerminalSafe(const std::wstring& text) {
    std::wstring safe;
    for (const wchar_t c : text) {
        if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) {
            wchar_t code[8];
            std::swprintf(code, 8, L"\\x%02x", static_cast<unsigned>(c));
            safe += code;
        } else {
            safe += c;
        }
    }
    return safe;
}

PromptAnswer TerminalPassword::Ask(const std::wstring& printer, const std::wstring& user, bool again,
                                   const std::atomic<bool>& stop, Clock::time_point deadline) {
    Tty tty;
    if (!tty.Open())
        return {Kind::NobodyToAsk, {}};
    const auto stopped = [&] { return stop.load() || process_.Interruption() != 0; };
    PromptStanding standing;
    std::wstring question = standing.after_meter_line ? L"\n" : L"";
    if (again)
        question += L"The scheduler refused that user name and password.\n";
    question += L"The printer \"" + TerminalSafe(printer) + L"\" needs a user name and password.\n";
    question += L"User name [" + TerminalSafe(user) + L"]: ";
    tty.Write(question);

    PromptAnswer answer;
    std::string line;
    answer.kind = tty.ReadLine(line, stopped, deadline);
    if (answer.kind == Kind::Given) {
        answer.credentials.user = line.empty() ? user : FromNative(line);
        tty.Write(L"Password: ");
        tty.Echo(false);
        answer.kind = tty.ReadLine(line, stopped, deadline);
        tty.Echo(true);
        if (answer.kind == Kind::Given)
            answer.credentials.password = FromNative(line);
        Wipe(line);
    }
    if (answer.kind != Kind::Given) {
        // The question stays where it stands; whatever comes next starts on a line of its own.
        tty.Write(L"\n");
        answer.credentials = {};
    }
    return answer;
}

}  // namespace ks
