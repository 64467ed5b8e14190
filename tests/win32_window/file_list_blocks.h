// Dropped file lists (DROPFILES blocks) as another program lays them out, well-formed or not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ks::test {

// A DROPFILES block listing the paths, UTF-16 (wide) or narrow. Narrow paths are
// written one byte a character, so they must stay within ASCII to mean the same in
// every ANSI code page (the window tests run under UTF-8, the program's own).
std::vector<std::uint8_t> FileListBlock(const std::vector<std::wstring>& paths, bool wide = true);

// Blocks another program might get wrong, each naming `path` in a way a careless
// reader would take: cut off inside the path, pFiles past the end, no terminator at
// all, pFiles pointing into the header.
struct MalformedBlock {
    const char* name;
    std::vector<std::uint8_t> block;
};
std::vector<MalformedBlock> MalformedBlocks(const std::wstring& path);

}  // namespace ks::test
