#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

// Text of a configuration file as UTF-8: a UTF-8 byte-order mark is dropped, and a file that is not valid
// UTF-8 is taken as Windows-1252, so older files keep their accented letters.
std::string DecodeFileText(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Decodes the code point starting at text[pos] and advances pos; an invalid byte yields its own value.
char32_t NextCodePoint(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace pv
