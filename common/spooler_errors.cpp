// The account of a spooler's last failure that a spooler and its printers share.
#include "common/spooler_errors.h"

namespace ks {

void SpoolerErrors::Failed(std::wstring what) {
    lines_.clear();
    lines_.push_back(std::move(what));
}

void SpoolerErrors::Add(std::wstring line) { lines_.push_back(std::move(line)); }

std::wstring SpoolerErrors::Text() const {
    std::wstring text;
    for (const std::wstring& line : lines_) {
        if (!text.empty())
            text += L'\n';
        text += line;
    }
    return text;
}

}  // namespace ks
