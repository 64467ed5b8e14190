// The file path a command-line run takes from its command line.
#pragma once

#include <string>

namespace ks {

// The command-line text with every double quote removed, wherever it stands: a quoted
// path with spaces becomes that path, and several words stay one path joined by their
// spaces. Nothing else is changed.
std::wstring PathFromCommandLine(std::wstring text);

}  // namespace ks
