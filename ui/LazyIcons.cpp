// SPDX-License-Identifier: MIT
#include "ui/LazyIcons.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>

namespace quillet::ui {

namespace {

// Makes each size's picture on first need into a plain QIcon, which does
// the scaling and the disabled and selected looks.
class SizesEngine : public QIconEngine {
public:
    using Make = std::function<QPixmap(qsizetype index)>;
    SizesEngine(QList<QSize> sizes, Make make) : sizes_(std::move(sizes)), make_(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QSize size = rect.size() * painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(size, mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const qsizetype best = bestFor(size);
        if (best < 0)
            return {};
        QSize actual = sizes_[best];
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        load(bestFor(size));
        return pictures_.pixmap(size, 1.0, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            sizes = sizes_;
        }
        return sizes;
    }
    bool isNull() override { return sizes_.isEmpty(); }
    QIconEngine* clone() const override { return new SizesEngine(*this); }

private:
    // The smallest at least as large as `size`, else the largest.
    qsizetype bestFor(const QSize& size) const
    {
        const auto area = [](const QSize& s) { return qint64(s.width()) * s.height(); };
        const qint64 wanted = area(size);
        qsizetype best = -1;
        for (qsizetype i = 0; i < sizes_.size(); ++i) {
            const qint64 mine = area(sizes_[i]);
            if (best < 0) {
                best = i;
                continue;
            }
            const qint64 bests = area(sizes_[best]);
            if (bests < wanted ? mine > bests : mine >= wanted && mine < bests)
                best = i;
        }
        return best;
    }
    void load(qsizetype index)
    {
        if (index < 0 || loaded_[index])
            return;
        loaded_[index] = true;
        const QPixmap picture = make_(index);
        if (!picture.isNull())
            pictures_.addPixmap(picture);
    }

    QList<QSize> sizes_;
    Make make_;
    QList<bool> loaded_ = QList<bool>(sizes_.size(), false);
    QIcon pictures_;
};

class DeferredEngine : public QIconEngine {
public:
    explicit DeferredEngine(std::function<QIcon()> make) : make_(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        made().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        // The size its pixmap has: QIcon::actualSize would scale `size` by
        // the screen's pixel ratio a second time.
        return made().pixmap(size, 1.0, mode, state).size();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return made().pixmap(size, 1.0, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return made().availableSizes(mode, state);
    }
    bool isNull() override { return made_ ? made_->isNull() : false; }
    QIconEngine* clone() const override { return new DeferredEngine(*this); }

private:
    const QIcon& made()
    {
        if (!made_)
            made_ = std::make_shared<QIcon>(make_());
        return *made_;
    }

    std::function<QIcon()> make_;
    std::shared_ptr<QIcon> made_;
};

// The program's own command pictures, drawn on a 16 x 16 grid that the
// painter scales to the size wanted.
const QColor Outline(0x40, 0x40, 0x40);

void outlined(QPainter& p, QColor fill, qreal width = 1.0)
{
    p.setPen(QPen(Outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
}

// A sheet of paper with its corner folded, and lines of text when asked.
void sheet(QPainter& p, const QRectF& r, bool lines)
{
    const qreal fold = std::min(r.width(), r.height()) * 0.35;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    outlined(p, Qt::white);
    p.drawPath(page);
    p.drawPolyline(
        QPolygonF({{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}}));
    if (!lines)
        return;
    p.setPen(QPen(QColor(0x70, 0x90, 0xC0), 1.0));
    for (qreal y = r.top() + fold + 2; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void drawClear(QPainter& p)
{
    // An eraser over a line it has rubbed out.
    p.setPen(QPen(Outline, 1.0, Qt::DashLine));
    p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));
    p.translate(8, 8);
    p.rotate(-40);
    outlined(p, QColor(0xE8, 0x70, 0x90));
    p.drawRoundedRect(QRectF(-6.5, -3, 13, 6), 1, 1);
    outlined(p, QColor(0xF4, 0xF4, 0xF4));
    p.drawRoundedRect(QRectF(-6.5, -3, 5, 6), 1, 1);
}

void drawOpen(QPainter& p)
{
    // A folder with its front opened.
    outlined(p, QColor(0xC8, 0x96, 0x28));
    p.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
    outlined(p, QColor(0xF5, 0xCC, 0x50));
    p.drawPolygon(QPolygonF({{3.5, 7.5}, {15, 7.5}, {13, 13.5}, {1.5, 13.5}}));
}

void drawSave(QPainter& p)
{
    // A floppy disk.
    outlined(p, QColor(0x3A, 0x6F, 0xC4));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    outlined(p, QColor(0xD8, 0xD8, 0xD8));
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.fillRect(QRectF(8.5, 2.5, 2, 3), Outline);
    outlined(p, Qt::white);
    p.drawRect(QRectF(3.5, 9, 9, 5.5));
}

void drawPrint(QPainter& p)
{
    // A printer with a sheet going in and one coming out.
    sheet(p, QRectF(4.5, 1.5, 7, 6), false);
    outlined(p, QColor(0xA0, 0xA0, 0xA8));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
    p.fillRect(QRectF(11.5, 8, 1.5, 1.5), QColor(0x30, 0xB0, 0x40));
    sheet(p, QRectF(4.5, 10.5, 7, 4.5), true);
}

void drawFind(QPainter& p)
{
    // A magnifying glass.
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.3, 14.3));
    outlined(p, QColor(0xCF, 0xE3, 0xF7), 1.6);
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
}

void drawCut(QPainter& p)
{
    // Open scissors: two blades crossing, two finger rings below.
    p.setPen(QPen(QColor(0x70, 0x70, 0x78), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 10), QPointF(10.5, 1.5));
    p.drawLine(QPointF(10.5, 10), QPointF(5.5, 1.5));
    p.setPen(QPen(QColor(0xC0, 0x30, 0x30), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12.3), 2.3, 2.3);
    p.drawEllipse(QPointF(11.5, 12.3), 2.3, 2.3);
}

void drawCopy(QPainter& p)
{
    // Two sheets, the copy over the original.
    sheet(p, QRectF(1.5, 1.5, 8.5, 10), true);
    sheet(p, QRectF(6, 5, 8.5, 10), true);
}

void drawPaste(QPainter& p)
{
    // A clipboard with a sheet taken from it.
    outlined(p, QColor(0xB0, 0x7A, 0x3A));
    p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
    outlined(p, QColor(0xC8, 0xC8, 0xC8));
    p.drawRoundedRect(QRectF(4, 1, 5, 3), 1, 1);
    sheet(p, QRectF(6.5, 6, 8, 9), true);
}

void drawUndo(QPainter& p)
{
    // An arrow turning back to the left.
    const QColor blue(0x2F, 0x6F, 0xBF);
    QPainterPath arc;
    arc.moveTo(13.5, 13.5);
    arc.cubicTo(14.5, 7, 10, 5.5, 5.5, 5.5);
    p.setPen(QPen(blue, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(QPen(blue, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({{6, 1.5}, {1.5, 5.5}, {6, 9.5}}));
}

void drawSettings(QPainter& p)
{
    // A gear wheel.
    QPainterPath gear;
    constexpr int Teeth = 8;
    constexpr qreal Pi = 3.14159265358979;
    for (int i = 0; i < Teeth * 4; ++i) {
        const qreal angle = (i - 0.5) * Pi * 2 / (Teeth * 4);
        const qreal radius = (i % 4 < 2) ? 7.0 : 5.2;
        const QPointF at(8 + radius * std::cos(angle), 8 + radius * std::sin(angle));
        i == 0 ? gear.moveTo(at) : gear.lineTo(at);
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(8, 8), 2.2, 2.2);
    outlined(p, QColor(0x88, 0x90, 0x98));
    p.drawPath(gear);
}

const std::pair<const char*, void (*)(QPainter&)> Pictures[] = {
    {"edit-clear", drawClear},
    {"document-open", drawOpen},
    {"document-save", drawSave},
    {"document-print", drawPrint},
    {"edit-find", drawFind},
    {"edit-cut", drawCut},
    {"edit-copy", drawCopy},
    {"edit-paste", drawPaste},
    {"edit-undo", drawUndo},
    {"configure", drawSettings},
    {"preferences-system", drawSettings},
};

// Each size drawn when first wanted: a tool bar shows one of the five.
QIcon drawnIcon(void (*draw)(QPainter&))
{
    const QList<QSize> sizes{QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48)};
    return QIcon(new SizesEngine(sizes, [sizes, draw](qsizetype index) {
        const int size = sizes[index].width();
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        return picture;
    }));
}

} // namespace

QIcon commandIcon(const QStringList& themeNames)
{
    for (const QString& name : themeNames) {
        const QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull() && !themed.availableSizes().isEmpty())
            return themed;
    }
    for (const auto& [name, draw] : Pictures) {
        if (!themeNames.isEmpty() && themeNames.first() == QLatin1String(name))
            return drawnIcon(draw);
    }
    return {};
}

QIcon iconOfFiles(const QList<std::pair<QString, QSize>>& files)
{
    QList<QSize> sizes;
    for (const auto& file : files)
        sizes << file.second;
    return QIcon(new SizesEngine(sizes, [files](qsizetype index) {
        // Named as PNG and not guessed: guessing loads every image plugin.
        QImageReader reader(files[index].first, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    }));
}

QIcon deferredIcon(std::function<QIcon()> make)
{
    return QIcon(new DeferredEngine(std::move(make)));
}

} // namespace quillet::ui
