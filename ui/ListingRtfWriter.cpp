// SPDX-License-Identifier: MIT
#include "ui/ListingRtfWriter.h"

#include "render/CodePage.h"
#include "render/RtfEscape.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct FontEntry {
    QString family;
    int charset;
    bool symbolCoded;
    int role;
    int number = -1;
    bool operator==(const FontEntry& other) const
    {
        return family == other.family && charset == other.charset && symbolCoded == other.symbolCoded
               && role == other.role;
    }
};

struct Tables {
    std::vector<FontEntry> fonts;
    std::vector<QRgb> colours;

    std::size_t font(const FontEntry& entry)
    {
        const auto found = std::find(fonts.begin(), fonts.end(), entry);
        if (found != fonts.end())
            return static_cast<std::size_t>(found - fonts.begin());
        fonts.push_back(entry);
        return fonts.size() - 1;
    }

    // A symbol-coded font keeps the number of its role (0 text, 1 graphic,
    // 2 the mapped 0xAD), so that a reader without the font still knows
    // which look-alikes its bytes stand for; the others take free numbers.
    void numberFonts()
    {
        std::vector<bool> taken;
        auto take = [&taken](int number) {
            if (static_cast<std::size_t>(number) >= taken.size())
                taken.resize(static_cast<std::size_t>(number) + 1);
            taken[static_cast<std::size_t>(number)] = true;
        };
        auto isTaken = [&taken](int number) {
            return static_cast<std::size_t>(number) < taken.size() && taken[static_cast<std::size_t>(number)];
        };
        for (FontEntry& entry : fonts) {
            if (entry.symbolCoded && !isTaken(entry.role)) {
                entry.number = entry.role;
                take(entry.role);
            }
        }
        int next = 0;
        for (FontEntry& entry : fonts) {
            if (entry.number >= 0)
                continue;
            while (isTaken(next))
                ++next;
            entry.number = next;
            take(next);
        }
    }

    // Colour numbers start at 1: \cf0 is the reader's automatic colour.
    int colour(const QColor& color)
    {
        const QRgb rgb = color.rgb();
        for (std::size_t i = 0; i < colours.size(); ++i) {
            if (colours[i] == rgb)
                return static_cast<int>(i + 1);
        }
        colours.push_back(rgb);
        return static_cast<int>(colours.size());
    }
};

FontEntry entryOf(const QTextCharFormat& format, const QFont& defaultFont);

QString familyOf(const QTextCharFormat& format, const QFont& fallback)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.front();
    return fallback.families().isEmpty() ? fallback.family() : fallback.families().front();
}

void appendText(std::string& out, QStringView text, bool symbolCoded)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (quillet::isRtfSpecial(c)) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (symbolCoded && c >= 0xF000 && c <= 0xF0FF) {
            quillet::appendRtfHexEscape(out, static_cast<std::uint8_t>(c & 0xFF));
        } else {
            quillet::appendRtfUnicodeEscape(out, c); // one UTF-16 unit, surrogates one by one
        }
    }
}

FontEntry entryOf(const QTextCharFormat& format, const QFont& defaultFont)
{
    const bool symbolCoded = format.boolProperty(ListingSymbolCodedProperty);
    return {familyOf(format, defaultFont), format.intProperty(ListingCharsetProperty), symbolCoded,
            symbolCoded ? format.intProperty(ListingRoleProperty) : 0};
}

} // namespace

std::string listingRtf(const ListingFragmentWalk& walk, const QFont& defaultFont, const QColor& textColor,
                       const QColor& background)
{
    Tables tables;
    tables.colour(textColor);
    const int backgroundIndex = tables.colour(background);
    const std::size_t defaultEntry = tables.font(entryOf(QTextCharFormat(), defaultFont));
    walk([&](QStringView, const QTextCharFormat& format) { tables.font(entryOf(format, defaultFont)); }, [] {});
    tables.numberFonts();

    std::string body;
    int font = -1, colour = -1, halfPoints = -1;
    const auto fragment = [&](QStringView text, const QTextCharFormat& format) {
        const FontEntry& entry = tables.fonts[tables.font(entryOf(format, defaultFont))];
        const bool symbolCoded = entry.symbolCoded;
        const int f = entry.number;
        const int c =
            tables.colour(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : textColor);
        const double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                              : defaultFont.pointSizeF() > 0                 ? defaultFont.pointSizeF()
                                                                             : 12.0;
        const int h = static_cast<int>(std::lround(points * 2));
        if (f != font || c != colour || h != halfPoints) {
            body += "\\f" + std::to_string(f) + "\\cf" + std::to_string(c) + "\\fs" + std::to_string(h) + ' ';
            font = f, colour = c, halfPoints = h;
        }
        appendText(body, text, symbolCoded);
    };
    walk(fragment, [&body] { body += "\\par\r\n"; });

    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg932\\deff" + std::to_string(tables.fonts[defaultEntry].number) + "\\uc1{\\fonttbl";
    for (const FontEntry& entry : tables.fonts) {
        rtf += "{\\f" + std::to_string(entry.number) + "\\fmodern\\fcharset"
               + std::to_string(entry.symbolCoded ? 2 : entry.charset) + ' ';
        rtf += quillet::rtfFontNameCp932(entry.family.toStdString());
        rtf += ";}";
    }
    rtf += "}\r\n{\\colortbl;";
    for (const QRgb rgb : tables.colours) {
        rtf += "\\red" + std::to_string(qRed(rgb)) + "\\green" + std::to_string(qGreen(rgb)) + "\\blue"
               + std::to_string(qBlue(rgb)) + ';';
    }
    rtf += "}\r\n";
    // The page background, as word processors keep it.
    const QRgb back = tables.colours[static_cast<std::size_t>(backgroundIndex - 1)];
    rtf += "\\viewbksp1{\\*\\background{\\shp{\\*\\shpinst{\\sp{\\sn fillType}{\\sv 0}}{\\sp{\\sn fillColor}{\\sv "
           + std::to_string(qRed(back) | (qGreen(back) << 8) | (qBlue(back) << 16)) + "}}}}}\r\n";
    rtf += body;
    rtf += "}\r\n";
    return rtf;
}

std::string listingDocumentRtf(const QTextDocument& document, const QColor& textColor, const QColor& background)
{
    const auto walk = [&document](const ListingFragmentVisit& visit, const std::function<void()>& paragraphEnd) {
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                visit(it.fragment().text(), it.fragment().charFormat());
            paragraphEnd();
        }
    };
    return listingRtf(walk, document.defaultFont(), textColor, background);
}
