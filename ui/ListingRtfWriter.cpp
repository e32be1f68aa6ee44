#include "ui/ListingRtfWriter.h"

#include "render/CodePage.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>
#include <vector>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

struct FontEntry {
    QString family;
    int charset;
    bool symbolCoded;
};

struct Tables {
    std::vector<FontEntry> fonts;
    std::vector<QRgb> colours;

    int font(const QString& family, int charset, bool symbolCoded)
    {
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            if (fonts[i].family == family && fonts[i].charset == charset && fonts[i].symbolCoded == symbolCoded)
                return static_cast<int>(i);
        }
        fonts.push_back({family, charset, symbolCoded});
        return static_cast<int>(fonts.size() - 1);
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

QString familyOf(const QTextCharFormat& format, const QFont& fallback)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.front();
    return fallback.families().isEmpty() ? fallback.family() : fallback.families().front();
}

void appendText(std::string& out, const QString& text, bool symbolCoded)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (symbolCoded && c >= 0xF000 && c <= 0xF0FF) {
            out += "\\'";
            out += HexDigits[(c >> 4) & 0x0F];
            out += HexDigits[c & 0x0F];
        } else {
            out += "\\u";
            out += std::to_string(static_cast<std::int16_t>(c));
            out += '?';
        }
    }
}

} // namespace

std::string listingDocumentRtf(const QTextDocument& document, const QColor& textColor, const QColor& background)
{
    Tables tables;
    tables.colour(textColor);
    const int backgroundIndex = tables.colour(background);
    const QFont defaultFont = document.defaultFont();
    tables.font(familyOf(QTextCharFormat(), defaultFont), 0, false);

    std::string body;
    int font = -1, colour = -1, halfPoints = -1;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const bool symbolCoded = format.boolProperty(ListingSymbolCodedProperty);
            const int f = tables.font(familyOf(format, defaultFont), format.intProperty(ListingCharsetProperty),
                                      symbolCoded);
            const int c = tables.colour(format.hasProperty(QTextFormat::ForegroundBrush)
                                            ? format.foreground().color()
                                            : textColor);
            const double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                  : defaultFont.pointSizeF() > 0                  ? defaultFont.pointSizeF()
                                                                                  : 12.0;
            const int h = static_cast<int>(std::lround(points * 2));
            if (f != font || c != colour || h != halfPoints) {
                body += "\\f" + std::to_string(f) + "\\cf" + std::to_string(c) + "\\fs" + std::to_string(h) + ' ';
                font = f, colour = c, halfPoints = h;
            }
            appendText(body, fragment.text(), symbolCoded);
        }
        body += "\\par\r\n";
    }

    std::string rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0\\uc1{\\fonttbl";
    for (std::size_t i = 0; i < tables.fonts.size(); ++i) {
        const FontEntry& entry = tables.fonts[i];
        rtf += "{\\f" + std::to_string(i) + "\\fmodern\\fcharset"
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
