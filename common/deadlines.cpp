// How long the program waits on the spooler, and the one place the tests can shorten it.
#include "common/deadlines.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ks {

namespace {

constexpr const char* kVariable = "KESTRELSPOOLER_DEADLINES";

// Seconds, whole or with a fraction, as milliseconds; nullopt for anything else.
std::optional<Milliseconds> Seconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0 || value > 86'400)
        return std::nullopt;
    return Milliseconds(static_cast<long long>(std::llround(value * 1000)));
}

}  // namespace

SpoolerDeadlines SpoolerDeadlines::Parse(std::string_view text) {
    SpoolerDeadlines d;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view pair = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const size_t eq = pair.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::optional<Milliseconds> value = Seconds(pair.substr(eq + 1));
        if (!value)
            continue;
        const std::string_view name = pair.substr(0, eq);
        if (name == "lookup")
            d.lookup = *value;
        else if (name == "run")
            d.command_line_run = *value;
        else if (name == "stall")
            d.stalled_send = *value;
        else if (name == "cancel")
            d.cancel_retries = *value;
    }
    return d;
}

SpoolerDeadlines SpoolerDeadlines::FromEnvironment() {
    const char* text = std::getenv(kVariable);
    return text != nullptr ? Parse(text) : SpoolerDeadlines();
}

std::wstring DurationText(Milliseconds duration) {
    const long long tenths = (duration.count() + 50) / 100;
    std::wstring text = std::to_wstring(tenths / 10);
    if (tenths % 10 != 0)
        text += L'.' + std::to_wstring(tenths % 10);
    return text + L" s";
}

}  // namespace ks
