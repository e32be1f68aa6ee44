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
#include <QToolTip>
#include <QWheelEvent>

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
// The MSX font's cell is 8 dots high.
constexpr int DotsPerCell = 8;
// One notch of a mouse wheel.
constexpr int WheelStep = 120;

// The characters before a line's body: its number and the blank after it,
// after the line's address and its blank when the listing shows addresses.
qsizetype leadLength(QStringView line)
{
    const auto digitsFrom = [&line](qsizetype at) {
        qsizetype end = at;
        while (end < line.size() && line[end] >= u'0' && line[end] <= u'9')
            ++end;
        return end;
    };
    const auto numberAt = [&](qsizetype at) -> qsizetype {
        const qsizetype end = digitsFrom(at);
        return end > at && end < line.size() && line[end] == u' ' ? end + 1 : 0;
    };
    if (line.size() > 5 && line[4] == u' ') {
        bool address = true;
        for (qsizetype i = 0; i < 4; ++i)
            address = address && ((line[i] >= u'0' && line[i] <= u'9') || (line[i] >= u'A' && line[i] <= u'F'));
        if (address) {
            if (const qsizetype end = numberAt(5); end > 0)
                return end;
        }
    }
    return numberAt(0);
}

// The number a line starts with (after its address, if any). Read digit
// by digit: the index of a large listing reads every line's.
std::optional<int> leadNumber(QStringView line)
{
    const qsizetype lead = leadLength(line);
    if (lead == 0)
        return std::nullopt;
    qsizetype at = lead - 1;
    while (at > 0 && line[at - 1] >= u'0' && line[at - 1] <= u'9')
        --at;
    int number = 0;
    for (; at < lead - 1; ++at)
        number = std::min(number * 10 + (line[at].unicode() - u'0'), 1 << 20);
    return number;
}

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
    viewport()->setMouseTracking(true);

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
    forgetNavigation();
    relayout();
    emit contentsChanged();
}

void ListingView::clear()
{
    text_.clear();
    anchor_ = position_ = 0;
    forgetNavigation();
    relayout();
    emit contentsChanged();
}

void ListingView::forgetNavigation()
{
    back_.clear();
    forward_.clear();
    marked_ = -1;
    roles_.clear();
    roles_.shrink_to_fit();
    numbers_.clear();
    numbers_.shrink_to_fit();
    numbersMade_ = false;
    references_.clear();
    references_.shrink_to_fit();
    referencesMade_ = false;
    gutterCharacters_ = 0;
    for (qsizetype line = 0; line < text_.lineCount(); ++line)
        gutterCharacters_ = std::max<int>(gutterCharacters_, static_cast<int>(leadLength(text_.line(line))));
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
    configuredBackground_ = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Base, syntax_.on && syntax_.background.isValid() ? syntax_.background : color);
    setPalette(colours);
}

QColor ListingView::backgroundColor() const
{
    return configuredBackground_;
}

QColor ListingView::shownBackground() const
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

std::unique_ptr<QTextDocument> ListingView::toDocument(bool onPaper) const
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(defaultFont_);
    fillDocument(*document, 0, text_.endPosition(), onPaper);
    return document;
}

const RoleColourSet* ListingView::fragmentColours(bool onPaper) const
{
    if (!syntax_.on || roles_.empty())
        return nullptr;
    return onPaper ? &syntax_.paper : &syntax_.colours;
}

void ListingView::forEachShownFragment(qsizetype from, qsizetype to, const RoleColourSet* colours,
                                       const ListingFragmentVisit& visit, const std::function<void()>& endOfLine) const
{
    if (!colours || text_.characterCount() == 0) {
        text_.forEachFragment(from, to, visit, endOfLine);
        return;
    }
    // Each run of one font cut where the role changes, in the role's colour.
    const QChar* base = text_.line(0).data();
    text_.forEachFragment(
        from, to,
        [&](QStringView text, const QTextCharFormat& format) {
            const auto offset = static_cast<std::size_t>(text.data() - base);
            for (qsizetype at = 0; at < text.size();) {
                const Role role = roles_[offset + static_cast<std::size_t>(at)];
                qsizetype end = at + 1;
                while (end < text.size() && roles_[offset + static_cast<std::size_t>(end)] == role)
                    ++end;
                QTextCharFormat coloured = format;
                coloured.setForeground(QColor::fromRgb((*colours)[static_cast<std::size_t>(role)]));
                visit(text.mid(at, end - at), coloured);
                at = end;
            }
        },
        endOfLine);
}

void ListingView::fillDocument(QTextDocument& document, qsizetype from, qsizetype to, bool onPaper) const
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    forEachShownFragment(
        from, to, fragmentColours(onPaper),
        [&cursor](QStringView text, const QTextCharFormat& format) { cursor.insertText(text.toString(), format); },
        [&cursor] { cursor.insertBlock(); });
    cursor.endEditBlock();
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
    const std::unique_ptr<QTextDocument> document = toDocument(true);
    indentContinuations(*document, *printer);
    document->print(printer);
}

QMimeData* ListingView::createMimeDataFromSelection() const
{
    auto* mime = new QMimeData;
    mime->setText(selectedText());
    QTextDocument copied;
    copied.setDefaultFont(defaultFont_);
    fillDocument(copied, selectionStart(), selectionEnd(), false);
    mime->setHtml(copied.toHtml());
    const std::string rtf =
        listingDocumentRtf(copied, defaultTextColor(), fragmentColours(false) ? shownBackground() : backgroundColor());
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
    const RoleColourSet* colours = fragmentColours(false);
    const auto walk = [this, colours](const ListingFragmentVisit& visit, const std::function<void()>& paragraphEnd) {
        forEachShownFragment(0, text_.endPosition(), colours, visit, paragraphEnd);
        paragraphEnd();
    };
    return listingRtf(walk, defaultFont_, defaultTextColor(), colours ? shownBackground() : backgroundColor());
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

// Zoom, gutter --------------------------------------------------------------

void ListingView::setZoom(int dotPixels)
{
    dotPixels = std::clamp(dotPixels, 0, MaxZoom);
    if (dotPixels == zoom_)
        return;
    const qsizetype row = verticalScrollBar()->value();
    zoom_ = dotPixels;
    relayout();
    verticalScrollBar()->setValue(static_cast<int>(row));
}

int ListingView::zoomStep(int steps) const
{
    // From the size shown now, to the next whole number of screen pixels a dot.
    qreal pixels = zoom_ * DotsPerCell;
    if (zoom_ == 0) {
        const QFont& font = text_.formats().empty() ? defaultFont_ : text_.formats().front().font();
        pixels = QFontInfo(font).pixelSize();
        if (pixels <= 0)
            pixels = DefaultPixelSize;
    }
    const qreal dots = pixels / DotsPerCell;
    const int from = steps > 0 ? static_cast<int>(std::floor(dots + 1e-6)) : static_cast<int>(std::ceil(dots - 1e-6));
    return std::clamp(from + steps, 1, MaxZoom);
}

void ListingView::wheelEvent(QWheelEvent* event)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier))
        return QAbstractScrollArea::wheelEvent(event);
    wheelAngle_ += event->angleDelta().y();
    const int steps = wheelAngle_ / WheelStep;
    wheelAngle_ -= steps * WheelStep;
    if (steps != 0)
        emit zoomStepRequested(steps);
    event->accept();
}

void ListingView::setLineNumberGutter(bool on)
{
    if (on == gutter_)
        return;
    gutter_ = on;
    relayout();
}

qsizetype ListingView::leadOf(qsizetype line) const
{
    return leadLength(text_.line(line));
}

qreal ListingView::gutterWidth() const
{
    return gutterCharacters_ * cellWidth_;
}

// Jumps ------------------------------------------------------------------

std::optional<int> ListingView::lineNumberOf(qsizetype line) const
{
    if (line < 0 || line >= text_.lineCount())
        return std::nullopt;
    return leadNumber(text_.line(line));
}

const std::vector<std::pair<int, std::ptrdiff_t>>& ListingView::numberIndex() const
{
    if (!numbersMade_) {
        numbersMade_ = true;
        numbers_.clear();
        for (qsizetype line = 0; line < text_.lineCount(); ++line) {
            if (const auto number = leadNumber(text_.line(line)))
                numbers_.emplace_back(*number, line);
        }
        // Listings are in order already; a text file need not be.
        if (!std::is_sorted(numbers_.begin(), numbers_.end()))
            std::stable_sort(numbers_.begin(), numbers_.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    return numbers_;
}

std::optional<qsizetype> ListingView::lineOfNumber(int number) const
{
    const auto& index = numberIndex();
    const auto found = std::lower_bound(index.begin(), index.end(), number,
                                        [](const auto& entry, int value) { return entry.first < value; });
    if (found == index.end())
        return std::nullopt;
    return found->second;
}

void ListingView::rememberPlace(std::vector<qsizetype>& stack)
{
    stack.push_back(position_);
}

void ListingView::showPlace(qsizetype position, bool mark)
{
    position = std::clamp<qsizetype>(position, 0, text_.endPosition());
    setSelection(position, position);
    marked_ = mark ? text_.lineOf(position) : -1;
    // The line comes to the top third of the view, where the eye looks.
    const qsizetype row = text_.rowOf(position);
    verticalScrollBar()->setValue(static_cast<int>(std::max<qsizetype>(0, row - visibleRows() / 3)));
    horizontalScrollBar()->setValue(0);
    ensureCursorVisible();
    viewport()->update();
    emit jumped(text_.lineOf(position));
}

void ListingView::jumpToLine(qsizetype line)
{
    if (line < 0 || line >= text_.lineCount())
        return;
    rememberPlace(back_);
    forward_.clear();
    showPlace(text_.lineStartPosition(line), true);
}

void ListingView::goBack()
{
    if (back_.empty())
        return;
    rememberPlace(forward_);
    const qsizetype position = back_.back();
    back_.pop_back();
    showPlace(position, true);
}

void ListingView::goForward()
{
    if (forward_.empty())
        return;
    rememberPlace(back_);
    const qsizetype position = forward_.back();
    forward_.pop_back();
    showPlace(position, true);
}

// Roles ------------------------------------------------------------------

void ListingView::setRoles(app::ShownRoles&& shown)
{
    roles_.clear();
    referencesMade_ = false;
    references_.clear();
    const qsizetype lines = text_.lineCount();
    // The view's text ends with an empty line after the last line end.
    const auto listed = static_cast<qsizetype>(shown.lineLengths.size());
    if (shown.empty() || (listed != lines && listed + 1 != lines)) {
        viewport()->update();
        return;
    }
    // Lines of one unit a character, laid end to end as the text is.
    bool same = static_cast<qsizetype>(shown.roles.size()) == text_.characterCount();
    for (qsizetype line = 0; same && line < listed; ++line)
        same = text_.lineLength(line) == static_cast<qsizetype>(shown.lineLengths[static_cast<std::size_t>(line)]);
    // The listing's own line numbers spare reading them from the text.
    numbers_ = std::move(shown.numbers);
    if (!std::is_sorted(numbers_.begin(), numbers_.end()))
        std::stable_sort(numbers_.begin(), numbers_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    numbersMade_ = true;
    if (same) {
        roles_ = std::move(shown.roles);
        relayout();
        return;
    }
    roles_.assign(static_cast<std::size_t>(text_.characterCount()), Role::Text);
    std::size_t from = 0; // in shown.roles
    for (qsizetype line = 0; line < listed; ++line) {
        const std::uint32_t length = shown.lineLengths[static_cast<std::size_t>(line)];
        if (from + length > shown.roles.size())
            break;
        auto out = roles_.begin() + text_.lineOffset(line);
        const auto in = shown.roles.begin() + static_cast<std::ptrdiff_t>(from);
        if (text_.lineLength(line) == static_cast<qsizetype>(length)) {
            std::copy(in, in + length, out); // a character a unit, as nearly every line
        } else {
            // Characters beyond the first plane take two units, and both the role.
            const QStringView text = text_.line(line);
            qsizetype characters = 0;
            for (qsizetype at = 0; at < text.size(); ++at)
                characters += text[at].isLowSurrogate() ? 0 : 1;
            if (characters == static_cast<qsizetype>(length)) {
                auto next = in;
                for (qsizetype at = 0; at < text.size(); ++at) {
                    if (!text[at].isLowSurrogate())
                        ++next;
                    *out++ = *(next - 1);
                }
            }
        }
        from += length;
    }
    relayout();
}

Role ListingView::roleAt(qsizetype position) const
{
    if (roles_.empty() || position < 0 || position >= text_.endPosition())
        return Role::Text;
    const qsizetype line = text_.lineOf(position);
    const qsizetype column = position - text_.lineStartPosition(line);
    if (column >= text_.lineLength(line))
        return Role::Text;
    return roles_[static_cast<std::size_t>(text_.lineOffset(line) + column)];
}

void ListingView::setSyntaxColors(const SyntaxColors& colors)
{
    syntax_ = colors;
    // The scheme's own background (the MSX screen) replaces the listing's
    // while the colours are on.
    QPalette colours = palette();
    const QColor base = syntax_.on && syntax_.background.isValid() ? syntax_.background : configuredBackground_;
    colours.setColor(QPalette::Base, base);
    setPalette(colours);
    relayout();
}

std::optional<ListingView::Reference> ListingView::referenceAt(qsizetype position) const
{
    if (roleAt(position) != Role::LineReference)
        return std::nullopt;
    const qsizetype line = text_.lineOf(position);
    const qsizetype lineStart = text_.lineStartPosition(line);
    const auto base = roles_.begin() + text_.lineOffset(line);
    qsizetype start = position - lineStart, end = start;
    while (start > 0 && base[start - 1] == Role::LineReference)
        --start;
    while (end < text_.lineLength(line) && base[end] == Role::LineReference)
        ++end;
    bool ok = false;
    const int number = text_.line(line).mid(start, end - start).trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    const auto target = lineOfNumber(number);
    const bool exists = target && lineNumberOf(*target) == number;
    return Reference{number, exists, lineStart + start, lineStart + end};
}

bool ListingView::followReferenceAtCursor()
{
    // The cursor stands in the reference or just after it.
    std::optional<Reference> reference = referenceAt(position_);
    if (!reference && position_ > 0)
        reference = referenceAt(position_ - 1);
    if (!reference)
        return false;
    if (!reference->exists) {
        emit missingLineFollowed(reference->number);
        return true;
    }
    jumpToLine(*lineOfNumber(reference->number));
    return true;
}

std::vector<int> ListingView::referrersOf(qsizetype line) const
{
    const auto number = lineNumberOf(line);
    if (!number || roles_.empty())
        return {};
    if (!referencesMade_) {
        referencesMade_ = true;
        references_.clear();
        for (qsizetype at = 0; at < text_.lineCount(); ++at) {
            const auto source = lineNumberOf(at);
            if (!source)
                continue;
            const QStringView text = text_.line(at);
            const auto base = roles_.begin() + text_.lineOffset(at);
            for (qsizetype i = 0; i < text.size();) {
                if (base[i] != Role::LineReference) {
                    ++i;
                    continue;
                }
                qsizetype end = i;
                while (end < text.size() && base[end] == Role::LineReference)
                    ++end;
                bool ok = false;
                const int target = text.mid(i, end - i).trimmed().toInt(&ok);
                if (ok)
                    references_.emplace_back(target, *source);
                i = end;
            }
        }
        std::sort(references_.begin(), references_.end());
        references_.erase(std::unique(references_.begin(), references_.end()), references_.end());
    }
    std::vector<int> referrers;
    for (auto it = std::lower_bound(references_.begin(), references_.end(), std::pair<int, int>(*number, -1));
         it != references_.end() && it->first == *number; ++it)
        referrers.push_back(it->second);
    return referrers;
}

QList<QTextLayout::FormatRange> ListingView::shownFormats(qsizetype row) const
{
    QList<QTextLayout::FormatRange> ranges = text_.rowFormats(row, zoom_ > 0 ? &zoomedFormats_ : nullptr);
    if (!syntax_.on || roles_.empty())
        return ranges;
    // The roles' colours over the fonts: later ranges win where they overlap.
    const qsizetype offset = text_.rowOffset(row);
    const qsizetype length = text_.rowLength(row);
    const qsizetype position = text_.rowStartPosition(row);
    for (qsizetype at = 0; at < length;) {
        const Role role = roles_[static_cast<std::size_t>(offset + at)];
        qsizetype end = at + 1;
        while (end < length && roles_[static_cast<std::size_t>(offset + end)] == role)
            ++end;
        QTextCharFormat format;
        format.setForeground(QColor::fromRgb(syntax_.colours[static_cast<std::size_t>(role)]));
        if (role == Role::LineReference) {
            if (const auto reference = referenceAt(position + at); reference && !reference->exists) {
                format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
                format.setUnderlineColor(Qt::red);
            }
        }
        ranges.append({static_cast<int>(at), static_cast<int>(end - at), format});
        at = end;
    }
    return ranges;
}

QString ListingView::toolTipAt(QPoint point) const
{
    if (text_.isEmpty())
        return {};
    const qsizetype at = positionAt(point);
    if (const auto reference = referenceAt(at)) {
        if (!reference->exists)
            return ui::uiText(status::LineNotInListing).arg(reference->number);
        return tr("%1 行へ移動します。").arg(reference->number);
    }
    const qsizetype line = text_.lineOf(at);
    if (at - text_.lineStartPosition(line) < leadOf(line) && hasRoles()) {
        const std::vector<int> referrers = referrersOf(line);
        if (referrers.empty())
            return tr("参照元: なし");
        QStringList numbers;
        for (const int number : referrers)
            numbers << QString::number(number);
        return tr("参照元: %1").arg(numbers.join(u' '));
    }
    return {};
}

bool ListingView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// Finding ------------------------------------------------------------------

ListingView::FindOutcome ListingView::findWrapping(const QString& what, QTextDocument::FindFlags flags)
{
    if (find(what, flags))
        return FindOutcome::Found;
    const bool backward = flags.testFlag(QTextDocument::FindBackward);
    const qsizetype from = backward ? text_.endPosition() : 0;
    const qsizetype at = text_.find(what, from, flags);
    if (at < 0)
        return FindOutcome::NotFound;
    setSelection(at, at + what.size());
    ensureCursorVisible();
    return FindOutcome::Wrapped;
}

QRect ListingView::cursorRowRect() const
{
    const qsizetype row = text_.rowOf(position_);
    const qsizetype top = verticalScrollBar()->value();
    if (row < top)
        return {};
    qreal y = DocumentMargin;
    for (qsizetype shown = top; shown < row && y < viewport()->height(); ++shown)
        y += layoutOf(shown).boundingRect().height();
    if (y >= viewport()->height())
        return {};
    const int height = static_cast<int>(std::ceil(layoutOf(row).boundingRect().height()));
    return QRect(0, static_cast<int>(y), viewport()->width(), height);
}

void ListingView::scrollCursorRowTo(int y)
{
    const qsizetype row = text_.rowOf(position_);
    const qsizetype above = std::max(0, y - DocumentMargin) / lineHeight_;
    verticalScrollBar()->setValue(static_cast<int>(std::max<qsizetype>(0, row - above)));
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
    zoomedFormats_.clear();
    QFont shownFont = defaultFont_;
    if (zoom_ > 0) {
        shownFont.setPixelSize(zoom_ * DotsPerCell);
        for (QTextCharFormat format : text_.formats()) {
            format.clearProperty(QTextFormat::FontPointSize);
            format.setProperty(QTextFormat::FontPixelSize, zoom_ * DotsPerCell);
            zoomedFormats_.push_back(format);
        }
    }
    qreal height = QFontMetricsF(shownFont, viewport()).height();
    qreal cell = QFontMetricsF(shownFont, viewport()).horizontalAdvance(u'0');
    for (const QTextCharFormat& format : zoom_ > 0 ? zoomedFormats_ : text_.formats()) {
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
    QFont font = defaultFont_;
    if (zoom_ > 0)
        font.setPixelSize(zoom_ * DotsPerCell);
    auto layout = std::make_unique<QTextLayout>(text_.row(row).toString(), font, viewport());
    layout->setFormats(shownFormats(row));
    QTextOption option;
    option.setWrapMode(wordWrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(TabStopDistance);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const qreal width = std::max(1, viewport()->width() - 2 * DocumentMargin);
    // In the gutter the number stands right-aligned before the body, and
    // every other piece of the line starts where the body does.
    const qreal gutter = gutter_ ? gutterWidth() : 0;
    const qsizetype line = text_.lineOfRow(row);
    const bool first = text_.firstRowOf(line) == row;
    const qsizetype lead = gutter_ && first ? leadOf(line) : 0;
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine shown = layout->createLine(); shown.isValid(); shown = layout->createLine()) {
        qreal x = gutter;
        if (gutter_ && first && shown.textStart() == 0) {
            // Laid out once to measure the number, then placed.
            shown.setLineWidth(width);
            x = std::max<qreal>(0, gutter - shown.cursorToX(static_cast<int>(lead)));
        }
        shown.setLineWidth(std::max<qreal>(1, width - x));
        shown.setPosition({x, y});
        y += shown.height();
        widest_ = std::max(widest_, x + shown.naturalTextWidth());
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
    // The line a jump went to stands out, in a tint of the selection's colour.
    QColor markColour = palette().color(QPalette::Highlight);
    markColour.setAlpha(60);
    for (qsizetype row = verticalScrollBar()->value(); row < text_.rowCount() && origin.y() < bottom; ++row) {
        const QTextLayout& layout = layoutOf(row);
        const qreal height = layout.boundingRect().height();
        if (marked_ >= 0 && text_.lineOfRow(row) == marked_)
            painter.fillRect(QRectF(0, origin.y(), viewport()->width(), height), markColour);
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
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier
        && followReferenceAtCursor())
        return;
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
    const qsizetype at = positionAt(event->position().toPoint());
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    pressedAt_ = !shift && referenceAt(at) ? at : -1;
    moveCursor(at, shift);
}

void ListingView::mouseMoveEvent(QMouseEvent* event)
{
    if (!event->buttons().testFlag(Qt::LeftButton) && !roles_.empty()) {
        // A reference is a link: the pointer says so.
        const bool link = referenceAt(positionAt(event->position().toPoint())).has_value();
        viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
    }
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
    // A click, not a drag, on a reference follows it.
    const qsizetype at = positionAt(event->position().toPoint());
    const auto pressed = pressedAt_ >= 0 ? referenceAt(pressedAt_) : std::nullopt;
    pressedAt_ = -1;
    if (pressed && !hasSelection() && at >= pressed->start && at <= pressed->end)
        followReferenceAtCursor();
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
