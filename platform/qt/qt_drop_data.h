// Dropped data as Qt delivers it, read as a list of local files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/drop_data.h"

class QMimeData;

namespace ks {

// A copy of what a drop offered, taken while the drop event lasts. The data is a
// list of files when it carries URLs and every one of them names a local file (a
// file manager's drag); anything else (text, web links) is not a file list.
class QtDropData : public DropData {
public:
    explicit QtDropData(const QMimeData& data);

    bool HasFileList() const override { return !files_.empty(); }
    std::optional<std::wstring> FirstPath() const override;

    const std::vector<std::wstring>& Files() const { return files_; }

private:
    std::vector<std::wstring> files_;
};

}  // namespace ks
