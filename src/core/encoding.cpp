#include "core/encoding.h"

#include <unicode/uchar.h>

#include <cstdio>
#include <cstring>

namespace pv {
namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++pos;
        return lead;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return lead;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return lead;
    }
    pos += extra + 1;
    return cp;
}

size_t FirstInvalidUtf8(std::string_view bytes) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        // Configuration files are nearly all ASCII: skip it four words at a time, then a word at a time.
        while (pos + 32 <= bytes.size()) {
            uint64_t words[4];
            std::memcpy(words, bytes.data() + pos, 32);
            if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull) break;
            pos += 32;
        }
        while (pos + 8 <= bytes.size()) {
            uint64_t word;
            std::memcpy(&word, bytes.data() + pos, 8);
            if (word & 0x8080808080808080ull) break;
            pos += 8;
        }
        if (pos >= bytes.size()) break;
        const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        const size_t before = pos;
        NextCodePoint(bytes, pos);
        if (pos == before + 1) return before;  // a multi-byte lead always advances by more than one
    }
    return std::string_view::npos;
}

bool IsValidUtf8(std::string_view bytes) {
    return FirstInvalidUtf8(bytes) == std::string_view::npos;
}

bool HoldsMultiByteUtf8(std::string_view bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t before = pos;
        NextCodePoint(bytes, pos);
        if (pos > before + 1) return true;
    }
    return false;
}

namespace {

// The sequence at `offset` when it is shaped like UTF-8 but forbidden; length 0 when it is not.
ForbiddenUtf8 ForbiddenAt(std::string_view bytes, size_t offset) {
    const auto lead = static_cast<unsigned char>(bytes[offset]);
    size_t length = 0;
    if (lead >= 0xC0 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
        length = 4;
    } else if (lead >= 0xF8 && lead <= 0xFB) {
        length = 5;
    } else if (lead >= 0xFC && lead <= 0xFD) {
        length = 6;
    } else {
        return {};
    }
    if (offset + length > bytes.size()) return {};
    uint32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[offset + i]);
        if ((next & 0xC0) != 0x80) return {};
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(value));
    if (value < kSmallest[length]) return {offset, length, std::string("an overlong form of ") + code};
    if (value >= 0xD800 && value <= 0xDFFF) {
        return {offset, length, std::string("an encoded surrogate (") + code + ")"};
    }
    if (value > 0x10FFFF) return {offset, length, "a code point above U+10FFFF"};
    return {};
}

}  // namespace

ForbiddenUtf8 FirstForbiddenUtf8(std::string_view bytes) {
    size_t from = 0;
    while (from < bytes.size()) {
        const size_t invalid = FirstInvalidUtf8(bytes.substr(from));
        if (invalid == std::string_view::npos) break;
        ForbiddenUtf8 found = ForbiddenAt(bytes, from + invalid);
        if (found.length > 0) return found;
        from += invalid + 1;
    }
    return {};
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else if (b < 0xA0) {
            AppendUtf8(out, kCp1252High[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    bool ascii = true;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    }
    // Nearly every name is ASCII, whose folding is its lower case; ICU is asked for the others only.
    if (ascii || !IsValidUtf8(text)) return folded;
    // One character for one: full folding would make a sharp s two letters, and two names one.
    folded.clear();
    for (size_t pos = 0; pos < text.size();) {
        const auto c = static_cast<UChar32>(NextCodePoint(text, pos));
        AppendUtf8(folded, static_cast<char32_t>(u_tolower(u_toupper(c))));
    }
    return folded;
}

}  // namespace pv
