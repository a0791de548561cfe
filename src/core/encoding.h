#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

// Windows-1252 text as UTF-8; the five bytes that code page leaves unassigned keep their C1 code points.
std::string Windows1252ToUtf8(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);
// The offset of the first byte that is not part of a UTF-8 character, or npos.
size_t FirstInvalidUtf8(std::string_view bytes);
// Whether the bytes hold at least one UTF-8 character of more than one byte.
bool HoldsMultiByteUtf8(std::string_view bytes);
// A sequence shaped like UTF-8 (a lead byte and the continuation bytes it announces) that UTF-8 forbids
// nonetheless: an overlong form, an encoded surrogate or a code point above U+10FFFF.
struct ForbiddenUtf8 {
    size_t offset = 0;
    size_t length = 0;
    std::string what;  // "an encoded surrogate (U+D800)", "an overlong form of U+002F", ...
};
// The first such sequence in the bytes; length 0 when there is none.
ForbiddenUtf8 FirstForbiddenUtf8(std::string_view bytes);

// Decodes the code point starting at text[pos] and advances pos; an invalid byte yields its own value.
char32_t NextCodePoint(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

// The key of names that compare without regard to letter case, character by character: each character is
// taken to its capital and that to its small letter, so "\xC3\x89tat" and "\xC3\xA9tat" fold alike, as do a
// dotless i and I, while "Ma\xC3\x9F""e" and "Masse" stay two names (they differ in more than case). A text
// that is not UTF-8 has its ASCII letters folded only.
std::string FoldCase(std::string_view text);

}  // namespace pv
