// A second reader of dropped file lists, written from the block's layout alone, to check the program's reader against.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/win32/hdrop_parse.h"

namespace ks::fuzz {

// The first path of a DROPFILES block, or nullopt when there is none or the block is
// not a well-formed list.
std::optional<win32::DroppedPath> ReferenceFirstPath(std::span<const std::uint8_t> block);

}  // namespace ks::fuzz
