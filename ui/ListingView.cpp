// SPDX-License-Identifier: MIT
#include "ui/ListingView.h"

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "fonts/BundledFonts.h"
#include "render/CodePage.h"
#include "render/MsxCharset.h"
#include "render/RtfReader.h"
#include "ui/ListingRtfWriter.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

using namespace quillet;

namespace {

constexpr int GraphicFont = 1;
constexpr int MappedFont = 2;
constexpr int SymbolCharset = 2;
constexpr int MaxPointSize = 1638; // the largest size rich-text controls take
constexpr int DefaultPixelSize = 16;
constexpr qsizetype ChunkCharacters = 1 << 16;
// Runs parsed and turned into text at a time.
constexpr std::size_t RunsPerPart = 1 << 14;
// Around the text, and between tab stops, as rich-text views have them.
constexpr int DocumentMargin = 4;
constexpr qreal TabStopDistance = 80;

void appendCharacter(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

// The RTF is read once, front to back: the pages behind the reader need
// not stay in memory (they come back from the file if touched again).
void releaseRead(const uchar* mapped, std::size_t read)
{
#if defined(MADV_DONTNEED)
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    if (const std::size_t length = read / page * page; length > 0)
        madvise(const_cast<uchar*>(mapped), length, MADV_DONTNEED);
#else
    (void)mapped;
    (void)read;
#endif
}

// Characters a text layout cannot show as themselves (control codes would
// break lines or vanish) are shown as the MSX glyph of the same code.
char32_t displayable(char32_t c, msx::CharacterSet set)
{
    if ((c < 0x20 && c != U'\t') || c == 0x7F)
        return msx::charGlyph(set, static_cast<std::uint8_t>(c));
    return c;
}

int clampPointSize(double points)
{
    return std::clamp(static_cast<int>(points + 0.5), 1, MaxPointSize);
}

// The named font first when installed, then the set's own pixel font for
// one-byte fonts (every code one cell, as on the machine), then the
// fallback fonts for anything those lack.
QStringList familiesFor(const QString& name, bool installed, msx::CharacterSet set, bool oneByte)
{
    QStringList families = ListingView::fallbackFamilies();
    if (const QString pixel = fonts::bundledFamily(set); oneByte && !pixel.isEmpty())
        families.prepend(pixel);
    if (installed) {
        families.removeAll(name);
        families.prepend(name);
    }
    return families;
}

// How the bytes of one font of the document become characters.
struct FontPlan {
    bool symbol = false;                // one byte, one glyph
    std::array<char32_t, 256> glyphs{}; // for a symbol font
    int codePage = 0;                   // for a code-page font
    QStringList families;
    bool symbolCoded = false; // glyphs at U+F000+code of an installed font
    bool pixelFont = false;   // drawn with the set's pixel font
    int charset = 0;          // declared when saved
};

char32_t fallbackGlyph(msx::CharacterSet set, int font, std::uint8_t code, int mappedCode)
{
    if (font == GraphicFont)
        return msx::graphicGlyph(set, code);
    if (font == MappedFont && code == mappedCode)
        return msx::charGlyph(set, 0xAD);
    if (code == 0x09)
        return U'\t';
    return msx::charGlyph(set, code);
}

FontPlan planFont(const RtfDocument& doc, int number, int mappedCode, msx::CharacterSet set)
{
    FontPlan plan;
    const RtfFont* entry = doc.font(number);
    const int charset = entry ? entry->charset : -1;
    const int codePage = codePageOfCharset(charset);
    const QString name = entry ? QString::fromStdString(entry->name) : QString();
    const bool installed = !name.isEmpty() && ListingView::isFontInstalled(name);
    plan.families = familiesFor(name, installed, set, codePage == 0);

    if (codePage != 0) {
        plan.codePage = codePage > 0 ? codePage : doc.codePage;
        plan.charset = charset < 0 ? 0 : charset;
        return plan;
    }
    plan.symbol = true;
    for (int code = 0; code < 256; ++code)
        plan.glyphs[code] = fallbackGlyph(set, number, static_cast<std::uint8_t>(code), mappedCode);
    if (!installed) {
        plan.pixelFont = !fonts::bundledFamily(set).isEmpty();
        return plan;
    }

    const QRawFont raw = QRawFont::fromFont(QFont(name));
    if (!raw.isValid())
        return plan;
    int privateArea = 0;
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<char32_t>(code);
        if (code == 0x09 && number != GraphicFont)
            continue; // a tab stays a tab
        if (raw.supportsCharacter(0xF000 + c)) {
            plan.glyphs[code] = 0xF000 + c;
            ++privateArea;
        } else if (code >= 0x20 && !(code >= 0x7F && code < 0xA0) && code != 0xAD && raw.supportsCharacter(c)) {
            plan.glyphs[code] = c;
        }
    }
    plan.symbolCoded = privateArea > 0;
    plan.charset = plan.symbolCoded ? SymbolCharset : 0;
    return plan;
}

// Turns the runs of a parsed document, a part at a time, into the view's
// text, a format per font and size.
class DocumentBuilder {
public:
    DocumentBuilder(ListingText& text, int mappedCode, msx::CharacterSet set)
        : text_(text), mappedCode_(mappedCode), set_(set)
    {}

    void add(const RtfDocument& part, bool last)
    {
        doc_ = &part;
        const std::size_t runCount = part.runs.size();
        // The final paragraph mark is the document's own end.
        const std::size_t usedRuns =
            last && runCount > 0 && part.runs.back().kind == RtfRun::Kind::ParagraphEnd ? runCount - 1 : runCount;
        for (std::size_t i = 0; i < usedRuns; ++i)
            add(part.runs[i]);
        flush();
        doc_ = nullptr;
    }

private:
    void add(const RtfRun& run)
    {
        const int format = formatFor(run);
        if (format != pendingFormat_ || pending_.size() >= ChunkCharacters)
            flush();
        pendingFormat_ = format;
        const FontPlan& plan = plans_[planFor(run.font)];
        switch (run.kind) {
        case RtfRun::Kind::ParagraphEnd:
            flush();
            text_.endLine();
            break;
        case RtfRun::Kind::Text:
            for (const char32_t c : doc_->textOf(run)) {
                if (c == QChar::LineSeparator) { // a line break inside a paragraph: a line of its own here
                    flush();
                    text_.endLine();
                } else {
                    appendCharacter(pending_, displayable(c, set_));
                }
            }
            break;
        case RtfRun::Kind::Bytes: {
            const std::string_view bytes = doc_->bytesOf(run);
            if (plan.symbol) {
                for (const char byte : bytes)
                    appendCharacter(pending_, plan.glyphs[static_cast<std::uint8_t>(byte)]);
            } else {
                decoded_.clear();
                decoderFor(plan.codePage).decode(bytes, decoded_);
                for (const char32_t c : decoded_)
                    appendCharacter(pending_, displayable(c, set_));
            }
            break;
        }
        }
    }

    void flush()
    {
        if (pending_.empty())
            return;
        text_.append(QStringView(pending_), pendingFormat_);
        pending_.clear();
    }

    std::size_t planFor(int font)
    {
        for (std::size_t i = 0; i < planFonts_.size(); ++i) {
            if (planFonts_[i] == font)
                return i;
        }
        planFonts_.push_back(font);
        plans_.push_back(planFont(*doc_, font, mappedCode_, set_));
        return plans_.size() - 1;
    }

    int formatFor(const RtfRun& run)
    {
        if (run.font == lastFont_ && run.halfPoints == lastHalfPoints_)
            return lastFormat_;
        lastFont_ = run.font;
        lastHalfPoints_ = run.halfPoints;
        // Listings switch between two or three fonts all the time.
        for (const auto& [font, halfPoints, format] : madeFormats_) {
            if (font == run.font && halfPoints == run.halfPoints)
                return lastFormat_ = format;
        }
        const FontPlan& plan = plans_[planFor(run.font)];
        QTextCharFormat format;
        format.setFontFamilies(plan.families);
        format.setFontFixedPitch(true);
        format.setFontStyleHint(QFont::TypeWriter);
        format.setFontPointSize(clampPointSize(run.halfPoints / 2.0));
        // Square pixels with sharp edges rather than a smoothed blur.
        if (plan.pixelFont)
            format.setFontStyleStrategy(QFont::NoAntialias);
        format.setProperty(ListingCharsetProperty, plan.charset);
        format.setProperty(ListingSymbolCodedProperty, plan.symbolCoded);
        if (plan.symbolCoded) // which look-alikes its bytes stand for
            format.setProperty(ListingRoleProperty, run.font <= MappedFont ? run.font : 0);
        lastFormat_ = text_.addFormat(format);
        madeFormats_.push_back({run.font, run.halfPoints, lastFormat_});
        return lastFormat_;
    }

    CodePageDecoder& decoderFor(int codePage)
    {
        for (auto& decoder : decoders_) {
            if (decoder->codePage() == codePage)
                return *decoder;
        }
        decoders_.push_back(std::make_unique<CodePageDecoder>(codePage));
        return *decoders_.back();
    }

    ListingText& text_;
    const RtfDocument* doc_ = nullptr;
    int mappedCode_;
    msx::CharacterSet set_;
    std::vector<int> planFonts_;
    std::vector<FontPlan> plans_;
    std::vector<std::unique_ptr<CodePageDecoder>> decoders_;
    std::u32string decoded_;
    std::vector<std::tuple<int, int, int>> madeFormats_; // font, size, format
    std::u16string pending_;
    int pendingFormat_ = -1;
    int lastFont_ = -1;
    int lastHalfPoints_ = -1;
    int lastFormat_ = -1;
};

} // namespace

ListingView::ListingView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("RichEdit1"));
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setCursor(Qt::IBeamCursor);

    // The selection stays visible when the view loses the focus.
    QPalette colours = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    defaultFont_.setPixelSize(DefaultPixelSize);
    defaultFont_.setFixedPitch(true);
    defaultFont_.setStyleHint(QFont::TypeWriter);
    setDefaultFontName(QString::fromStdString(Settings().fontNameAnk));
    relayout();
}

ListingSample ListingView::sample(std::string_view bytes, const QString& name, int number, int charset,
                                  msx::CharacterSet set)
{
    RtfDocument doc;
    doc.codePage = 932;
    doc.fonts.push_back({number, charset, name.toStdString()});
    const FontPlan plan = planFont(doc, number, Settings().mapCodeFrom0xAD, set);
    std::u32string shown;
    if (plan.symbol) {
        for (const char byte : bytes)
            shown += plan.glyphs[static_cast<std::uint8_t>(byte)];
    } else {
        CodePageDecoder(plan.codePage).decode(bytes, shown);
        for (char32_t& c : shown)
            c = displayable(c, set);
    }
    ListingSample sample;
    sample.text = QString::fromUcs4(shown.data(), static_cast<qsizetype>(shown.size()));
    sample.font.setFamilies(plan.families);
    sample.font.setFixedPitch(true);
    sample.font.setStyleHint(QFont::TypeWriter);
    sample.font.setPixelSize(DefaultPixelSize);
    if (plan.pixelFont)
        sample.font.setStyleStrategy(QFont::NoAntialias);
    return sample;
}

QStringList ListingView::fallbackFamilies()
{
    static const QStringList families = [] {
        QStringList found;
        for (const char* family : {"Unifont", "Unifont Upper", "Unifont-JP"}) {
            if (isFontInstalled(QString::fromLatin1(family)))
                found << QString::fromLatin1(family);
        }
        if (found.isEmpty())
            found << QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        return found;
    }();
    return families;
}

bool ListingView::isFontInstalled(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

void ListingView::setMappedCodeFor0xAD(int code)
{
    mappedCode_ = std::clamp(code, 0, 255);
}

void ListingView::loadRtfFile(const QString& path)
{
    // A large load lets events through; one of them must not start another
    // load into the half-built text.
    if (loading_)
        throw QuilletError(ErrorKind::LoadInProgress, "a document is still being loaded");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuilletError(ErrorKind::ReadFailed, path.toStdString());
    // Mapped rather than copied where the file system allows it.
    QByteArray copy;
    const qint64 size = file.size();
    const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped) {
        copy = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw QuilletError(ErrorKind::ReadFailed, path.toStdString());
    }
    const std::string_view bytes = mapped ? std::string_view(reinterpret_cast<const char*>(mapped), size)
                                          : std::string_view(copy.constData(), copy.size());

    loading_ = true;
    cancelRequested_ = false;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};
    bool started = false;
    DocumentBuilder builder(text_, mappedCode_, characterSet_);
    QElapsedTimer clock;
    clock.start();
    qint64 lastBreath = 0;
    const auto addPart = [&](const RtfDocument& part, std::size_t read, bool last) {
        if (!started) { // it is RTF: the old text goes, so two large listings need not fit at once
            started = true;
            text_.clear();
            text_.reserve(static_cast<qsizetype>(bytes.size())); // at most a character per byte
            anchor_ = position_ = 0;
            layouts_.clear();
        }
        builder.add(part, last);
        if (mapped)
            releaseRead(mapped, read);
        if (!last && clock.elapsed() - lastBreath >= responsiveAfterMs_) {
            // A large document: let the window paint and say how far we are.
            emit loadProgress(static_cast<int>(read * 100 / std::max<std::size_t>(bytes.size(), 1)));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (cancelRequested_)
                throw QuilletError(ErrorKind::LoadCancelled);
            lastBreath = clock.elapsed();
        }
    };
    try {
        readRtf(bytes, RunsPerPart, addPart);
    } catch (const QuilletError&) {
        if (started) {
            text_.clear();
            relayout();
            emit contentsChanged();
        }
        throw;
    }
    if (lastBreath > 0)
        emit loadProgress(100);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    relayout();
    emit contentsChanged();
}

void ListingView::clear()
{
    text_.clear();
    anchor_ = position_ = 0;
    relayout();
    emit contentsChanged();
}

void ListingView::setDefaultCharset(int charset)
{
    defaultCharset_ = charset;
}

void ListingView::setDefaultTextColor(const QColor& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Text, color);
    setPalette(colours);
}

QColor ListingView::defaultTextColor() const
{
    return palette().color(QPalette::Text);
}

void ListingView::setBackgroundColor(const QColor& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

QColor ListingView::backgroundColor() const
{
    return palette().color(QPalette::Base);
}

void ListingView::setDefaultPointSize(int points)
{
    defaultFont_.setPointSize(clampPointSize(points));
}

void ListingView::setDefaultFontName(const QString& name)
{
    defaultFontName_ = name;
    defaultFont_.setFamilies(familiesFor(name, isFontInstalled(name), characterSet_, true));
}

void ListingView::collapseSelectionToStart()
{
    anchor_ = position_ = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void ListingView::setWordWrap(bool wrap)
{
    if (wrap == wordWrap_)
        return;
    wordWrap_ = wrap;
    relayout();
}

std::unique_ptr<QTextDocument> ListingView::toDocument() const
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(defaultFont_);
    text_.fillDocument(*document, 0, text_.endPosition());
    return document;
}

namespace {

// How many characters a listed line starts with before its body: the line
// number and its blank, after the line's address and its blank when the
// listing shows addresses. 0 for a line that starts otherwise.
qsizetype bodyStart(const QString& line)
{
    static const QRegularExpression lead(QStringLiteral("^(?:[0-9A-F]{4} (?=[0-9]+ ))?[0-9]+ "));
    return lead.match(line).capturedLength();
}

// A line that wraps goes on under its body, so that what follows never
// reads as a line number of its own. The indent is measured on the device
// that prints: the layout takes it in that device's units.
void indentContinuations(QTextDocument& document, const QPaintDevice& device)
{
    std::map<int, QFontMetricsF> metrics; // by the document's format index
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const qsizetype lead = bodyStart(block.text());
        if (lead == 0)
            continue;
        qreal width = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype from = fragment.position() - block.position();
            if (from >= lead)
                break;
            const int format = fragment.charFormatIndex();
            auto found = metrics.find(format);
            if (found == metrics.end())
                found = metrics.emplace(format, QFontMetricsF(fragment.charFormat().font(), &device)).first;
            width += found->second.horizontalAdvance(fragment.text().left(lead - from));
        }
        QTextBlockFormat format = block.blockFormat();
        format.setLeftMargin(width);
        format.setTextIndent(-width);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
}

} // namespace

void ListingView::print(QPagedPaintDevice* printer) const
{
    const std::unique_ptr<QTextDocument> document = toDocument();
    indentContinuations(*document, *printer);
    document->print(printer);
}

QMimeData* ListingView::createMimeDataFromSelection() const
{
    auto* mime = new QMimeData;
    mime->setText(selectedText());
    QTextDocument copied;
    copied.setDefaultFont(defaultFont_);
    text_.fillDocument(copied, selectionStart(), selectionEnd());
    mime->setHtml(copied.toHtml());
    const std::string rtf = listingDocumentRtf(copied, defaultTextColor(), backgroundColor());
    const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
    mime->setData(QStringLiteral("text/rtf"), bytes);
    mime->setData(QStringLiteral("application/rtf"), bytes);
    return mime;
}

void ListingView::copy() const
{
    if (hasSelection())
        QApplication::clipboard()->setMimeData(createMimeDataFromSelection());
}

void ListingView::updateSelectionClipboard() const
{
    QClipboard* clipboard = QApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

std::string ListingView::toRtf() const
{
    const auto walk = [this](const ListingFragmentVisit& visit, const std::function<void()>& paragraphEnd) {
        text_.forEachFragment(0, text_.endPosition(), visit, paragraphEnd);
        paragraphEnd();
    };
    return listingRtf(walk, defaultFont_, defaultTextColor(), backgroundColor());
}

void ListingView::saveRtfFile(const QString& path) const
{
    const std::string rtf = toRtf();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw QuilletError(ErrorKind::CreateFailed, path.toStdString());
    const auto size = static_cast<qint64>(rtf.size());
    if (file.write(rtf.data(), size) != size || !file.commit())
        throw QuilletError(ErrorKind::WriteFailed, path.toStdString());
}

QString lineCountText(std::int64_t lines)
{
    return QString::number(lines) + quillet::ui::uiText(status::LineCountSuffix);
}

void ListingView::showListing(const QString& rtfPath, const ListingGlyphs& glyphs, const ListingFormat& format)
{
    const int previousMappedCode = mappedCode_;
    const msx::CharacterSet previousSet = characterSet_;
    setMappedCodeFor0xAD(glyphs.mappedCodeFor0xAD);
    characterSet_ = glyphs.characterSet;
    try {
        loadRtfFile(rtfPath);
    } catch (...) {
        mappedCode_ = previousMappedCode;
        characterSet_ = previousSet;
        throw;
    }
    applyListingFormat(format);
}

ListingFormat ListingView::listingFormat() const
{
    return {defaultTextColor(), backgroundColor(), defaultFont_.pointSize(),
            defaultCharset_,    defaultFontName_,  wordWrap()};
}

void ListingView::applyListingFormat(const ListingFormat& format)
{
    setDefaultCharset(format.charset);
    setDefaultTextColor(format.textColor);
    setBackgroundColor(format.backgroundColor);
    setDefaultPointSize(format.pointSize);
    // Every character takes the colour and size: a change to the few
    // shared formats, however long the listing.
    QTextCharFormat change;
    change.setForeground(format.textColor);
    change.setFontPointSize(clampPointSize(format.pointSize));
    text_.mergeIntoEveryFormat(change);
    collapseSelectionToStart();
    // No name yet: no listing was shown, and the text keeps its font.
    if (!format.fontName.isEmpty())
        setDefaultFontName(format.fontName);
    wordWrap_ = format.wordWrap;
    relayout();
}

// Drawing ---------------------------------------------------------------

void ListingView::relayout()
{
    layouts_.clear();
    widest_ = 0;
    qreal height = QFontMetricsF(defaultFont_, viewport()).height();
    qreal cell = QFontMetricsF(defaultFont_, viewport()).horizontalAdvance(u'0');
    for (const QTextCharFormat& format : text_.formats()) {
        const QFontMetricsF metrics(format.font(), viewport());
        height = std::max(height, metrics.height());
        cell = std::max(cell, metrics.horizontalAdvance(u'0'));
    }
    lineHeight_ = std::max(1, static_cast<int>(std::ceil(height)));
    cellWidth_ = std::max(1.0, cell);
    updateScrollBars();
    viewport()->update();
}

int ListingView::visibleRows() const
{
    return std::max(1, (viewport()->height() - DocumentMargin) / lineHeight_);
}

void ListingView::updateScrollBars()
{
    const qsizetype rows = text_.rowCount();
    const int page = visibleRows();
    // Wrapped, the last row may be the only one shown, unless all fit.
    qsizetype last = wordWrap_ ? rows - 1 : std::max<qsizetype>(0, rows - page);
    if (wordWrap_ && rows <= page) {
        qreal height = DocumentMargin;
        for (qsizetype row = 0; row < rows; ++row)
            height += layoutOf(row).boundingRect().height();
        if (height <= viewport()->height())
            last = 0;
    }
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(last));
    vertical->setPageStep(page);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    if (wordWrap_) {
        horizontal->setRange(0, 0);
        return;
    }
    // Rows not laid out yet are taken at a cell per character.
    const qreal widest = std::max(widest_, static_cast<qreal>(text_.longestRow()) * cellWidth_);
    const int content = static_cast<int>(std::ceil(widest)) + 2 * DocumentMargin + 1;
    horizontal->setRange(0, std::max(0, content - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(std::max(1, static_cast<int>(cellWidth_) * 2));
}

QTextLayout& ListingView::layoutOf(qsizetype row) const
{
    auto found = layouts_.find(row);
    if (found != layouts_.end())
        return *found->second;
    auto layout = std::make_unique<QTextLayout>(text_.row(row).toString(), defaultFont_, viewport());
    layout->setFormats(text_.rowFormats(row));
    QTextOption option;
    option.setWrapMode(wordWrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(TabStopDistance);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const qreal width = std::max(1, viewport()->width() - 2 * DocumentMargin);
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition({0, y});
        y += line.height();
        widest_ = std::max(widest_, line.naturalTextWidth());
    }
    layout->endLayout();
    return *layouts_.emplace(row, std::move(layout)).first->second;
}

QPointF ListingView::lineOrigin() const
{
    return {static_cast<qreal>(DocumentMargin - horizontalScrollBar()->value()), static_cast<qreal>(DocumentMargin)};
}

void ListingView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (loading_)
        return; // the text is half built
    // Keep the rows near the shown ones only.
    if (layouts_.size() > static_cast<std::size_t>(8 * visibleRows() + 64))
        layouts_.clear();
    const qreal widestBefore = widest_;
    painter.setPen(palette().color(QPalette::Text));
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const qreal spaceWidth = QFontMetricsF(defaultFont_, viewport()).horizontalAdvance(u' ');
    const qsizetype from = selectionStart(), to = selectionEnd();
    QPointF origin = lineOrigin();
    const qreal bottom = viewport()->height();
    for (qsizetype row = verticalScrollBar()->value(); row < text_.rowCount() && origin.y() < bottom; ++row) {
        const QTextLayout& layout = layoutOf(row);
        const qreal height = layout.boundingRect().height();
        if (origin.y() + height >= event->rect().top()) {
            const qsizetype start = text_.rowStartPosition(row);
            const qsizetype end = start + text_.rowLength(row);
            const bool endsLine = text_.endsLine(row);
            QList<QTextLayout::FormatRange> selections;
            if (from < to && from <= end && to > start) {
                const qsizetype first = std::max(from, start) - start;
                const qsizetype last = std::min(to, end) - start;
                if (last > first)
                    selections.append({static_cast<int>(first), static_cast<int>(last - first), selected});
                if (to > end && endsLine) { // the line's end is selected too
                    const QTextLine shown = layout.lineAt(layout.lineCount() - 1);
                    painter.fillRect(QRectF(origin.x() + shown.naturalTextWidth(), origin.y() + shown.y(), spaceWidth,
                                            shown.height()),
                                     palette().brush(QPalette::Highlight));
                }
            }
            layout.draw(&painter, origin, selections);
            // Between two rows of a line the cursor stands at the second's start.
            if (hasFocus() && position_ >= start && (position_ < end || (position_ == end && endsLine)))
                layout.drawCursor(&painter, origin, static_cast<int>(position_ - start));
        }
        origin.ry() += height;
    }
    if (widest_ > widestBefore)
        updateScrollBars();
}

void ListingView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (wordWrap_)
        layouts_.clear();
    updateScrollBars();
}

void ListingView::scrollContentsBy(int, int)
{
    viewport()->update();
}

// Selecting and moving ----------------------------------------------------

qsizetype ListingView::positionAt(QPoint point) const
{
    QPointF origin = lineOrigin();
    const qsizetype rows = text_.rowCount();
    for (qsizetype row = verticalScrollBar()->value(); row < rows; ++row) {
        const QTextLayout& layout = layoutOf(row);
        const qreal height = layout.boundingRect().height();
        if (point.y() < origin.y() + height || row == rows - 1) {
            for (int index = 0; index < layout.lineCount(); ++index) {
                const QTextLine shown = layout.lineAt(index);
                if (point.y() < origin.y() + shown.y() + shown.height() || index == layout.lineCount() - 1)
                    return text_.rowStartPosition(row) + shown.xToCursor(point.x() - origin.x());
            }
        }
        origin.ry() += height;
    }
    return text_.endPosition();
}

void ListingView::setSelection(qsizetype anchor, qsizetype position)
{
    anchor_ = std::clamp<qsizetype>(anchor, 0, text_.endPosition());
    position_ = std::clamp<qsizetype>(position, 0, text_.endPosition());
    viewport()->update();
}

void ListingView::moveCursor(qsizetype position, bool keepAnchor)
{
    setSelection(keepAnchor ? anchor_ : position, position);
    ensureCursorVisible();
}

void ListingView::selectAll()
{
    setSelection(0, text_.endPosition());
}

void ListingView::ensureCursorVisible()
{
    const qsizetype row = text_.rowOf(position_);
    QScrollBar* vertical = verticalScrollBar();
    if (row < vertical->value()) {
        vertical->setValue(static_cast<int>(row));
    } else {
        // Scroll down until the cursor's row is wholly shown.
        qreal height = DocumentMargin;
        for (qsizetype shown = row; shown >= vertical->value(); --shown) {
            height += layoutOf(shown).boundingRect().height();
            if (height > viewport()->height()) {
                vertical->setValue(static_cast<int>(std::min(shown + 1, row)));
                break;
            }
        }
    }
    if (wordWrap_)
        return;
    const QTextLayout& layout = layoutOf(row);
    const int column = static_cast<int>(position_ - text_.rowStartPosition(row));
    const qreal x = layout.lineForTextPosition(column).cursorToX(column);
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width() - 2 * DocumentMargin;
    if (x < horizontal->value())
        horizontal->setValue(static_cast<int>(x));
    else if (x + cellWidth_ > horizontal->value() + width)
        horizontal->setValue(static_cast<int>(std::ceil(x + cellWidth_)) - width);
}

bool ListingView::find(const QString& what, QTextDocument::FindFlags flags)
{
    const qsizetype from = flags.testFlag(QTextDocument::FindBackward) ? selectionStart() : selectionEnd();
    const qsizetype at = text_.find(what, from, flags);
    if (at < 0)
        return false;
    setSelection(at, at + what.size());
    ensureCursorVisible();
    return true;
}

void ListingView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    // Up and down go by rows, the start and end of a line by lines.
    const qsizetype line = text_.lineOf(position_);
    const qsizetype row = text_.rowOf(position_);
    const qsizetype column = position_ - text_.rowStartPosition(row);
    const auto onRow = [this, column](qsizetype target) {
        target = std::clamp<qsizetype>(target, 0, text_.rowCount() - 1);
        return text_.rowStartPosition(target) + std::min(column, text_.rowLength(target));
    };
    struct Move {
        QKeySequence::StandardKey move, select;
        qsizetype to;
    };
    const Move moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, position_ + 1},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, position_ - 1},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, onRow(row + 1)},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, onRow(row - 1)},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, onRow(row + visibleRows())},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, onRow(row - visibleRows())},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, text_.lineStartPosition(line)},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine,
         text_.lineStartPosition(line) + text_.lineLength(line)},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 0},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, text_.endPosition()},
    };
    for (const Move& move : moves) {
        if (event == move.move || event == move.select) {
            moveCursor(std::clamp<qsizetype>(move.to, 0, text_.endPosition()), event == move.select);
            if (event == move.select)
                updateSelectionClipboard();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ListingView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || loading_)
        return QAbstractScrollArea::mousePressEvent(event);
    selecting_ = true;
    moveCursor(positionAt(event->position().toPoint()), event->modifiers().testFlag(Qt::ShiftModifier));
}

void ListingView::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting_ || !event->buttons().testFlag(Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls a line at a time.
    if (point.y() < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    point.setY(std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1)));
    moveCursor(positionAt(point), true);
}

void ListingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !selecting_)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    selecting_ = false;
    updateSelectionClipboard();
}

void ListingView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || loading_)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    // The word under the pointer.
    const qsizetype at = positionAt(event->position().toPoint());
    const qsizetype line = text_.lineOf(at);
    const QStringView text = text_.line(line);
    const auto isWord = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
    qsizetype start = at - text_.lineStartPosition(line), end = start;
    while (start > 0 && isWord(text[start - 1]))
        --start;
    while (end < text.size() && isWord(text[end]))
        ++end;
    setSelection(text_.lineStartPosition(line) + start, text_.lineStartPosition(line) + end);
    selecting_ = true;
    updateSelectionClipboard();
}

void ListingView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ListingView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
