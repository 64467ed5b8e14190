// Fuzz target: the reader of dropped file lists, never reading outside the block and agreeing with the reference reader.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz/drop_list_reference.h"
#include "platform/win32/hdrop_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> block(data, size);
    if (ks::win32::FirstDroppedPath(block) != ks::fuzz::ReferenceFirstPath(block))
        std::abort();
    return 0;
}
