// A second reader of dropped file lists, written from the block's layout alone, to check the program's reader against.
//
// The layout: a 20-byte header of little-endian 32-bit fields, pFiles at 0 (where the
// list starts, from the start of the block), pt.x and pt.y at 4 and 8, fNC at 12 and
// fWide at 16 (any value but 0: the list is UTF-16, otherwise single bytes). The list
// is a run of names, each closed by a NUL character, and after the last one an empty
// name, that is one more NUL. A list that does not reach its empty name inside the
// block is no list.
#include "fuzz/drop_list_reference.h"

#include <vector>

namespace ks::fuzz {

namespace {

constexpr std::size_t kHeader = 20;

std::uint32_t Field(std::span<const std::uint8_t> block, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(block[at + i]) << (8 * i);
    return value;
}

}  // namespace

std::optional<win32::DroppedPath> ReferenceFirstPath(std::span<const std::uint8_t> block) {
    if (block.size() < kHeader)
        return std::nullopt;
    const std::uint32_t files = Field(block, 0);
    const bool wide = Field(block, 16) != 0;
    if (files < kHeader || files >= block.size())
        return std::nullopt;

    // The characters of the list, as many whole ones as the block holds.
    const std::size_t width = wide ? 2 : 1;
    std::vector<std::uint16_t> chars;
    for (std::size_t at = files; at + width <= block.size(); at += width)
        chars.push_back(wide ? static_cast<std::uint16_t>(block[at] | block[at + 1] << 8) : block[at]);

    // The empty name that closes the list is the first NUL that starts a name: at the
    // very start, or right after the NUL that closed the name before it.
    std::size_t end = 0;
    while (end < chars.size() && !(chars[end] == 0 && (end == 0 || chars[end - 1] == 0)))
        ++end;
    if (end == chars.size() || end == 0)  // never closed, or no name at all
        return std::nullopt;

    std::size_t first_end = 0;
    while (chars[first_end] != 0)
        ++first_end;
    win32::DroppedPath path;
    path.wide = wide;
    for (std::size_t i = 0; i < first_end; ++i) {
        if (wide)
            path.wide_path.push_back(static_cast<char16_t>(chars[i]));
        else
            path.narrow_path.push_back(static_cast<char>(chars[i]));
    }
    return path;
}

}  // namespace ks::fuzz
