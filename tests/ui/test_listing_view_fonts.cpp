// SPDX-License-Identifier: MIT
// The listing view with an installed symbol font: glyphs come from the
// font at U+F000+code, codes it lacks fall back to the look-alike
// characters, and the view's own RTF keeps the font's codes as bytes.
// The font is a tiny TrueType font made here, not an MSX font.

#include "UiTestSupport.h"
#include "common/ByteStream.h"
#include "common/QuilletUnitGrobal.h"
#include "fonts/BundledFonts.h"
#include "render/MsxCharset.h"
#include "render/RtfReader.h"
#include "support/TestSupport.h"
#include "ui/ListingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QTextBlock>
#include <QTextLayout>

#include <map>
#include <memory>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

class BigEndian {
public:
    BigEndian& u16(unsigned v)
    {
        bytes += static_cast<char>((v >> 8) & 0xFF);
        bytes += static_cast<char>(v & 0xFF);
        return *this;
    }
    BigEndian& u32(std::uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
    BigEndian& zeros(std::size_t n)
    {
        bytes.append(n, '\0');
        return *this;
    }
    std::string bytes;
};

// A TrueType font whose only cmap is a Windows symbol one: U+F020-U+F07E
// (codes 0x20-0x7E) all show one square glyph.
QByteArray symbolFont(const std::string& family)
{
    std::map<std::string, std::string> tables;
    tables["head"] = BigEndian()
                         .u32(0x00010000)
                         .u32(0x00010000)
                         .u32(0)
                         .u32(0x5F0F3CF5)
                         .u16(0x000B)
                         .u16(1000)
                         .zeros(16)
                         .u16(0)
                         .u16(0)
                         .u16(500)
                         .u16(800)
                         .u16(0)
                         .u16(8)
                         .u16(2)
                         .u16(0)
                         .u16(0)
                         .bytes;
    tables["hhea"] = BigEndian()
                         .u32(0x00010000)
                         .u16(800)
                         .u16(0x10000 - 200)
                         .u16(0)
                         .u16(500)
                         .u16(0)
                         .u16(0)
                         .u16(500)
                         .u16(1)
                         .u16(0)
                         .u16(0)
                         .zeros(8)
                         .u16(0)
                         .u16(2)
                         .bytes;
    tables["maxp"] = BigEndian().u32(0x00010000).u16(2).u16(4).u16(1).zeros(20).bytes;
    tables["hmtx"] = BigEndian().u16(500).u16(0).u16(500).u16(50).bytes;
    // Glyph 0 is empty; glyph 1 a square of four on-curve points.
    tables["glyf"] = BigEndian()
                         .u16(1)
                         .u16(50)
                         .u16(0)
                         .u16(450)
                         .u16(700)
                         .u16(3)
                         .u16(0)
                         .u16(0x0101)
                         .u16(0x0101)
                         .u16(50)
                         .u16(400)
                         .u16(0)
                         .u16(0x10000 - 400)
                         .u16(0)
                         .u16(0)
                         .u16(700)
                         .u16(0)
                         .u16(0)
                         .bytes;
    tables["loca"] = BigEndian().u16(0).u16(0).u16(18).u16(0).bytes;
    // Format 4, two segments; the first reads its glyphs from an array.
    BigEndian cmap;
    cmap.u16(0).u16(1).u16(3).u16(0).u32(12);
    cmap.u16(4).u16(32 + 95 * 2).u16(0).u16(4).u16(4).u16(1).u16(0);
    cmap.u16(0xF07E).u16(0xFFFF).u16(0).u16(0xF020).u16(0xFFFF).u16(0).u16(1).u16(4).u16(0);
    for (int i = 0; i < 95; ++i)
        cmap.u16(1);
    tables["cmap"] = cmap.bytes;
    tables["post"] = BigEndian().u32(0x00030000).u32(0).u16(0x10000 - 100).u16(50).u32(1).zeros(16).bytes;
    tables["OS/2"] = BigEndian()
                         .u16(1)
                         .u16(500)
                         .u16(400)
                         .u16(5)
                         .u16(0)
                         .zeros(16)
                         .u16(50)
                         .u16(250)
                         .u16(0)
                         .zeros(10)
                         .zeros(16)
                         .u32(0x51554C54)
                         .u16(0x40)
                         .u16(0xF020)
                         .u16(0xF07E)
                         .u16(800)
                         .u16(0x10000 - 200)
                         .u16(0)
                         .u16(800)
                         .u16(200)
                         .u32(0x80000000)
                         .u32(0)
                         .bytes;
    std::u16string name16(family.begin(), family.end());
    std::string utf16;
    for (const char16_t c : name16)
        utf16 += BigEndian().u16(c).bytes;
    const std::string regular = BigEndian().u16('R').u16('e').u16('g').bytes;
    BigEndian names;
    names.u16(0).u16(3).u16(6 + 3 * 12);
    names.u16(3).u16(1).u16(0x409).u16(1).u16(static_cast<unsigned>(utf16.size())).u16(0);
    names.u16(3).u16(1).u16(0x409).u16(2).u16(6).u16(static_cast<unsigned>(utf16.size()));
    names.u16(3).u16(1).u16(0x409).u16(4).u16(static_cast<unsigned>(utf16.size())).u16(0);
    tables["name"] = names.bytes + utf16 + regular;

    BigEndian font;
    const auto count = static_cast<unsigned>(tables.size());
    font.u32(0x00010000).u16(count).u16(128).u16(3).u16(count * 16 - 128);
    std::string data;
    std::size_t offset = 12 + 16 * tables.size();
    for (auto& [tag, table] : tables) {
        while (table.size() % 4 != 0)
            table += '\0';
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < table.size(); i += 4)
            sum += static_cast<std::uint32_t>(static_cast<std::uint8_t>(table[i])) << 24
                   | static_cast<std::uint32_t>(static_cast<std::uint8_t>(table[i + 1])) << 16
                   | static_cast<std::uint32_t>(static_cast<std::uint8_t>(table[i + 2])) << 8
                   | static_cast<std::uint8_t>(table[i + 3]);
        font.bytes += tag;
        font.u32(sum).u32(static_cast<std::uint32_t>(offset)).u32(static_cast<std::uint32_t>(table.size()));
        data += table;
        offset += table.size();
    }
    font.bytes += data;
    return QByteArray(font.bytes.data(), static_cast<qsizetype>(font.bytes.size()));
}

const QString TestFamily = QStringLiteral("Quillet Test Symbol");

class InstalledFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        static const int id = QFontDatabase::addApplicationFontFromData(symbolFont(TestFamily.toStdString()));
        if (id < 0)
            GTEST_SKIP() << "the platform took no application font";
        ASSERT_TRUE(ListingView::isFontInstalled(TestFamily));
    }

    void build(std::string_view listing, const Settings& settings)
    {
        showListingBytes(view, listing, settings, Qt::black, Qt::white, dir / "listing.rtf");
    }

    struct ApplicationReady {
        ApplicationReady() { ensureApplication(); }
    } application;
    ScratchDir dir;
    ListingView view;
};

} // namespace

TEST_F(InstalledFontTest, SymbolFontShowsItsGlyphsAtThePrivateUseCodes)
{
    Settings settings;
    settings.fontNameAnk = TestFamily.toStdString();
    build("10 A\xB1\x01\x41\r\n", settings);
    // "10 A" from the font; 0xB1 is not in it and falls back to the
    // look-alike; the graphic font is not installed at all.
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("\uF031\uF030\uF020\uF041ｱ月\n"));
    const QTextCharFormat format = view.toDocument()->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(format.fontFamilies().toStringList().value(0), TestFamily);
    EXPECT_EQ(view.defaultFont().families().value(0), TestFamily);
}

TEST_F(InstalledFontTest, OwnRtfKeepsTheFontsCodesAsBytes)
{
    Settings settings;
    settings.fontNameAnk = TestFamily.toStdString();
    build("10 A\xB1\x01\x41\r\n", settings);
    const std::string rtf = view.toRtf();
    // The font keeps its listing number, so that a reader without it still
    // takes its bytes for text characters, not graphic ones.
    const RtfDocument doc = readRtf(rtf);
    ASSERT_NE(doc.font(0), nullptr) << rtf;
    EXPECT_EQ(doc.font(0)->name, TestFamily.toStdString());
    EXPECT_EQ(doc.font(0)->charset, 2);
    EXPECT_NE(rtf.find("\\'31\\'30\\'20\\'41\\u-143?"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\u26376?\\par"), std::string::npos) << rtf;

    ListingView other;
    writeFile(dir / "own.rtf", rtf);
    other.loadRtfFile(QString::fromStdString((dir / "own.rtf").string()));
    EXPECT_EQ(other.toPlainText(), view.toPlainText());
}

namespace {

// The width of each line laid out in its characters' formats, unwrapped.
std::vector<qreal> lineWidths(const ListingView& view)
{
    std::vector<qreal> widths;
    const auto document = view.toDocument();
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
        if (block.length() <= 1)
            continue;
        QTextLayout layout(block.text(), document->defaultFont());
        layout.setFormats(block.textFormats());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        widths.push_back(line.naturalTextWidth());
    }
    return widths;
}

class PixelFontTest : public ::testing::Test {
protected:
    struct ApplicationReady {
        ApplicationReady() { ensureApplication(); }
    } application;
    ScratchDir dir;
    ListingView view;
};

} // namespace

TEST_F(PixelFontTest, EveryCodeTakesOneCellAsOnTheMachine)
{
    for (const msx::CharacterSet set : msx::AllCharacterSets)
        ASSERT_FALSE(fonts::bundledFamily(set).isEmpty()) << "the build makes every set's font";
    // 32 letters, 32 hiragana, 32 graphic characters, 32 katakana and
    // blanks: on an MSX each line is 32 cells.
    std::string listing = std::string(32, 'A') + "\r\n";
    for (int i = 0; i < 32; ++i)
        listing += static_cast<char>(0x91 + i % 15);
    listing += "\r\n";
    for (int i = 0; i < 32; ++i)
        listing += std::string("\x01") + static_cast<char>(0x41 + i % 31);
    listing += "\r\n";
    for (int i = 0; i < 32; ++i)
        listing += static_cast<char>(i % 2 ? 0xB1 + i % 40 : 0x20);
    listing += "\r\n";

    for (const msx::CharacterSet set : msx::AllCharacterSets) {
        for (const int points : {12, 24}) { // 16 and 32 pixels at 96 dpi: 100 % and 200 %
            Settings settings;
            settings.characterSet = std::string(msx::characterSetName(set));
            settings.fontSize = points;
            showListingBytes(view, listing, settings, Qt::black, Qt::white, dir / "cells.rtf");
            const std::vector<qreal> widths = lineWidths(view);
            ASSERT_EQ(widths.size(), 4u);
            for (const qreal width : widths)
                EXPECT_EQ(width, widths[0]) << msx::characterSetName(set) << " at " << points << " pt";
            const QTextCharFormat format = view.toDocument()->firstBlock().begin().fragment().charFormat();
            EXPECT_EQ(format.fontFamilies().toStringList().value(0), fonts::bundledFamily(set));
        }
    }
}
