// SPDX-License-Identifier: MIT
#pragma once
// Keyword texts of tokenized MSX BASIC, indexed by code - 0x81.

#include "decoder/Roles.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillet {

inline constexpr std::uint8_t FirstStatementToken = 0x81;
inline constexpr std::uint8_t LastStatementToken = 0xFC;
inline constexpr std::uint8_t FirstFunctionToken = 0x81;
inline constexpr std::uint8_t LastFunctionToken = 0xB0;
// The listing takes the byte after 0xFF without its top bit.
inline constexpr std::uint8_t FunctionNumberMask = 0x7F;

// The bytes of a line body that are not keyword texts of the tables.
namespace token {
inline constexpr std::uint8_t LineEnd = 0x00;
// In listed text a graphic character is 0x01 and its code; the tokenizer
// keeps the pair as it is (the lister sees two plain bytes).
inline constexpr std::uint8_t GraphicPrefix = 0x01;
inline constexpr std::uint8_t LastPlainControl = 0x0A; // 0x01 to here are listed as they are
inline constexpr std::uint8_t FirstConstant = 0x0B;    // 0x0B to 0x1F: constants, in every mode
inline constexpr std::uint8_t OctalConstant = 0x0B;    // &O, 16 bits follow
inline constexpr std::uint8_t HexConstant = 0x0C;      // &H, 16 bits follow
inline constexpr std::uint8_t LineAddress = 0x0D;      // a line reference turned into its address, 16 bits
inline constexpr std::uint8_t LineNumber = 0x0E;       // a line reference, 16 bits follow
inline constexpr std::uint8_t ByteConstant = 0x0F;     // 10 to 255, 8 bits follow
inline constexpr std::uint8_t InternalCode10 = 0x10;   // the interpreter's own: a constant read earlier
inline constexpr std::uint8_t FirstDigit = 0x11;       // 0x11 to 0x1A: the constants 0 to 9
inline constexpr std::uint8_t LastDigit = 0x1A;
inline constexpr std::uint8_t Ten = 0x1B;             // never stored by the tokenizer
inline constexpr std::uint8_t IntegerConstant = 0x1C; // signed 16 bits follow
inline constexpr std::uint8_t SingleConstant = 0x1D;  // 4 bytes of BCD real follow
inline constexpr std::uint8_t InternalCode1E = 0x1E;  // like 0x10
inline constexpr std::uint8_t DoubleConstant = 0x1F;  // 8 bytes of BCD real follow
inline constexpr std::uint8_t LastConstant = 0x1F;
inline constexpr std::uint8_t Quote = 0x22;
inline constexpr std::uint8_t Colon = 0x3A;
inline constexpr std::uint8_t Data = 0x84;          // DATA: text up to an unquoted colon
inline constexpr std::uint8_t Rem = 0x8F;           // REM: text to the end of the line
inline constexpr std::uint8_t Print = 0x91;         // also what ? is stored as
inline constexpr std::uint8_t Else = 0xA1;          // stored after a colon
inline constexpr std::uint8_t Call = 0xCA;          // the name after it is stored as typed
inline constexpr std::uint8_t Apostrophe = 0xE6;    // ', stored as colon, REM, apostrophe
inline constexpr std::uint8_t FirstOperator = 0xEE; // > = < + - * / ^ AND OR XOR EQV IMP MOD \ to the end
inline constexpr std::uint8_t FunctionPrefix = 0xFF;
} // namespace token

// A keyword as the tokenizer looks for it in a line's text.
struct KeywordEntry {
    std::string_view text; // upper case, as typed
    std::uint8_t code;
    bool isFunction; // stored after the 0xFF prefix
};

// The keywords that begin with `letter` (A to Z), in the order the
// tokenizer tries them; the first that matches is taken, even where a
// longer one would match too. Empty for a letter that begins none.
std::span<const KeywordEntry> keywordsStartingWith(char letter);

// The code of a one-character operator: + - * / ^ \ > = <.
std::optional<std::uint8_t> operatorToken(char c);

// The statement codes after which the tokenizer reads digits as line
// numbers: GOTO GOSUB THEN ELSE RESTORE RUN LIST LLIST DELETE RENUM AUTO
// RESUME RETURN ERL.
bool takesLineNumbers(std::uint8_t code);

// The role of a statement code's text outside strings, comments and DATA:
// REM starts a comment, the sign operators are operators, AND OR XOR EQV
// IMP MOD are keywords like the rest, and a code with no keyword (0x80,
// 0xFD, 0xFE) is only a character.
Role roleOfStatement(std::uint8_t code);

// Code 0x81 to 0xFC; any other code has no entry.
std::optional<std::string_view> statementToken(std::uint8_t code);
// The byte after the 0xFF prefix: 0x81 to 0xB0, or the same without the top
// bit (0x01 to 0x30); any other code has no entry.
std::optional<std::string_view> functionToken(std::uint8_t code);

} // namespace quillet
