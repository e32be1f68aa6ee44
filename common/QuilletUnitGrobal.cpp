#include "common/QuilletUnitGrobal.h"

#include <filesystem>
#include <system_error>

namespace quillet {

std::string systemTempDir()
{
    std::error_code error;
    std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    if (error || dir.empty())
        dir = std::filesystem::path("/tmp");
    std::string text = dir.string();
    if (text.empty() || text.back() != std::filesystem::path::preferred_separator)
        text += static_cast<char>(std::filesystem::path::preferred_separator);
    return text;
}

} // namespace quillet
