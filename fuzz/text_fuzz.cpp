// Fuzz target: the POSIX text conversion, lossless for any bytes and stable for any wide text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/text.h"

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

bool IsScalarValue(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Bytes, as a file name or printer name the system hands over: back unchanged.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(ks::ToNative(ks::FromNative(bytes)) == bytes);

    // The same bytes read as wide characters, as the program's own text.
    std::wstring wide;
    bool scalar = true;
    for (std::size_t i = 0; i + 3 < size; i += 4) {
        const std::uint32_t c = data[i] | data[i + 1] << 8 | data[i + 2] << 16 |
                                static_cast<std::uint32_t>(data[i + 3]) << 24;
        wide.push_back(static_cast<wchar_t>(c));
        scalar = scalar && IsScalarValue(c);
    }
    const std::string native = ks::ToNative(wide);
    Check(ks::ToNative(ks::FromNative(native)) == native);
    // Text of real characters comes back as it was.
    if (scalar)
        Check(ks::FromNative(native) == wide);
    return 0;
}
