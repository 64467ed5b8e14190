// Data dropped on a window from another program, as a drag-and-drop target sees it.
#pragma once

#include <optional>
#include <string>

namespace ks {

class DropData {
public:
    virtual ~DropData() = default;

    // Whether the data offers the list-of-files format (CF_HDROP on Windows, local
    // file URLs elsewhere).
    virtual bool HasFileList() const = 0;

    // The first path of that list as a full path; nullopt when there is no list or
    // the list is malformed.
    virtual std::optional<std::wstring> FirstPath() const = 0;
};

}  // namespace ks
