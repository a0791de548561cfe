#include "core/numeric.h"

#include <charconv>

#include "core/errors.h"

namespace pv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

struct Decimal {
    bool negative = false;
    std::string whole;     // digits before the point, leading zeros removed
    std::string fraction;  // digits after the point
};

std::optional<Decimal> Parse(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    Decimal d;
    size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        d.negative = text[i] == '-';
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                d.fraction += c;
            } else if (!(d.whole.empty() && c == '0')) {
                d.whole += c;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return d;
}

enum class Result { Ok, NotNumeric, Overflow };

Result Convert(const std::string& text, int32_t& value) {
    const auto parsed = Parse(text);
    if (!parsed) return Result::NotNumeric;
    const Decimal& d = *parsed;
    if (d.whole.size() > 10) return Result::Overflow;
    int64_t magnitude = 0;
    for (const char c : d.whole) magnitude = magnitude * 10 + (c - '0');
    // Round half to even on the exact decimal digits.
    if (!d.fraction.empty()) {
        const char first = d.fraction[0];
        const bool restNonZero = d.fraction.find_first_not_of('0', 1) != std::string::npos;
        if (first > '5' || (first == '5' && (restNonZero || magnitude % 2 == 1))) ++magnitude;
    }
    const int64_t signedValue = d.negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return Result::Overflow;
    value = static_cast<int32_t>(signedValue);
    return Result::Ok;
}

}  // namespace

bool IsNumeric(const std::string& text) {
    return Parse(text).has_value();
}

std::optional<double> NumericValue(const std::string& text) {
    const auto parsed = Parse(text);
    if (!parsed) return std::nullopt;
    // Built from the digits alone, so no locale can read the point as anything else.
    const std::string digits = (parsed->whole.empty() ? "0" : parsed->whole) + "." +
                               (parsed->fraction.empty() ? "0" : parsed->fraction);
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return parsed->negative ? -value : value;
}

std::optional<int32_t> ParseInt32(const std::string& text) {
    // The common case, a sign and at most nine digits, read at once: a master holds eleven numbers for each
    // of its thousands of mailboxes.
    const size_t signs = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (text.size() > signs && text.size() - signs <= 9) {
        int32_t magnitude = 0;
        size_t i = signs;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            magnitude = magnitude * 10 + (text[i] - '0');
        if (i == text.size()) return text[0] == '-' ? -magnitude : magnitude;
    }
    int32_t value = 0;
    if (Convert(text, value) != Result::Ok) return std::nullopt;
    return value;
}

int32_t ToInt32(const std::string& text, const std::string& what) {
    int32_t value = 0;
    switch (Convert(text, value)) {
        case Result::Ok:
            return value;
        case Result::NotNumeric:
            throw AppError(kErrTypeMismatch, "Type mismatch: " + what + " \"" + text + "\" is not a number");
        case Result::Overflow:
            throw AppError(kErrOverflow,
                           "Overflow: " + what + " " + text + " does not fit a 32-bit whole number");
    }
    return value;
}

}  // namespace pv
