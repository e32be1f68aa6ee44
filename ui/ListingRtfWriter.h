// SPDX-License-Identifier: MIT
#pragma once
// The listing view's own RTF: the text of its document with the fonts,
// sizes and colours it is shown in.

#include <QColor>
#include <QTextFormat>

#include <functional>
#include <string>

class QFont;
class QTextCharFormat;
class QTextDocument;

// Character-format properties the listing view sets for the writer.
inline constexpr int ListingCharsetProperty = QTextFormat::UserProperty + 1;     // RTF character set
inline constexpr int ListingSymbolCodedProperty = QTextFormat::UserProperty + 2; // glyphs at U+F000+code
inline constexpr int ListingRoleProperty = QTextFormat::UserProperty + 3;        // listing font 0, 1 or 2

// Fonts, colours (text per character, the page background), sizes and
// text. Characters U+F000-U+F0FF of a symbol-coded font are written as
// \'HH in a character-set-2 font numbered as in the listing, everything outside ASCII as \uN with "?"
// for readers without Unicode. Each paragraph, the last one too, ends in
// \par, so that reading the result gives the same paragraphs.
//
// The text comes from a walk over the paragraphs: visit(text, format) for
// each run of one format, paragraphEnd() after each paragraph.
using ListingFragmentVisit = std::function<void(QStringView, const QTextCharFormat&)>;
using ListingFragmentWalk =
    std::function<void(const ListingFragmentVisit& visit, const std::function<void()>& paragraphEnd)>;
std::string listingRtf(const ListingFragmentWalk& walk, const QFont& defaultFont, const QColor& textColor,
                       const QColor& background);
std::string listingDocumentRtf(const QTextDocument& document, const QColor& textColor, const QColor& background);
