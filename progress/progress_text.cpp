// The texts that show how far a print job got: sizes in binary units, the window's title, the meter's line.
#include "progress/progress_text.h"

#include <cmath>

#include "common/escape.h"
#include "platform/window_system.h"

namespace ks {

namespace {

constexpr const wchar_t* kUnits[] = {L"KiB", L"MiB", L"GiB", L"TiB", L"PiB", L"EiB"};
constexpr int kLastUnit = 5;
constexpr std::wstring_view kEllipsis = L"...";

}  // namespace

std::wstring SizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_wstring(bytes) + (bytes == 1 ? L" byte" : L" bytes");
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < kLastUnit) {
        value /= 1024;
        ++unit;
    }
    const long long tenths = std::llround(value * 10);
    if (tenths < 100)
        return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" " + kUnits[unit];
    const long long whole = std::llround(value);
    if (whole >= 1024 && unit < kLastUnit)
        return std::wstring(L"1.0 ") + kUnits[unit + 1];
    return std::to_wstring(whole) + L" " + kUnits[unit];
}

std::wstring SentOfTotalText(std::uint64_t sent, std::uint64_t total) {
    return SizeText(sent) + L" of " + SizeText(total);
}

int ProgressValue(std::uint64_t sent, std::uint64_t total) {
    if (total == 0 || sent >= total)
        return kProgressFull;
    // Never full before the last byte: a bar at its end would say the job is done.
    const double share = static_cast<double>(sent) / static_cast<double>(total);
    return std::min(static_cast<int>(share * kProgressFull), kProgressFull - 1);
}

std::wstring FileNameOf(std::wstring_view path, std::wstring_view separators) {
    const std::size_t last = path.find_last_of(separators);
    return std::wstring(last == std::wstring_view::npos ? path : path.substr(last + 1));
}

std::wstring ProgressTitle(std::wstring_view file_name) {
    return file_name.empty() ? L"Printing" : L"Printing " + std::wstring(file_name);
}

std::wstring CountedName(std::wstring_view file_name, std::size_t number, std::size_t count) {
    if (count <= 1)
        return std::wstring(file_name);
    return std::wstring(file_name) + L" (file " + std::to_wstring(number) + L" of " + std::to_wstring(count) + L")";
}

std::wstring MeterLine(std::wstring_view shown_name, std::uint64_t sent, std::uint64_t total,
                       std::size_t width) {
    const std::wstring escaped = EscapeControls(shown_name);
    const std::wstring_view file_name = escaped;
    const std::wstring tail = L": " + SentOfTotalText(sent, total);
    std::wstring line = ProgressTitle(file_name) + tail;
    if (line.size() <= width)
        return line;
    const std::size_t fixed = line.size() - file_name.size();
    const std::size_t room = width > fixed + kEllipsis.size() ? width - fixed - kEllipsis.size() : 0;
    const std::size_t head = (room + 1) / 2;
    std::wstring name(file_name.substr(0, head));
    name += kEllipsis;
    name += file_name.substr(file_name.size() - (room - head));
    return ProgressTitle(name) + tail;
}

}  // namespace ks
