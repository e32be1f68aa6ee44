#pragma once
// Keyword texts of tokenized MSX BASIC, indexed by code - 0x81.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillet {

inline constexpr std::uint8_t FirstStatementToken = 0x81;
inline constexpr std::uint8_t LastStatementToken = 0xFC;
inline constexpr std::uint8_t FirstFunctionToken = 0x81;
inline constexpr std::uint8_t LastFunctionToken = 0xB0;

// Code 0x81 to 0xFC; any other code has no entry.
std::optional<std::string_view> statementToken(std::uint8_t code);
// The byte after the 0xFF prefix, 0x81 to 0xB0; any other code has no entry.
std::optional<std::string_view> functionToken(std::uint8_t code);

} // namespace quillet
