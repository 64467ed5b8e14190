// Reads the first path of a dropped file list (a DROPFILES block) without trusting its offsets.
#include "platform/win32/hdrop_parse.h"

namespace ks::win32 {

namespace {

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

constexpr std::size_t kFilesOffsetAt = 0;
constexpr std::size_t kWideFlagAt = 16;

// Reads names of Char units from the list until the empty one that closes it.
// Returns the first name, or nullopt when the list is empty or runs off the end.
template <typename Char, typename ReadChar>
std::optional<std::basic_string<Char>> FirstName(std::size_t units, ReadChar read) {
    std::optional<std::basic_string<Char>> first;
    std::basic_string<Char> name;
    for (std::size_t i = 0; i < units; ++i) {
        const Char c = read(i);
        if (c != 0) {
            name.push_back(c);
            continue;
        }
        if (name.empty())  // the closing empty name
            return first;
        if (!first)
            first = std::move(name);
        name.clear();
    }
    return std::nullopt;
}

}  // namespace

std::optional<DroppedPath> FirstDroppedPath(std::span<const std::uint8_t> block) {
    if (block.size() < kDropFilesHeaderSize)
        return std::nullopt;
    const std::uint32_t files_at = ReadU32(block, kFilesOffsetAt);
    if (files_at < kDropFilesHeaderSize || files_at >= block.size())
        return std::nullopt;
    const bool wide = ReadU32(block, kWideFlagAt) != 0;
    const std::span<const std::uint8_t> list = block.subspan(files_at);

    DroppedPath path;
    path.wide = wide;
    if (wide) {
        // A trailing odd byte is no character: it cannot close the list.
        auto first = FirstName<char16_t>(list.size() / 2, [&](std::size_t i) {
            return static_cast<char16_t>(list[2 * i] | list[2 * i + 1] << 8);
        });
        if (!first)
            return std::nullopt;
        path.wide_path = std::move(*first);
    } else {
        auto first = FirstName<char>(list.size(), [&](std::size_t i) { return static_cast<char>(list[i]); });
        if (!first)
            return std::nullopt;
        path.narrow_path = std::move(*first);
    }
    return path;
}

}  // namespace ks::win32
