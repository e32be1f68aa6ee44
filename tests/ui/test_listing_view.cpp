// SPDX-License-Identifier: MIT
// The listing view offscreen: the listing build from bytes to formatted
// view, the characters shown without MSX fonts, its own RTF, and failures.

#include "UiTestSupport.h"
#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "fonts/BundledFonts.h"
#include "render/MsxCharset.h"
#include "support/TestSupport.h"
#include "ui/ListingView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>

using namespace quillet;
using namespace quillet::test;

namespace {

// Makes the application before any widget of the fixture.
struct ApplicationReady {
    ApplicationReady() { ensureApplication(); }
};

class ListingViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ListingView::isFontInstalled("MSX ROM 8dot") || ListingView::isFontInstalled("MSX ROM Graph 8dot"))
            GTEST_SKIP() << "an MSX font is installed; these cases are about the fallback";
    }

    // The whole listing build into `view`; returns the status text.
    QString build(std::string_view listing, const Settings& settings = Settings(), QColor text = Qt::darkBlue,
                  QColor background = Qt::yellow)
    {
        return showListingBytes(view, listing, settings, text, background, dir / "listing.rtf");
    }

    // An RTF document as the view reads it from a file.
    void loadRtf(ListingView& target, std::string_view rtf)
    {
        writeFile(dir / "loaded.rtf", rtf);
        target.loadRtfFile(QString::fromStdString((dir / "loaded.rtf").string()));
    }

    static Settings kanjiSettings()
    {
        Settings settings;
        settings.isAnkMode = false;
        settings.fontCharset = 128;
        return settings;
    }

    ApplicationReady application;
    ScratchDir dir;
    ListingView view;
};

QString fromUcs4(const std::u32string& text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

// Every character format of the document, once per fragment.
std::vector<QTextCharFormat> fragmentFormats(const QTextDocument& doc)
{
    std::vector<QTextCharFormat> formats;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            formats.push_back(it.fragment().charFormat());
    }
    return formats;
}

} // namespace

TEST(ListingViewWidget, IsTheReadOnlyRichEdit1)
{
    ensureApplication();
    ListingView view;
    EXPECT_EQ(view.objectName(), "RichEdit1");
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_FALSE(view.wordWrap());
    view.setWordWrap(true);
    EXPECT_TRUE(view.wordWrap());
    // The selection stays visible without the focus.
    EXPECT_EQ(view.palette().color(QPalette::Inactive, QPalette::Highlight),
              view.palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(lineCountText(1234), QString::fromUtf8("1234 行"));
}

TEST_F(ListingViewTest, AnkListingShowsKanaGraphicsAndTheMappedYu)
{
    const QString status = build("10 PRINT \"\xB1\xB2\x01\x41\x01\x57\xAD\x86\"\r\n20 END\r\n");
    EXPECT_EQ(status, QString::fromUtf8("2 行"));
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("10 PRINT \"ｱｲ月─ｭを\"\n20 END\n"));
    EXPECT_EQ(view.text().lineCount(), 3);
}

TEST_F(ListingViewTest, MappedYuFollowsTheMappedCodeAndTheSwitch)
{
    Settings settings;
    settings.mapCodeFrom0xAD = 0x41; // font 2 at "A"
    build("\xAD"
          "A",
          settings);
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("ｭA"));
    settings.isMap0xAD = false;
    build("\xAD"
          "A",
          settings);
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("ｭA"));
}

TEST_F(ListingViewTest, GraphicCodesThatLookLikeLineEndsStayCharacters)
{
    const QString status = build("A\x01\x0D"
                                 "B\x01\x0A"
                                 "C\x01");
    EXPECT_EQ(status, QString::fromUtf8("1 行"));
    EXPECT_EQ(view.text().lineCount(), 1);
    EXPECT_EQ(view.toPlainText(),
              "A" + fromUcs4({msx::graphicGlyph(0x0D)}) + "B" + fromUcs4({msx::graphicGlyph(0x0A)}) + "C");
}

TEST_F(ListingViewTest, ControlBytesShowAsMsxGlyphsExceptTab)
{
    build(std::string("\x00\x09\x0C\x1A\x7F", 5));
    EXPECT_EQ(view.toPlainText(), fromUcs4({msx::charGlyph(0x00), U'\t', msx::charGlyph(0x0C), msx::charGlyph(0x1A),
                                            msx::charGlyph(0x7F)}));
}

TEST_F(ListingViewTest, RawCrOrLfOfAStringNeitherSplitsNorJoinsLines)
{
    // PRINT "A<CR>B<LF>C": the string's control bytes show as their glyphs
    // in place, and the listing keeps its two lines.
    EXPECT_EQ(build("10 PRINT \"A\rB\nC\"\r\n20 END\r\n"), QString::fromUtf8("2 行"));
    EXPECT_EQ(view.toPlainText(), "10 PRINT \"A" + fromUcs4({msx::charGlyph(0x0D)}) + "B"
                                      + fromUcs4({msx::charGlyph(0x0A)}) + "C\"\n20 END\n");
    // Text with LF-only line ends is one line in which each LF shows.
    EXPECT_EQ(build("10 A\n20 B\n"), QString::fromUtf8("1 行"));
    EXPECT_EQ(view.toPlainText(),
              "10 A" + fromUcs4({msx::charGlyph(0x0A)}) + "20 B" + fromUcs4({msx::charGlyph(0x0A)}));
}

TEST_F(ListingViewTest, EmptyListingIsAnEmptyViewOfOneLine)
{
    build("10 OLD\r\n");
    EXPECT_EQ(build(""), QString::fromUtf8("1 行"));
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

TEST_F(ListingViewTest, KanjiModeDecodesCodePage932)
{
    const QString status = build("10 '\x82\xA0\x95\x5C\xB1\x01\x41\x01\x0D\xAD\x82", kanjiSettings());
    EXPECT_EQ(status, QString::fromUtf8("1 行"));
    // Pairs give one character; the graphic prefix is dropped, its code
    // read as text; a lead byte with no trail is a replacement character.
    EXPECT_EQ(view.toPlainText(),
              QString::fromUtf8("10 'あ表ｱA") + fromUcs4({msx::charGlyph(0x0D)}) + QString::fromUtf8("ｭ\uFFFD"));
    EXPECT_EQ(view.defaultFontName(), QString::fromUtf8("ＭＳ ゴシック"));
}

TEST_F(ListingViewTest, FormattingTakesTheSettingsAndColours)
{
    Settings settings;
    settings.fontSize = 20;
    build("10 A\x01\x41\r\n20 B\r\n", settings, QColor(0x12, 0x34, 0x56), QColor(0xAB, 0xCD, 0xEF));
    const auto formats = fragmentFormats(*view.toDocument());
    ASSERT_FALSE(formats.empty());
    for (const QTextCharFormat& format : formats) {
        EXPECT_EQ(format.foreground().color(), QColor(0x12, 0x34, 0x56));
        EXPECT_EQ(format.fontPointSize(), 20.0);
        // The Japanese pixel font first: no MSX font is installed here.
        EXPECT_EQ(format.fontFamilies().toStringList().value(0), fonts::bundledFamily(msx::CharacterSet::Japanese));
        EXPECT_EQ(format.fontFamilies().toStringList().value(1), ListingView::fallbackFamilies().value(0));
    }
    EXPECT_EQ(view.backgroundColor(), QColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(view.defaultTextColor(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(view.defaultFont().pointSize(), 20);
    EXPECT_EQ(view.defaultCharset(), 2);
    EXPECT_EQ(view.defaultFontName(), "MSX ROM 8dot");
    EXPECT_FALSE(view.hasSelection());
    EXPECT_EQ(view.cursorPosition(), 0);
}

TEST_F(ListingViewTest, HugeFontSizeIsHeldToWhatTheViewTakes)
{
    Settings settings;
    settings.fontSize = 2147483647;
    build("A", settings);
    EXPECT_EQ(fragmentFormats(*view.toDocument()).front().fontPointSize(), 1638.0);
}

TEST_F(ListingViewTest, FindWorksOnTheReadableText)
{
    build("10 PRINT \"\xB6\xC5\"\r\n20 PRINT \"\xB6\xC5\x01\x41\"\r\n");
    ASSERT_TRUE(view.find(QString::fromUtf8("ｶﾅ")));
    EXPECT_EQ(view.cursorLine(), 0);
    ASSERT_TRUE(view.find(QString::fromUtf8("ｶﾅ月")));
    EXPECT_EQ(view.cursorLine(), 1);
    EXPECT_FALSE(view.find(QString::fromUtf8("ｶﾅ")));
}

TEST_F(ListingViewTest, OwnRtfReadsBackToTheSameTextAndFonts)
{
    build(std::string("10 \xB1\x01\x41\xAD{}\\\x09\x82\xA0\x00\r\n\r\n20 END\r\n", 23), Settings(), Qt::red, Qt::cyan);
    const QString path = QString::fromStdString((dir / "saved.rtf").string());
    view.saveRtfFile(path);
    const std::string saved = readFile(path.toStdString());
    EXPECT_TRUE(saved.starts_with("{\\rtf1\\ansi\\ansicpg932"));
    EXPECT_NE(saved.find("\\red255\\green0\\blue0;"), std::string::npos) << saved; // text colour
    EXPECT_NE(saved.find("{\\sn fillColor}{\\sv 16776960}"), std::string::npos);   // cyan background
    EXPECT_NE(saved.find("\\fs24 "), std::string::npos);

    ListingView other;
    other.loadRtfFile(path);
    EXPECT_EQ(other.toPlainText(), view.toPlainText());
    EXPECT_EQ(other.text().lineCount(), view.text().lineCount());
    const auto before = fragmentFormats(*view.toDocument());
    const auto after = fragmentFormats(*other.toDocument());
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].fontFamilies(), before[i].fontFamilies());
        EXPECT_EQ(after[i].fontPointSize(), before[i].fontPointSize());
    }
}

TEST_F(ListingViewTest, SaveFailureIsReportedAndLeavesNothing)
{
    build("10 A\r\n");
    const auto missing = dir / "no-such-dir" / "x.rtf";
    try {
        view.saveRtfFile(QString::fromStdString(missing.string()));
        FAIL() << "a failed save was taken for success";
    } catch (const QuilletError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::CreateFailed);
    }
    // A directory in the way is not replaced.
    std::filesystem::create_directory(dir / "taken.rtf");
    EXPECT_THROW(view.saveRtfFile(QString::fromStdString((dir / "taken.rtf").string())), QuilletError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.rtf"));

    // A good save replaces an old file whole and leaves no stray file.
    writeFile(dir / "old.rtf", std::string(100000, 'x'));
    view.saveRtfFile(QString::fromStdString((dir / "old.rtf").string()));
    EXPECT_EQ(readFile(dir / "old.rtf"), view.toRtf());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"listing.rtf", "old.rtf", "taken.rtf"}));
}

TEST_F(ListingViewTest, NotRtfOrUnreadableLeavesTheContent)
{
    build("10 KEEP\r\n");
    writeFile(dir / "plain.txt", "10 PRINT");
    for (const auto& [path, kind] :
         {std::pair{dir / "plain.txt", ErrorKind::NotRtf}, std::pair{dir / "missing.rtf", ErrorKind::ReadFailed}}) {
        try {
            view.loadRtfFile(QString::fromStdString(path.string()));
            ADD_FAILURE() << path;
        } catch (const QuilletError& error) {
            EXPECT_EQ(error.kind(), kind);
        }
        EXPECT_EQ(view.toPlainText(), "10 KEEP\n");
    }
}

TEST_F(ListingViewTest, FailedLoadShowsNoCountAndNoFormatting)
{
    build("10 KEEP\r\n", Settings(), Qt::black, Qt::white);
    // The RTF was written somewhere else than where the view looks.
    EXPECT_THROW(view.showListing(QString::fromStdString((dir / "elsewhere.rtf").string()), {},
                                  formatOf(Settings(), Qt::red, Qt::green)),
                 QuilletError);
    EXPECT_EQ(view.backgroundColor(), QColor(Qt::white));
    EXPECT_EQ(view.toPlainText(), "10 KEEP\n");
}

TEST_F(ListingViewTest, ForeignRtfWithUnicodeAndColourTable)
{
    loadRtf(view, "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}"
                  "{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator Writer;}"
                  "\\pard\\plain \\cf1 Caf\\'e9 \\u8364\\'80 \\u12354?\\par second\\line third}");
    EXPECT_EQ(view.toPlainText(), QString::fromUtf8("Café € あ\nsecond\nthird"));
}

TEST_F(ListingViewTest, CopyOffersTextHtmlAndRtf)
{
    build("10 \xB1\x01\x41\r\n20 B\r\n");
    view.setSelection(0, view.text().lineLength(0)); // the first line
    view.copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QString::fromUtf8("10 ｱ月"));
    EXPECT_TRUE(data->html().contains(QString::fromUtf8("ｱ月")));
    ListingView pasted;
    const QByteArray rtf = data->data("text/rtf");
    loadRtf(pasted, std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size())));
    EXPECT_EQ(pasted.toPlainText(), QString::fromUtf8("10 ｱ月"));
}

namespace {

struct PrintedWord {
    double x;
    std::string text;
};

// The words of a PDF's first page, line by line from the top, as pdftotext
// places them.
std::vector<std::vector<PrintedWord>> printedLines(const std::filesystem::path& pdf, const std::filesystem::path& out)
{
    const std::string command = "pdftotext -f 1 -l 1 -bbox '" + pdf.string() + "' '" + out.string() + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    static const std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
    std::map<long, std::vector<PrintedWord>> byLine;
    const std::string text = readFile(out);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it)
        byLine[std::lround(std::stod((*it)[2]))].push_back({std::stod((*it)[1]), (*it)[3]});
    std::vector<std::vector<PrintedWord>> lines;
    for (auto& [y, words] : byLine)
        lines.push_back(std::move(words));
    return lines;
}

} // namespace

TEST_F(ListingViewTest, PrintedContinuationsStartUnderTheBodyNotAtTheLineNumbers)
{
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftotext is not installed";
    std::string words;
    for (int i = 0; i < 40; ++i)
        words += " ABCDEFGH";
    const struct {
        QPrinter::PrinterMode mode;
        std::string firstLine;
        std::size_t bodyWord; // the first word of the body on the first line
    } rows[] = {
        {QPrinter::ScreenResolution, "10 PRINT" + words, 1},
        {QPrinter::HighResolution, "10 PRINT" + words, 1},
        {QPrinter::ScreenResolution, "8001 10 PRINT" + words, 2}, // the listing shows addresses
        {QPrinter::HighResolution, "65529 REM" + words, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.firstLine.substr(0, 14) + (row.mode == QPrinter::HighResolution ? " high" : " screen"));
        build(row.firstLine + "\r\n20 END\r\n");
        QPrinter printer(row.mode);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString((dir / "listing.pdf").string()));
        view.print(&printer);
        const auto lines = printedLines(dir / "listing.pdf", dir / "words.html");
        ASSERT_GE(lines.size(), 4u) << "the first line wraps at least twice";
        ASSERT_GT(lines.front().size(), row.bodyWord);
        const double margin = lines.front().front().x;
        const double body = lines.front()[row.bodyWord].x;
        EXPECT_GT(body - margin, 10.0);
        std::size_t continuations = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const PrintedWord& first = lines[i].front();
            if (first.text == "20") { // the next line starts at the margin again
                EXPECT_NEAR(first.x, margin, 0.5);
                break;
            }
            EXPECT_NEAR(first.x, body, 0.5) << "line " << i << " starts with " << first.text;
            ++continuations;
        }
        EXPECT_GE(continuations, 2u);
    }
}
