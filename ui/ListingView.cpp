#include "ui/ListingView.h"

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "render/CodePage.h"
#include "render/MsxCharset.h"
#include "render/RtfReader.h"
#include "ui/BundledFonts.h"
#include "ui/ListingRtfWriter.h"
#include "ui/Translations.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QMimeData>
#include <QRawFont>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <array>
#include <vector>

using namespace quillet;

namespace {

constexpr int GraphicFont = 1;
constexpr int MappedFont = 2;
constexpr int SymbolCharset = 2;
constexpr int MaxPointSize = 1638; // the largest size rich-text controls take
constexpr int DefaultPixelSize = 16;
constexpr qsizetype ChunkCharacters = 1 << 16;
// A load that runs longer than this keeps the window painting.
constexpr qint64 ResponsiveAfterMs = 100;

void appendCharacter(QString& out, char32_t c)
{
    out += QChar::fromUcs4(c);
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
    if (const QString pixel = ui::bundledFamily(set); oneByte && !pixel.isEmpty())
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
        plan.pixelFont = !ui::bundledFamily(set).isEmpty();
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

// Turns the runs of a parsed document into text with formats, inserting
// large chunks of one format at a time.
class DocumentBuilder {
public:
    DocumentBuilder(ListingView& view, const RtfDocument& doc, int mappedCode, msx::CharacterSet set)
        : view_(view), doc_(doc), mappedCode_(mappedCode), set_(set), cursor_(view.document())
    {}

    void build()
    {
        QElapsedTimer clock;
        clock.start();
        qint64 lastBreath = 0;
        const std::size_t runCount = doc_.runs.size();
        // The final paragraph mark is the document's own end.
        const std::size_t usedRuns =
            runCount > 0 && doc_.runs.back().kind == RtfRun::Kind::ParagraphEnd ? runCount - 1 : runCount;
        cursor_.beginEditBlock();
        for (std::size_t i = 0; i < usedRuns; ++i) {
            add(doc_.runs[i]);
            if ((i & 0x3FF) == 0 && clock.elapsed() - lastBreath > ResponsiveAfterMs) {
                // A large document: let the window paint and say how far we are.
                flush();
                cursor_.endEditBlock();
                emit view_.loadProgress(static_cast<int>(i * 100 / std::max<std::size_t>(usedRuns, 1)));
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                if (view_.loadCancelled())
                    throw QuilletError(ErrorKind::LoadCancelled);
                lastBreath = clock.elapsed();
                cursor_.beginEditBlock();
            }
        }
        flush();
        cursor_.endEditBlock();
        if (lastBreath > 0)
            emit view_.loadProgress(100);
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
        case RtfRun::Kind::ParagraphEnd: pending_ += QChar::ParagraphSeparator; break;
        case RtfRun::Kind::Text:
            for (const char32_t c : doc_.textOf(run))
                appendCharacter(pending_, displayable(c, set_));
            break;
        case RtfRun::Kind::Bytes: {
            const std::string_view bytes = doc_.bytesOf(run);
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
        if (pending_.isEmpty())
            return;
        cursor_.insertText(pending_, formats_[pendingFormat_]);
        pending_.clear();
    }

    std::size_t planFor(int font)
    {
        for (std::size_t i = 0; i < planFonts_.size(); ++i) {
            if (planFonts_[i] == font)
                return i;
        }
        planFonts_.push_back(font);
        plans_.push_back(planFont(doc_, font, mappedCode_, set_));
        return plans_.size() - 1;
    }

    int formatFor(const RtfRun& run)
    {
        if (run.font == lastFont_ && run.halfPoints == lastHalfPoints_)
            return lastFormat_;
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
        auto found = std::find(formats_.begin(), formats_.end(), format);
        if (found == formats_.end()) {
            formats_.push_back(format);
            found = formats_.end() - 1;
        }
        lastFont_ = run.font;
        lastHalfPoints_ = run.halfPoints;
        lastFormat_ = static_cast<int>(found - formats_.begin());
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

    ListingView& view_;
    const RtfDocument& doc_;
    int mappedCode_;
    msx::CharacterSet set_;
    QTextCursor cursor_;
    std::vector<int> planFonts_;
    std::vector<FontPlan> plans_;
    std::vector<QTextCharFormat> formats_;
    std::vector<std::unique_ptr<CodePageDecoder>> decoders_;
    std::u32string decoded_;
    QString pending_;
    int pendingFormat_ = -1;
    int lastFont_ = -1;
    int lastHalfPoints_ = -1;
    int lastFormat_ = -1;
};

} // namespace

ListingView::ListingView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("RichEdit1"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The selection stays visible when the view loses the focus.
    QPalette colours = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    QFont font;
    font.setPixelSize(DefaultPixelSize);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    document()->setDefaultFont(font);
    setDefaultFontName(QString::fromStdString(Settings().fontNameAnk));
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
    RtfDocument doc;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw QuilletError(ErrorKind::ReadFailed, path.toStdString());
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw QuilletError(ErrorKind::ReadFailed, path.toStdString());
        doc = readRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } // the file's bytes go before the document is built
    showDocument(doc);
}

void ListingView::showDocument(const RtfDocument& doc)
{
    // A large load lets events through; one of them must not start another
    // load into the half-built document.
    if (loading_)
        throw QuilletError(ErrorKind::LoadInProgress, "a document is still being loaded");
    loading_ = true;
    cancelRequested_ = false;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{loading_};
    document()->clear();
    try {
        DocumentBuilder(*this, doc, mappedCode_, characterSet_).build();
    } catch (const QuilletError& error) {
        if (error.kind() == ErrorKind::LoadCancelled)
            document()->clear();
        throw;
    }
    setTextCursor(QTextCursor(document()));
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
    QFont font = document()->defaultFont();
    font.setPointSize(clampPointSize(points));
    document()->setDefaultFont(font);
}

void ListingView::setDefaultFontName(const QString& name)
{
    defaultFontName_ = name;
    const QStringList families = familiesFor(name, isFontInstalled(name), characterSet_, true);
    QFont font = document()->defaultFont();
    font.setFamilies(families);
    document()->setDefaultFont(font);
}

void ListingView::setSelectionColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    textCursor().mergeCharFormat(format);
}

void ListingView::setSelectionPointSize(int points)
{
    QTextCharFormat format;
    format.setFontPointSize(clampPointSize(points));
    textCursor().mergeCharFormat(format);
}

void ListingView::collapseSelectionToStart()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    ensureCursorVisible();
    horizontalScrollBar()->setValue(0);
}

void ListingView::setWordWrap(bool wrap)
{
    setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

QMimeData* ListingView::createMimeDataFromSelection() const
{
    QMimeData* mime = QPlainTextEdit::createMimeDataFromSelection();
    const QTextDocumentFragment selection = textCursor().selection();
    if (selection.isEmpty())
        return mime;
    mime->setHtml(selection.toHtml());
    QTextDocument copied;
    copied.setDefaultFont(document()->defaultFont());
    QTextCursor(&copied).insertFragment(selection);
    const std::string rtf = listingDocumentRtf(copied, defaultTextColor(), backgroundColor());
    const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
    mime->setData(QStringLiteral("text/rtf"), bytes);
    mime->setData(QStringLiteral("application/rtf"), bytes);
    return mime;
}

std::string ListingView::toRtf() const
{
    return listingDocumentRtf(*document(), defaultTextColor(), backgroundColor());
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
    return {defaultTextColor(), backgroundColor(), document()->defaultFont().pointSize(),
            defaultCharset_,    defaultFontName_,  wordWrap()};
}

void ListingView::applyListingFormat(const ListingFormat& format)
{
    setDefaultCharset(format.charset);
    selectAll();
    setDefaultTextColor(format.textColor);
    setBackgroundColor(format.backgroundColor);
    setDefaultPointSize(format.pointSize);
    setSelectionColor(format.textColor);
    setSelectionPointSize(format.pointSize);
    collapseSelectionToStart();
    // No name yet: no listing was shown, and the document keeps its font.
    if (!format.fontName.isEmpty())
        setDefaultFontName(format.fontName);
    setWordWrap(format.wordWrap);
}
