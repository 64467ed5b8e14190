// Conversion between the program's wide text and the platform's narrow encoding.
#pragma once

#include <string>
#include <string_view>

namespace ks {

// To the platform's encoding for its calls: the ANSI code page on Windows, UTF-8 on
// POSIX. On POSIX the conversion is lossless both ways: a byte that is not valid
// UTF-8 (a file name in another encoding) travels as one private code point and
// comes back as the same byte. On Windows a character the ANSI code page lacks
// becomes '?', never a look-alike, and a text that cannot be converted at all (a
// lone surrogate, or bytes that are not UTF-8, where the code page is UTF-8) comes
// back empty.
std::string ToNative(std::wstring_view text);
std::wstring FromNative(std::string_view text);

}  // namespace ks
