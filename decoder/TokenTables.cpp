// SPDX-License-Identifier: MIT
#include "decoder/TokenTables.h"

#include <array>
#include <span>

namespace quillet {

namespace {

constexpr std::array<std::string_view, 124> StatementTokenTable = {
    "END",   "FOR",   "NEXT",    "DATA",    "INPUT",  "DIM",    "READ",   "LET",    // 81
    "GOTO",  "RUN",   "IF",      "RESTORE", "GOSUB",  "RETURN", "REM",    "STOP",   // 89
    "PRINT", "CLEAR", "LIST",    "NEW",     "ON",     "WAIT",   "DEF",    "POKE",   // 91
    "CONT",  "CSAVE", "CLOAD",   "OUT",     "LPRINT", "LLIST",  "CLS",    "WIDTH",  // 99
    "ELSE",  "TRON",  "TROFF",   "SWAP",    "ERASE",  "ERROR",  "RESUME", "DELETE", // A1
    "AUTO",  "RENUM", "DEFSTR",  "DEFINT",  "DEFSNG", "DEFDBL", "LINE",   "OPEN",   // A9
    "FIELD", "GET",   "PUT",     "CLOSE",   "LOAD",   "MERGE",  "FILES",  "LSET",   // B1
    "RSET",  "SAVE",  "LFILES",  "CIRCLE",  "COLOR",  "DRAW",   "PAINT",  "BEEP",   // B9
    "PLAY",  "PSET",  "PRESET",  "SOUND",   "SCREEN", "VPOKE",  "SPRITE", "VDP",    // C1
    "BASE",  "CALL",  "TIME",    "KEY",     "MAX",    "MOTOR",  "BLOAD",  "BSAVE",  // C9
    "DSKO$", "SET",   "NAME",    "KILL",    "IPL",    "COPY",   "CMD",    "LOCATE", // D1
    "TO",    "THEN",  "TAB(",    "STEP",    "USR",    "FN",     "SPC(",   "NOT",    // D9
    "ERL",   "ERR",   "STRING$", "USING",   "INSTR",  "'",      "VARPTR", "CSRLIN", // E1
    "ATTR$", "DSKI$", "OFF",     "INKEY$",  "POINT",  ">",      "=",      "<",      // E9
    "+",     "-",     "*",       "/",       "^",      "AND",    "OR",     "XOR",    // F1
    "EQV",   "IMP",   "MOD",     "\\",                                              // F9
};

constexpr std::array<std::string_view, 48> FunctionTokenTable = {
    "LEFT$",  "RIGHT$", "MID$",  "SGN",  "INT",  "ABS",  "SQR",  "RND",   // FF 81
    "SIN",    "LOG",    "EXP",   "COS",  "TAN",  "ATN",  "FRE",  "INP",   // FF 89
    "POS",    "LEN",    "STR$",  "VAL",  "ASC",  "CHR$", "PEEK", "VPEEK", // FF 91
    "SPACE$", "OCT$",   "HEX$",  "LPOS", "BIN$", "CINT", "CSNG", "CDBL",  // FF 99
    "FIX",    "STICK",  "STRIG", "PDL",  "PAD",  "DSKF", "FPOS", "CVI",   // FF A1
    "CVS",    "CVD",    "EOF",   "LOC",  "LOF",  "MKI$", "MKS$", "MKD$",  // FF A9
};

static_assert(StatementTokenTable.size() == LastStatementToken - FirstStatementToken + 1);
static_assert(FunctionTokenTable.size() == LastFunctionToken - FirstFunctionToken + 1);

// The entry for a keyword text, its code taken from the tables above so
// that the two never disagree; a text in neither table fails to compile.
consteval KeywordEntry keyword(std::string_view text)
{
    for (std::size_t i = 0; i < StatementTokenTable.size(); ++i) {
        if (StatementTokenTable[i] == text)
            return {text, static_cast<std::uint8_t>(FirstStatementToken + i), false};
    }
    for (std::size_t i = 0; i < FunctionTokenTable.size(); ++i) {
        if (FunctionTokenTable[i] == text)
            return {text, static_cast<std::uint8_t>(FirstFunctionToken + i), true};
    }
    throw "not a keyword";
}

// Grouped by first letter. Within a group the order only matters where one
// keyword begins another, and there the longer comes first, or it could
// never be typed: DEFSTR before DEF, ERROR before ERR, INPUT before INP,
// LOCATE before LOC. GO TO is a second spelling of GOTO, listed as GOTO.
constexpr KeywordEntry KeywordSearchTable[] = {
    keyword("AUTO"),
    keyword("AND"),
    keyword("ABS"),
    keyword("ATN"),
    keyword("ASC"),
    keyword("ATTR$"),
    keyword("BASE"),
    keyword("BSAVE"),
    keyword("BLOAD"),
    keyword("BEEP"),
    keyword("BIN$"),
    keyword("CALL"),
    keyword("CLOSE"),
    keyword("COPY"),
    keyword("CONT"),
    keyword("CLEAR"),
    keyword("CLOAD"),
    keyword("CSAVE"),
    keyword("CSRLIN"),
    keyword("CINT"),
    keyword("CSNG"),
    keyword("CDBL"),
    keyword("CVI"),
    keyword("CVS"),
    keyword("CVD"),
    keyword("COS"),
    keyword("CHR$"),
    keyword("CIRCLE"),
    keyword("COLOR"),
    keyword("CLS"),
    keyword("CMD"),
    keyword("DELETE"),
    keyword("DATA"),
    keyword("DIM"),
    keyword("DEFSTR"),
    keyword("DEFINT"),
    keyword("DEFSNG"),
    keyword("DEFDBL"),
    keyword("DSKO$"),
    keyword("DEF"),
    keyword("DSKI$"),
    keyword("DSKF"),
    keyword("DRAW"),
    keyword("ELSE"),
    keyword("END"),
    keyword("ERASE"),
    keyword("ERROR"),
    keyword("ERL"),
    keyword("ERR"),
    keyword("EXP"),
    keyword("EOF"),
    keyword("EQV"),
    keyword("FOR"),
    keyword("FIELD"),
    keyword("FILES"),
    keyword("FN"),
    keyword("FRE"),
    keyword("FIX"),
    keyword("FPOS"),
    keyword("GOTO"),
    {"GO TO", keyword("GOTO").code, false},
    keyword("GOSUB"),
    keyword("GET"),
    keyword("HEX$"),
    keyword("INPUT"),
    keyword("IF"),
    keyword("INSTR"),
    keyword("INT"),
    keyword("INP"),
    keyword("IMP"),
    keyword("INKEY$"),
    keyword("IPL"),
    keyword("KILL"),
    keyword("KEY"),
    keyword("LPRINT"),
    keyword("LLIST"),
    keyword("LPOS"),
    keyword("LET"),
    keyword("LINE"),
    keyword("LOAD"),
    keyword("LSET"),
    keyword("LIST"),
    keyword("LFILES"),
    keyword("LOG"),
    keyword("LOCATE"),
    keyword("LOC"),
    keyword("LEN"),
    keyword("LEFT$"),
    keyword("LOF"),
    keyword("MOTOR"),
    keyword("MERGE"),
    keyword("MOD"),
    keyword("MKI$"),
    keyword("MKS$"),
    keyword("MKD$"),
    keyword("MID$"),
    keyword("MAX"),
    keyword("NEXT"),
    keyword("NEW"),
    keyword("NOT"),
    keyword("NAME"),
    keyword("OPEN"),
    keyword("OUT"),
    keyword("ON"),
    keyword("OR"),
    keyword("OCT$"),
    keyword("OFF"),
    keyword("PRINT"),
    keyword("PUT"),
    keyword("POKE"),
    keyword("POS"),
    keyword("PEEK"),
    keyword("PSET"),
    keyword("PRESET"),
    keyword("POINT"),
    keyword("PAINT"),
    keyword("PDL"),
    keyword("PAD"),
    keyword("PLAY"),
    keyword("RETURN"),
    keyword("READ"),
    keyword("RUN"),
    keyword("RESTORE"),
    keyword("REM"),
    keyword("RESUME"),
    keyword("RSET"),
    keyword("RIGHT$"),
    keyword("RND"),
    keyword("RENUM"),
    keyword("SCREEN"),
    keyword("SPRITE"),
    keyword("STOP"),
    keyword("SWAP"),
    keyword("SET"),
    keyword("SAVE"),
    keyword("SPC("),
    keyword("STEP"),
    keyword("SGN"),
    keyword("SQR"),
    keyword("SIN"),
    keyword("STR$"),
    keyword("STRING$"),
    keyword("SPACE$"),
    keyword("SOUND"),
    keyword("STICK"),
    keyword("STRIG"),
    keyword("THEN"),
    keyword("TRON"),
    keyword("TROFF"),
    keyword("TAB("),
    keyword("TO"),
    keyword("TIME"),
    keyword("TAN"),
    keyword("USING"),
    keyword("USR"),
    keyword("VAL"),
    keyword("VARPTR"),
    keyword("VDP"),
    keyword("VPOKE"),
    keyword("VPEEK"),
    keyword("WIDTH"),
    keyword("WAIT"),
    keyword("XOR"),
};

// Every keyword that begins with a letter is in the search table once, and
// GO TO is the one text added.
constexpr bool searchTableIsComplete()
{
    std::size_t letterKeywords = 0;
    for (auto table : {std::span<const std::string_view>(StatementTokenTable),
                       std::span<const std::string_view>(FunctionTokenTable)}) {
        for (std::string_view text : table)
            letterKeywords += text[0] >= 'A' && text[0] <= 'Z';
    }
    return std::size(KeywordSearchTable) == letterKeywords + 1;
}
static_assert(searchTableIsComplete());

// No keyword comes after one that begins it, where it could never match.
constexpr bool longerKeywordsComeFirst()
{
    for (std::size_t i = 0; i < std::size(KeywordSearchTable); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (KeywordSearchTable[i].text.starts_with(KeywordSearchTable[j].text))
                return false;
        }
    }
    return true;
}
static_assert(longerKeywordsComeFirst());

// Where each letter's group starts in KeywordSearchTable; the entry after
// Z is the table's end.
constexpr std::array<std::size_t, 27> LetterGroupStarts = [] {
    std::array<std::size_t, 27> starts{};
    std::size_t at = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        starts[static_cast<std::size_t>(letter - 'A')] = at;
        while (at < std::size(KeywordSearchTable) && KeywordSearchTable[at].text[0] == letter)
            ++at;
    }
    starts[26] = at;
    return starts;
}();
static_assert(LetterGroupStarts[26] == std::size(KeywordSearchTable), "groups in A to Z order");

} // namespace

std::span<const KeywordEntry> keywordsStartingWith(char letter)
{
    if (letter < 'A' || letter > 'Z')
        return {};
    const auto index = static_cast<std::size_t>(letter - 'A');
    return std::span(KeywordSearchTable)
        .subspan(LetterGroupStarts[index], LetterGroupStarts[index + 1] - LetterGroupStarts[index]);
}

std::optional<std::uint8_t> operatorToken(char c)
{
    switch (c) {
    case '>': return 0xEE;
    case '=': return 0xEF;
    case '<': return 0xF0;
    case '+': return 0xF1;
    case '-': return 0xF2;
    case '*': return 0xF3;
    case '/': return 0xF4;
    case '^': return 0xF5;
    case '\\': return 0xFC;
    default: return std::nullopt;
    }
}

bool takesLineNumbers(std::uint8_t code)
{
    switch (code) {
    case 0x89: // GOTO
    case 0x8D: // GOSUB
    case 0xDA: // THEN
    case 0xA1: // ELSE
    case 0x8C: // RESTORE
    case 0x8A: // RUN
    case 0x93: // LIST
    case 0x9E: // LLIST
    case 0xA8: // DELETE
    case 0xAA: // RENUM
    case 0xA9: // AUTO
    case 0xA7: // RESUME
    case 0x8E: // RETURN
    case 0xE1: // ERL
        return true;
    default: return false;
    }
}

Role roleOfStatement(std::uint8_t code)
{
    if (code < FirstStatementToken || code > LastStatementToken)
        return Role::Text;
    if (code == token::Rem)
        return Role::Comment;
    if ((code >= token::FirstOperator && code <= 0xF5) || code == 0xFC)
        return Role::Operator; // > = < + - * / ^ and the backslash
    return Role::Keyword;
}

std::optional<std::string_view> statementToken(std::uint8_t code)
{
    if (code < FirstStatementToken || code > LastStatementToken)
        return std::nullopt;
    return StatementTokenTable[code - FirstStatementToken];
}

std::optional<std::string_view> functionToken(std::uint8_t code)
{
    const unsigned number = code & FunctionNumberMask;
    constexpr unsigned first = FirstFunctionToken & FunctionNumberMask;
    constexpr unsigned last = LastFunctionToken & FunctionNumberMask;
    if (number < first || number > last)
        return std::nullopt;
    return FunctionTokenTable[number - first];
}

} // namespace quillet
