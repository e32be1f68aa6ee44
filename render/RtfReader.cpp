// SPDX-License-Identifier: MIT
#include "render/RtfReader.h"

#include "common/AnnotatedHex.h"
#include "common/Errors.h"
#include "render/CodePage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillet {

namespace {

enum class Destination : std::uint8_t { Body, FontTable, FontEntry };

struct GroupState {
    Destination destination = Destination::Body;
    int font = -1; // -1: the document's default font
    int halfPoints = 24;
    int unicodeSkip = 1;
};

// Deeper groups are skipped whole; that keeps hostile input from growing
// the stack without bound.
constexpr std::size_t MaxDepth = 512;
constexpr std::size_t MaxWordLength = 32;
constexpr std::int64_t MaxParameter = 2147483647;

// Destinations whose text is not part of the document.
constexpr std::array<std::string_view, 41> SkippedDestinations = {
    "annotation", "atnauthor",  "atnid",      "author",       "background",
    "bkmkend",    "bkmkstart",  "buptim",     "colortbl",     "colorschememapping",
    "comment",    "creatim",    "datastore",  "doccomm",      "filetbl",
    "fldinst",    "footer",     "footerf",    "footerl",      "footerr",
    "footnote",   "generator",  "header",     "headerf",      "headerl",
    "headerr",    "info",       "keywords",   "latentstyles", "listoverridetable",
    "listtable",  "nonshppict", "object",     "operator",     "pict",
    "revtbl",     "rsidtbl",    "stylesheet", "subject",      "themedata",
    "title",
};

bool isSkippedDestination(std::string_view word)
{
    return std::find(SkippedDestinations.begin(), SkippedDestinations.end(), word) != SkippedDestinations.end();
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct ControlWord {
    std::string_view word;
    bool hasParameter = false;
    int parameter = 0;
};

// Joins UTF-16 code units from \uN into characters; a lone surrogate
// becomes U+FFFD.
class SurrogateJoiner {
public:
    template <typename Emit> void add(char32_t unit, Emit&& emit)
    {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            flush(emit);
            high_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (high_) {
                emit(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
                high_ = 0;
            } else {
                emit(ReplacementCharacter);
            }
        } else {
            flush(emit);
            emit(unit);
        }
    }
    template <typename Emit> void flush(Emit&& emit)
    {
        if (high_) {
            high_ = 0;
            emit(ReplacementCharacter);
        }
    }

private:
    char32_t high_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view in, std::size_t runsPerPart = 0, const RtfPartHandler* onPart = nullptr)
        : in_(in), runsPerPart_(runsPerPart), onPart_(onPart)
    {}

    RtfDocument run()
    {
        std::size_t start = 0;
        while (start < in_.size()
               && (in_[start] == ' ' || in_[start] == '\t' || in_[start] == '\r' || in_[start] == '\n'))
            ++start;
        if (in_.substr(start, 5) != "{\\rtf")
            throw QuilletError(ErrorKind::NotRtf, "not an RTF document");
        pos_ = start;
        while (pos_ < in_.size() && !finished_)
            step();
        flushHigh();
        if (onPart_)
            (*onPart_)(doc_, in_.size(), true);
        return std::move(doc_);
    }

private:
    void step()
    {
        const char c = in_[pos_];
        switch (c) {
        case '{':
            ++pos_;
            openGroup();
            return;
        case '}':
            ++pos_;
            closeGroup();
            return;
        case '\\':
            ++pos_;
            escape();
            return;
        case '\r':
        case '\n': ++pos_; return;
        default:
            ++pos_;
            groupStart_ = false;
            literal(c);
            return;
        }
    }

    void openGroup()
    {
        if (stack_.size() >= MaxDepth) {
            skipRestOfGroup(false);
            return;
        }
        stack_.push_back(state_);
        pendingSkip_ = 0;
        if (state_.destination == Destination::FontTable) {
            commitEntry();
            entryClosed_ = false;
            state_.destination = Destination::FontEntry;
        }
        groupStart_ = true;
    }

    void closeGroup()
    {
        groupStart_ = false;
        pendingSkip_ = 0;
        // An entry ends with its own group, or with the table.
        const Destination parent = stack_.empty() ? Destination::Body : stack_.back().destination;
        if ((state_.destination == Destination::FontEntry && parent == Destination::FontTable)
            || (state_.destination != Destination::Body && parent == Destination::Body))
            commitEntry();
        if (stack_.empty()) {
            finished_ = true;
            return;
        }
        state_ = stack_.back();
        stack_.pop_back();
        if (stack_.empty())
            finished_ = true; // the document's own group has ended
    }

    // Consumes everything up to and including the "}" that closes the
    // current group, then closes it (unless it was never pushed).
    void skipRestOfGroup(bool pushed = true)
    {
        std::size_t depth = 1;
        while (pos_ < in_.size()) {
            const std::size_t next = in_.find_first_of("{}\\", pos_);
            if (next == std::string_view::npos) {
                pos_ = in_.size();
                break;
            }
            pos_ = next + 1;
            const char c = in_[next];
            if (c == '{') {
                ++depth;
            } else if (c == '}') {
                if (--depth == 0)
                    break;
            } else if (pos_ < in_.size()) {
                if (isLetter(in_[pos_])) {
                    const ControlWord word = readControlWord();
                    if (word.word == "bin")
                        skipBinary(word);
                } else {
                    ++pos_;
                }
            }
        }
        if (depth != 0)
            finished_ = true;
        else if (pushed)
            closeGroup();
    }

    ControlWord readControlWord()
    {
        ControlWord result;
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]))
            ++pos_;
        result.word = in_.substr(start, std::min(pos_ - start, MaxWordLength));
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        if (pos_ < in_.size() && isDigit(in_[pos_])) {
            std::int64_t value = 0;
            while (pos_ < in_.size() && isDigit(in_[pos_])) {
                value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'), MaxParameter);
                ++pos_;
            }
            result.hasParameter = true;
            result.parameter = static_cast<int>(negative ? -value : value);
        }
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        return result;
    }

    void skipBinary(const ControlWord& word)
    {
        if (word.hasParameter && word.parameter > 0)
            pos_ += std::min<std::size_t>(static_cast<std::size_t>(word.parameter), in_.size() - pos_);
    }

    void escape()
    {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (isLetter(c)) {
            const ControlWord word = readControlWord();
            const bool atGroupStart = groupStart_;
            groupStart_ = false;
            if (word.word == "bin") {
                skipBinary(word);
                return;
            }
            if (atGroupStart && isSkippedDestination(word.word)) {
                skipRestOfGroup();
                return;
            }
            if (pendingSkip_ > 0) {
                --pendingSkip_;
                return;
            }
            controlWord(word);
            return;
        }
        ++pos_;
        const bool atGroupStart = groupStart_;
        groupStart_ = false;
        if (c == '*') {
            if (atGroupStart)
                skipRestOfGroup();
            return;
        }
        if (c == '\'') {
            if (pos_ + 1 < in_.size()) {
                const int high = hexDigitValue(in_[pos_]);
                const int low = hexDigitValue(in_[pos_ + 1]);
                if (high >= 0 && low >= 0) {
                    pos_ += 2;
                    if (pendingSkip_ > 0) {
                        --pendingSkip_;
                        return;
                    }
                    if (state_.destination == Destination::Body)
                        hexBytes(static_cast<char>(high * 16 + low));
                    else
                        byte(static_cast<char>(high * 16 + low));
                }
            }
            return;
        }
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}': byte(c); return;
        case '~': unicode(0x00A0); return;
        case '_': unicode(0x2011); return;
        case '\r':
        case '\n':
            if (state_.destination == Destination::Body)
                paragraph();
            return;
        default: return; // \- \| \: and unknown symbols
        }
    }

    void controlWord(const ControlWord& w)
    {
        const std::string_view word = w.word;
        const int parameter = w.hasParameter ? w.parameter : 0;
        // Document-level words act anywhere.
        if (word == "ansicpg") {
            if (parameter > 0)
                doc_.codePage = parameter;
            return;
        }
        if (word == "ansi") {
            doc_.codePage = 1252;
            return;
        }
        if (word == "mac") {
            doc_.codePage = 10000;
            return;
        }
        if (word == "pc") {
            doc_.codePage = 437;
            return;
        }
        if (word == "pca") {
            doc_.codePage = 850;
            return;
        }
        if (word == "deff") {
            doc_.defaultFont = std::max(parameter, 0);
            return;
        }
        if (word == "uc") {
            state_.unicodeSkip = std::clamp(parameter, 0, 16);
            return;
        }
        if (word == "u") {
            unicode(static_cast<char32_t>(static_cast<std::uint16_t>(parameter)));
            pendingSkip_ = state_.unicodeSkip;
            return;
        }
        if (state_.destination != Destination::Body) {
            fontTableWord(word, w.hasParameter, parameter);
            return;
        }
        if (word == "fonttbl") {
            state_.destination = Destination::FontTable;
            return;
        }
        if (word == "f") {
            state_.font = std::max(parameter, 0);
        } else if (word == "fs") {
            state_.halfPoints = parameter > 0 ? parameter : 24;
        } else if (word == "plain") {
            state_.font = -1;
            state_.halfPoints = 24;
        } else if (word == "par" || word == "line" || word == "page" || word == "sect" || word == "row") {
            paragraph();
        } else if (word == "tab" || word == "cell") {
            unicode(U'\t');
        } else if (word == "emdash") {
            unicode(0x2014);
        } else if (word == "endash") {
            unicode(0x2013);
        } else if (word == "bullet") {
            unicode(0x2022);
        } else if (word == "lquote") {
            unicode(0x2018);
        } else if (word == "rquote") {
            unicode(0x2019);
        } else if (word == "ldblquote") {
            unicode(0x201C);
        } else if (word == "rdblquote") {
            unicode(0x201D);
        } else if (word == "emspace") {
            unicode(0x2003);
        } else if (word == "enspace") {
            unicode(0x2002);
        }
    }

    void fontTableWord(std::string_view word, bool hasParameter, int parameter)
    {
        if (word == "f") {
            // A table without groups starts each entry with \fN.
            if (state_.destination == Destination::FontTable || entryHasName())
                commitEntry();
            entryClosed_ = false;
            entryOpen_ = true;
            entry_.number = std::max(parameter, 0);
        } else if (word == "fcharset" && hasParameter) {
            entryOpen_ = true;
            entry_.charset = parameter;
        }
    }

    void literal(char c)
    {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (state_.destination != Destination::Body && c == ';') {
            commitEntry();
            entryClosed_ = true; // whatever follows up to the next entry is not a name
            return;
        }
        byte(c);
    }

    void byte(char c)
    {
        if (state_.destination != Destination::Body) {
            if (entryClosed_)
                return;
            entryOpen_ = true;
            joiner_.flush([this](char32_t u) { entryName_ += u; });
            entryBytes_ += c;
            return;
        }
        flushHigh();
        RtfRun& run = currentRun(RtfRun::Kind::Bytes);
        doc_.bytes += c;
        ++run.length;
    }

    // A run of \'HH in the text, the bulk of a listing, taken in one go:
    // each would go to byte() into the same run.
    void hexBytes(char first)
    {
        flushHigh();
        RtfRun& run = currentRun(RtfRun::Kind::Bytes);
        doc_.bytes += first;
        std::size_t count = 1;
        // Up to the part's size, where a long paragraph may be cut.
        const std::size_t room = doc_.bytes.size() < RtfPartBytes ? RtfPartBytes - doc_.bytes.size() : 0;
        while (count <= room && pos_ + 3 < in_.size() && in_[pos_] == '\\' && in_[pos_ + 1] == '\'') {
            const int high = hexDigitValue(in_[pos_ + 2]);
            const int low = hexDigitValue(in_[pos_ + 3]);
            if (high < 0 || low < 0)
                break;
            doc_.bytes += static_cast<char>(high * 16 + low);
            ++count;
            pos_ += 4;
        }
        run.length += count;
        if (onPart_ && doc_.bytes.size() + doc_.text.size() >= RtfPartBytes
            && static_cast<std::uint8_t>(doc_.bytes.back()) < 0x80)
            handOver();
    }

    void unicode(char32_t unit)
    {
        if (state_.destination != Destination::Body) {
            if (entryClosed_)
                return;
            entryOpen_ = true;
            decodeEntryBytes();
            joiner_.add(unit, [this](char32_t u) { entryName_ += u; });
            return;
        }
        joiner_.add(unit, [this](char32_t u) {
            RtfRun& run = currentRun(RtfRun::Kind::Text);
            doc_.text += u;
            ++run.length;
        });
    }

    void paragraph()
    {
        flushHigh();
        RtfRun run;
        run.kind = RtfRun::Kind::ParagraphEnd;
        run.font = currentFont();
        run.halfPoints = state_.halfPoints;
        doc_.runs.push_back(run);
        // A paragraph's end splits nothing: hand over what has been read.
        if (onPart_ && doc_.runs.size() >= runsPerPart_)
            handOver();
    }

    void handOver()
    {
        (*onPart_)(doc_, pos_, false);
        doc_.runs.clear();
        doc_.bytes.clear();
        doc_.text.clear();
    }

    void flushHigh()
    {
        joiner_.flush([this](char32_t u) {
            RtfRun& run = currentRun(RtfRun::Kind::Text);
            doc_.text += u;
            ++run.length;
        });
    }

    int currentFont() const { return state_.font < 0 ? doc_.defaultFont : state_.font; }

    RtfRun& currentRun(RtfRun::Kind kind)
    {
        const int font = currentFont();
        if (!doc_.runs.empty()) {
            RtfRun& last = doc_.runs.back();
            if (last.kind == kind && last.font == font && last.halfPoints == state_.halfPoints)
                return last;
        }
        RtfRun run;
        run.kind = kind;
        run.font = font;
        run.halfPoints = state_.halfPoints;
        run.offset = kind == RtfRun::Kind::Bytes ? doc_.bytes.size() : doc_.text.size();
        doc_.runs.push_back(run);
        return doc_.runs.back();
    }

    bool entryHasName() const { return !entryName_.empty() || !entryBytes_.empty(); }

    void decodeEntryBytes()
    {
        if (entryBytes_.empty())
            return;
        const int fromCharset = codePageOfCharset(entry_.charset);
        CodePageDecoder decoder(fromCharset > 0 ? fromCharset : doc_.codePage);
        decoder.decode(entryBytes_, entryName_);
        entryBytes_.clear();
    }

    void commitEntry()
    {
        if (!entryOpen_)
            return;
        decodeEntryBytes();
        joiner_.flush([this](char32_t u) { entryName_ += u; });
        entry_.name.clear();
        for (const char32_t c : entryName_)
            appendUtf8(entry_.name, c);
        doc_.fonts.push_back(entry_);
        entry_ = RtfFont();
        entryName_.clear();
        entryOpen_ = false;
    }

    std::string_view in_;
    std::size_t runsPerPart_;
    const RtfPartHandler* onPart_;
    std::size_t pos_ = 0;
    RtfDocument doc_;
    std::vector<GroupState> stack_;
    GroupState state_;
    bool finished_ = false;
    bool groupStart_ = false;
    int pendingSkip_ = 0;
    SurrogateJoiner joiner_;

    RtfFont entry_;
    bool entryOpen_ = false;
    std::u32string entryName_;
    std::string entryBytes_; // not yet decoded, after entryName_
    bool entryClosed_ = false;
};

} // namespace

const RtfFont* RtfDocument::font(int number) const
{
    for (auto it = fonts.rbegin(); it != fonts.rend(); ++it) {
        if (it->number == number)
            return &*it;
    }
    return nullptr;
}

RtfDocument readRtf(std::string_view rtf)
{
    return Parser(rtf).run();
}

void readRtf(std::string_view rtf, std::size_t runsPerPart, const RtfPartHandler& onPart)
{
    Parser(rtf, std::max<std::size_t>(runsPerPart, 1), &onPart).run();
}

} // namespace quillet
