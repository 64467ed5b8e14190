// Dropped file lists (DROPFILES blocks) as another program lays them out, well-formed or not.
#include "tests/win32_window/file_list_blocks.h"

namespace ks::test {

namespace {

void PutU32(std::vector<std::uint8_t>& out, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> Header(std::uint32_t files_at, bool wide) {
    std::vector<std::uint8_t> header(20, 0);
    PutU32(header, 0, files_at);
    PutU32(header, 16, wide ? 1 : 0);
    return header;
}

void AppendWide(std::vector<std::uint8_t>& out, const std::wstring& text) {
    for (wchar_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

}  // namespace

std::vector<std::uint8_t> FileListBlock(const std::vector<std::wstring>& paths, bool wide) {
    std::vector<std::uint8_t> block = Header(20, wide);
    for (const std::wstring& path : paths) {
        if (wide) {
            AppendWide(block, path);
            block.insert(block.end(), {0, 0});
        } else {
            for (wchar_t c : path)
                block.push_back(static_cast<std::uint8_t>(c));
            block.push_back(0);
        }
    }
    block.insert(block.end(), wide ? 2 : 1, 0);
    return block;
}

std::vector<MalformedBlock> MalformedBlocks(const std::wstring& path) {
    const std::vector<std::uint8_t> good = FileListBlock({path, path + L".second"});
    std::vector<MalformedBlock> out;
    // Cut off in the middle of the first path.
    out.push_back({"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + 20 + 2 * (path.size() / 2))});
    // pFiles far past the end of the block.
    std::vector<std::uint8_t> past = good;
    PutU32(past, 0, 0x7FFFFFF0u);
    out.push_back({"offset past the end", past});
    // The path runs to the end of the block without any terminator.
    std::vector<std::uint8_t> unterminated = Header(20, true);
    AppendWide(unterminated, path);
    out.push_back({"no terminator", unterminated});
    // pFiles inside the header, which then reads as text.
    std::vector<std::uint8_t> inside = good;
    PutU32(inside, 0, 4);
    out.push_back({"offset inside the header", inside});
    return out;
}

}  // namespace ks::test
