#pragma once
#include <stdexcept>
#include <string>

namespace pv {

// Stable error numbers shown after the "Error saving=", "Unexpected error in LoadFile=" and "Error="
// prefixes. They keep the values administrators have always seen for these failures.
enum ErrorNumber : int {
    kErrKeyNotFound = 5,
    kErrOverflow = 6,
    kErrTypeMismatch = 13,
    kErrFileAccess = 75,
    kErrPathNotFound = 76,
    kErrUnknownType = 380,
    kErrDuplicateKey = 457,
    kErrInvalidName = 1001,
    kErrUnwritableValue = 1002,
};

// An error raised while reading or writing configuration; the message boxes show its number and description.
class AppError : public std::runtime_error {
  public:
    AppError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

  private:
    int number_;
};

// prefix, number, ":" and description, with no blanks: "Error saving=75:Permission denied".
inline std::string FormatError(const std::string& prefix, const AppError& error) {
    return prefix + std::to_string(error.number()) + ":" + error.description();
}

}  // namespace pv
