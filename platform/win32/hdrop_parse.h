// Reads the first path of a dropped file list (a DROPFILES block) without trusting its offsets.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ks::win32 {

// The DROPFILES header as another program lays it out: pFiles (DWORD), pt (two
// LONGs), fNC (BOOL), fWide (BOOL), little-endian, 20 bytes in all.
inline constexpr std::size_t kDropFilesHeaderSize = 20;

// The first path of a list, in the character width the list declares: UTF-16
// when fWide is set, the ANSI code page otherwise (converted by the caller).
struct DroppedPath {
    bool wide = false;
    std::u16string wide_path;
    std::string narrow_path;
    friend bool operator==(const DroppedPath&, const DroppedPath&) = default;
};

// The block is the whole of what the drop handed over (GlobalSize bytes), from a
// program that may have got it wrong. The list is accepted only when pFiles lies
// past the header and inside the block, and the list runs to its closing empty
// name within the block; otherwise nullopt. An empty list also gives nullopt.
// Never reads outside the span.
std::optional<DroppedPath> FirstDroppedPath(std::span<const std::uint8_t> block);

}  // namespace ks::win32
