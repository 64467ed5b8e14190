// The file path a command-line run takes from its command line.
#include "main_window/command_line.h"

namespace ks {

std::wstring PathFromCommandLine(std::wstring text) {
    std::erase(text, L'"');
    return text;
}

}  // namespace ks
