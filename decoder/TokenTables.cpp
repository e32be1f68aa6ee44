#include "decoder/TokenTables.h"

#include <array>

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

} // namespace

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
