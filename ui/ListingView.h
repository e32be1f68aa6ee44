// SPDX-License-Identifier: MIT
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
//
// The view draws only the rows it shows, from a compact copy of the text
// (ui/ListingText.h), so a listing of many megabytes opens and scrolls as
// fast as a small one, and so does one line of megabytes, shown as rows of
// ListingText::RowCharacters. It scrolls a row at a time, as plain-text
// views scroll a line.

#include "app/ListingRoles.h"
#include "decoder/Roles.h"
#include "render/MsxCharset.h"
#include "render/RoleColours.h"
#include "ui/ListingText.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QMimeData;
class QPagedPaintDevice;

// How a listing is shown: what the settings and the colour choosers say.
struct ListingFormat {
    QColor textColor;
    QColor backgroundColor;
    int pointSize = 12;
    int charset = 2;
    QString fontName; // the ANK or the Kanji font, by the character mode
    bool wordWrap = false;
};

// Which glyph each byte of a one-byte font stands for.
struct ListingGlyphs {
    int mappedCodeFor0xAD = 0x7F; // where font 2 holds the small "yu"
    quillet::msx::CharacterSet characterSet = quillet::msx::CharacterSet::Japanese;
};

// The listing coloured by the roles of its stretches; off, it looks as it
// always did.
struct SyntaxColors {
    bool on = false;
    quillet::RoleColourSet colours{};
    quillet::RoleColourSet paper{}; // for printing: the same roles on white paper
    // Replaces the listing's background (the MSX screen's blue); invalid
    // keeps the configured one.
    QColor background;
};

// A few bytes as a listing shows them, for the settings dialog's samples.
struct ListingSample {
    QString text;
    QFont font;
};

class ListingView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ListingView(QWidget* parent = nullptr);

    // Replaces the content with the RTF document in the file. Throws
    // QuilletError: ReadFailed when the file cannot be read, NotRtf
    // when it is not RTF (or another load is still running); the content is
    // then unchanged. A load that takes long keeps the window painting
    // (input events wait) and reports loadProgress.
    void loadRtfFile(const QString& path);

    // A built listing: loads the RTF file, its bytes shown as `glyphs`
    // says, then applies the format. Throws as loadRtfFile, leaving
    // content and format as they were.
    void showListing(const QString& rtfPath, const ListingGlyphs& glyphs, const ListingFormat& format);

    // The format shown now, and the one routine that changes it: after a
    // load, and when the settings change.
    ListingFormat listingFormat() const;

    // A load that lets events through can be ended from one of them: it
    // then throws QuilletError(LoadCancelled) and leaves the view empty.
    bool isLoading() const { return loading_; }
    void cancelLoad() { cancelRequested_ = loading_; }
    bool loadCancelled() const { return cancelRequested_; }
    // How long a load runs before it lets the window paint; a load shorter
    // than that never lets events through.
    void setResponsiveAfter(int milliseconds) { responsiveAfterMs_ = std::max(0, milliseconds); }
    void applyListingFormat(const ListingFormat& format);

    // Writes the content as RTF (fonts, colours, size, text) beside `path`
    // and renames it into place, so a failure never leaves a half-written
    // file. Throws QuilletError: CreateFailed or WriteFailed.
    void saveRtfFile(const QString& path) const;
    std::string toRtf() const;

    int defaultCharset() const { return defaultCharset_; }
    QColor defaultTextColor() const;
    // The configured background, and the one shown (a colour scheme's own
    // while the colours are on).
    QColor backgroundColor() const;
    QColor shownBackground() const;
    QString defaultFontName() const { return defaultFontName_; }
    void setWordWrap(bool wrap);
    bool wordWrap() const { return wordWrap_; }

    // The text, the font of characters without one of their own, and the
    // whole content as a rich-text document (built on demand: a large
    // listing costs time and memory there).
    const ListingText& text() const { return text_; }
    QFont defaultFont() const { return defaultFont_; }
    QString toPlainText() const { return text_.plainText(0, text_.endPosition()); }
    // On paper, the colours on are those that read on white.
    std::unique_ptr<QTextDocument> toDocument(bool onPaper = false) const;
    void print(QPagedPaintDevice* printer) const;
    void clear();
    bool isReadOnly() const { return true; }

    // The selection, in positions of the text (ListingText.h); the cursor
    // is at its moving end.
    qsizetype cursorPosition() const { return position_; }
    qsizetype cursorLine() const { return text_.lineOf(position_); }
    qsizetype selectionStart() const { return std::min(anchor_, position_); }
    qsizetype selectionEnd() const { return std::max(anchor_, position_); }
    bool hasSelection() const { return anchor_ != position_; }
    QString selectedText() const { return text_.plainText(selectionStart(), selectionEnd()); }
    void setSelection(qsizetype anchor, qsizetype position);
    void selectAll();
    void copy() const;
    void ensureCursorVisible();
    // Selects the next match after the selection; false when there is none.
    bool find(const QString& what, QTextDocument::FindFlags flags = {});
    // As find, going on from the other end when the search reaches one.
    enum class FindOutcome { Found, Wrapped, NotFound };
    FindOutcome findWrapping(const QString& what, QTextDocument::FindFlags flags = {});
    // Where the cursor's row is shown, in viewport coordinates.
    QRect cursorRowRect() const;
    // Scrolls so that the cursor's row is shown about `y` pixels below the
    // viewport's top.
    void scrollCursorRowTo(int y);

    // Zoom in whole MSX pixels: the 8-dot font at `dotPixels` screen pixels
    // a dot, or 0 for the size of the format. The view alone is zoomed:
    // printing, copies and saves keep the format's size.
    static constexpr int MaxZoom = 16;
    void setZoom(int dotPixels);
    int zoom() const { return zoom_; }
    // The zoom one step larger or smaller than what is shown now.
    int zoomStep(int steps) const;

    // Line numbers in a column of their own: the bodies start under each
    // other, and a wrapped line goes on under its body.
    void setLineNumberGutter(bool on);
    bool lineNumberGutter() const { return gutter_; }

    // The number a line starts with, if any.
    std::optional<int> lineNumberOf(qsizetype line) const;
    // The line numbered `number`, or the first after it; none past the last.
    std::optional<qsizetype> lineOfNumber(int number) const;
    // Moves to the start of a line, scrolls it into view and marks it; the
    // place left is remembered for goBack().
    void jumpToLine(qsizetype line);
    qsizetype markedLine() const { return marked_; }
    bool canGoBack() const { return !back_.empty(); }
    bool canGoForward() const { return !forward_.empty(); }
    void goBack();
    void goForward();

    // The roles of the shown listing, from the listing's own lines; a line
    // whose characters do not match keeps none.
    // Taken over as they are when every line matches, the usual case.
    void setRoles(quillet::app::ShownRoles&& roles);
    bool hasRoles() const { return !roles_.empty(); }
    quillet::Role roleAt(qsizetype position) const;
    void setSyntaxColors(const SyntaxColors& colors);
    const SyntaxColors& syntaxColors() const { return syntax_; }
    // The line reference at a position: its number, whether the program
    // has that line, and where it lies.
    struct Reference {
        int number;
        bool exists;
        qsizetype start, end;
    };
    std::optional<Reference> referenceAt(qsizetype position) const;
    // Follows the reference at the cursor; false when there is none.
    bool followReferenceAtCursor();
    // The numbers of the lines that refer to a line, ascending, each once.
    std::vector<int> referrersOf(qsizetype line) const;
    // What the tooltip says at a viewport point; empty for none.
    QString toolTipAt(QPoint point) const;

    // `bytes` in the font `name`, declared in a listing as font `number`
    // (0 the ANK or Kanji font, 1 the graphic one) with character set
    // `charset` (2 one glyph a byte, 128 code page 932): the characters and
    // the font the view would draw them in, at the view's default size.
    static ListingSample sample(std::string_view bytes, const QString& name, int number, int charset,
                                quillet::msx::CharacterSet set);

    // The families drawn when a named font is not installed.
    static QStringList fallbackFamilies();
    static bool isFontInstalled(const QString& family);

    // Copies offer the characters as plain text, HTML and RTF (with their
    // fonts and colours).
    QMimeData* createMimeDataFromSelection() const;

signals:
    // While a large document is being built, from 0 to 100.
    void loadProgress(int percent);
    // The text was replaced or cleared.
    void contentsChanged();
    // Ctrl and the wheel: one step larger (+1) or smaller (-1).
    void zoomStepRequested(int steps);
    // After a jump, back or forward: the line now marked.
    void jumped(qsizetype line);
    // A reference to a line the program does not have was followed.
    void missingLineFollowed(int number);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // The look of the text changed: drop the laid-out lines.
    void relayout();
    void updateScrollBars();
    QTextLayout& layoutOf(qsizetype row) const;
    int visibleRows() const;
    QPointF lineOrigin() const;
    qsizetype positionAt(QPoint point) const;
    void moveCursor(qsizetype position, bool keepAnchor);
    void updateSelectionClipboard() const;
    // The layout's formats of a row: the zoomed fonts, then the colours of
    // its roles.
    QList<QTextLayout::FormatRange> shownFormats(qsizetype row) const;
    // The characters a line starts with before its body; 0 for none.
    qsizetype leadOf(qsizetype line) const;
    qreal gutterWidth() const;
    // Line numbers and lines, sorted by number, made when first wanted.
    const std::vector<std::pair<int, std::ptrdiff_t>>& numberIndex() const;
    // The line's first position and scroll state, for going back.
    void rememberPlace(std::vector<qsizetype>& stack);
    void showPlace(qsizetype position, bool mark);
    void forgetNavigation();
    // The text's runs, cut by role and coloured when `colours` is given.
    const quillet::RoleColourSet* fragmentColours(bool onPaper) const;
    void forEachShownFragment(qsizetype from, qsizetype to, const quillet::RoleColourSet* colours,
                              const std::function<void(QStringView, const QTextCharFormat&)>& visit,
                              const std::function<void()>& endOfLine) const;
    void fillDocument(QTextDocument& document, qsizetype from, qsizetype to, bool onPaper) const;

    // The code that font 2 shows the small "yu" (0xAD) at when its font is
    // not installed; the listing builder's mapped code.
    void setMappedCodeFor0xAD(int code);
    // The steps of applyListingFormat.
    void setDefaultCharset(int charset);
    void setDefaultTextColor(const QColor& color);
    void setBackgroundColor(const QColor& color);
    void setDefaultPointSize(int points);
    // Named font when installed, else the fallback font.
    void setDefaultFontName(const QString& name);
    void collapseSelectionToStart();

    int mappedCode_ = 0x7F;
    quillet::msx::CharacterSet characterSet_ = quillet::msx::CharacterSet::Japanese;
    bool loading_ = false;
    qint64 responsiveAfterMs_ = 100;
    bool cancelRequested_ = false;
    int defaultCharset_ = 2;
    QString defaultFontName_;
    QFont defaultFont_;
    ListingText text_;
    bool wordWrap_ = false;
    qsizetype anchor_ = 0;
    qsizetype position_ = 0;
    bool selecting_ = false;
    int lineHeight_ = 1;
    qreal cellWidth_ = 1;                                               // of '0', for lines not laid out yet
    mutable qreal widest_ = 0;                                          // the widest line laid out, in pixels
    mutable std::map<qsizetype, std::unique_ptr<QTextLayout>> layouts_; // by row
    QColor configuredBackground_ = Qt::white;
    int zoom_ = 0;
    int wheelAngle_ = 0;                         // of Ctrl and the wheel, not yet a step
    std::vector<QTextCharFormat> zoomedFormats_; // the text's formats as shown
    bool gutter_ = false;
    int gutterCharacters_ = 0; // the longest line number with its blank
    qsizetype marked_ = -1;
    std::vector<qsizetype> back_, forward_; // positions
    std::vector<quillet::Role> roles_;      // per character of the text, or none
    SyntaxColors syntax_;
    mutable std::vector<std::pair<int, std::ptrdiff_t>> numbers_;
    mutable bool numbersMade_ = false;
    mutable std::vector<std::pair<int, int>> references_; // target, referring line's number; sorted
    mutable bool referencesMade_ = false;
    qsizetype pressedAt_ = -1; // where a click on a reference started
};

// The line count as status panel 3 shows it: the count and " 行".
QString lineCountText(std::int64_t lines);
