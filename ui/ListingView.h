#pragma once
// The listing view of the "BASIC" page (RichEdit1): a read-only rich-text
// view that loads an RTF document and shows each character in its font.
//
// Glyphs. A font whose character set is 2 (symbol) shows one glyph per
// byte. When a font of that family is installed, code c is drawn as the
// font's glyph at U+F000+c (the private-use area where symbol fonts keep
// their glyphs), or at U+00c when the font has its glyphs at the Latin-1
// positions instead; a code the font has neither for falls back as below.
// When the family is not installed, which is the usual case (MSX fonts are
// not part of the program), every code is shown as the Unicode character
// that looks like the MSX glyph (render/MsxCharset.h): font 1 holds the
// graphic characters, font 2 the small "yu" at its mapped code, any other
// font the MSX text characters. Those are drawn with GNU Unifont, which
// covers all of them. A code-page font (character set 128 is code page
// 932) decodes its bytes, a lead byte and its trail byte giving one
// character, in the named font when installed and Unifont otherwise.
// Copying, finding and printing work on the characters shown.

#include <QColor>
#include <QPlainTextEdit>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {
class ByteSource;
class FileSink;
struct RtfDocument;
struct Settings;
} // namespace quillet

class ListingView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ListingView(QWidget* parent = nullptr);

    // Replaces the content with the RTF document in the file. Throws
    // QuilletError: ReadFailed when the file cannot be read, NotRtf
    // when it is not RTF (or another load is still running); the content is
    // then unchanged. A load that takes long keeps the window painting
    // (input events wait) and reports loadProgress.
    void loadRtfFile(const QString& path);
    void loadRtf(std::string_view rtf);

    // Writes the content as RTF (fonts, colours, size, text) beside `path`
    // and renames it into place, so a failure never leaves a half-written
    // file. Throws QuilletError: CreateFailed or WriteFailed.
    void saveRtfFile(const QString& path) const;
    std::string toRtf() const;

    // The code that font 2 shows the small "yu" (0xAD) at when its font is
    // not installed; the listing builder's mapped code.
    void setMappedCodeFor0xAD(int code);

    // What the listing build formats, one operation each.
    void setDefaultCharset(int charset);
    int defaultCharset() const { return defaultCharset_; }
    void setDefaultTextColor(const QColor& color);
    QColor defaultTextColor() const;
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const;
    void setDefaultPointSize(int points);
    // Named font when installed, else the fallback font.
    void setDefaultFontName(const QString& name);
    QString defaultFontName() const { return defaultFontName_; }
    void setSelectionColor(const QColor& color);
    void setSelectionPointSize(int points);
    void collapseSelectionToStart();

    void setWordWrap(bool wrap);
    bool wordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

    // The families drawn when a named font is not installed.
    static QStringList fallbackFamilies();
    static bool isFontInstalled(const QString& family);

protected:
    // Copies offer the characters as plain text, HTML and RTF (with their
    // fonts and colours).
    QMimeData* createMimeDataFromSelection() const override;

signals:
    // While a large document is being built, from 0 to 100.
    void loadProgress(int percent);

private:
    void showDocument(const quillet::RtfDocument& doc);

    int mappedCode_ = 0x7F;
    bool loading_ = false;
    int defaultCharset_ = 2;
    QString defaultFontName_;
};

// The line count as status panel 3 shows it: the count and " 行".
QString lineCountText(std::int64_t lines);

// The listing build: writes the RTF of `listing` with the settings into the
// RTF temporary file that `openRtfOutput` opens (create or truncate, with
// the temporary-file retry), loads the file named by `rtfPath` (called after
// the open) into the view, shows the line count through `showLineCount`,
// and formats the view with the settings and the current text and
// background colours. Returns the line count. Throws QuilletError: a failed
// write or close (the view is then not loaded) or a failed load (the view is
// then not formatted).
std::int64_t buildRtfListing(quillet::ByteSource& listing, const quillet::Settings& settings,
                             const std::function<std::unique_ptr<quillet::FileSink>()>& openRtfOutput,
                             const std::function<std::string()>& rtfPath, ListingView& view, const QColor& textColor,
                             const QColor& backgroundColor, const std::function<void(const QString&)>& showLineCount);
