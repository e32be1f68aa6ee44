#pragma once
// The closed list of ways a conversion or a file operation can fail. Each
// kind has one fixed text; callers add the path or line where it helps.

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillet {

enum class ErrorKind {
    BadRealConstant, // a BCD digit above 9 in a real constant
    ReadFailed,      // an input file could not be opened or read
    WriteFailed,     // an output file could not be written or closed
    CreateFailed,    // an output or temporary file could not be created
    NoScreenLayout,  // the screen mode has no picture layout (SCREEN 9, unknown)
    ViewLoadFailed,  // a view refused the content it was given
};

std::string_view errorText(ErrorKind kind);

class QuilletError : public std::runtime_error {
public:
    QuilletError(ErrorKind kind, const std::string& detail = {});
    ErrorKind kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

} // namespace quillet
