#include "common/Errors.h"

namespace quillet {

std::string_view errorText(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::BadRealConstant: return "invalid digit in a real constant";
    case ErrorKind::ReadFailed: return "cannot read the file";
    case ErrorKind::WriteFailed: return "cannot write the file";
    case ErrorKind::CreateFailed: return "cannot create the file";
    case ErrorKind::NoScreenLayout: return "the screen mode has no picture layout";
    case ErrorKind::ViewLoadFailed: return "the view cannot show the document";
    }
    return "unknown error";
}

static std::string composeMessage(ErrorKind kind, const std::string& detail)
{
    std::string text(errorText(kind));
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return text;
}

QuilletError::QuilletError(ErrorKind kind, const std::string& detail)
    : std::runtime_error(composeMessage(kind, detail)), kind_(kind)
{}

} // namespace quillet
