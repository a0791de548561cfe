#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace pv {

// The numeric test of every form: blanks around, an optional sign, digits with an optional decimal point.
bool IsNumeric(const std::string& text);

// The value of a numeric text, for comparing it; nullopt when the text is not numeric.
std::optional<double> NumericValue(const std::string& text);

// The value rounded to the nearest whole number, a half going to the even neighbour; nullopt when the text
// is not numeric or the value does not fit 32 bits.
std::optional<int32_t> ParseInt32(const std::string& text);

// Like ParseInt32, but throws AppError: "Type mismatch" for a text that is not a number, "Overflow" for a
// number outside the 32-bit range. `what` names the value in the description.
int32_t ToInt32(const std::string& text, const std::string& what);

}  // namespace pv
