// SPDX-License-Identifier: MIT
#include "ui/PictureView.h"

#include "app/LocalPath.h"
#include "common/Errors.h"

#include <QImageReader>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>

PictureView::PictureView(QWidget* parent) : QWidget(parent)
{
    setObjectName("imgMSXCG");
    // Around a centred picture the page colour shows, as on the page itself.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

QImage PictureView::readBmp(const QString& path)
{
    QImageReader reader(path, "bmp");
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

bool PictureView::loadBmp(const QString& path)
{
    QImage loaded = readBmp(path);
    if (loaded.isNull())
        return false;
    setPicture(std::move(loaded));
    return true;
}

void PictureView::setPicture(QImage picture)
{
    picture_ = std::move(picture);
    updateMinimumSize();
    update();
}

void PictureView::writePng(const QImage& picture, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw quillet::QuilletError(quillet::ErrorKind::CreateFailed, quillet::app::localPath(path));
    QImageWriter writer(&file, "png");
    if (!writer.write(picture)) {
        file.cancelWriting();
        throw quillet::QuilletError(quillet::ErrorKind::WriteFailed, quillet::app::localPath(path));
    }
    if (!file.commit())
        throw quillet::QuilletError(quillet::ErrorKind::WriteFailed, quillet::app::localPath(path));
}

void PictureView::clear()
{
    picture_ = QImage();
    updateMinimumSize();
    update();
}

void PictureView::setStretch(bool stretch)
{
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    updateMinimumSize();
    update();
}

void PictureView::setZoom(int zoom)
{
    zoom_ = zoom >= 1 && zoom <= 4 ? zoom : FitZoom;
    updateMinimumSize();
    update();
}

void PictureView::setTvAspect(bool tvAspect)
{
    tvAspect_ = tvAspect;
    updateMinimumSize();
    update();
}

QSizeF PictureView::dotShape() const
{
    if (!tvAspect_ || picture_.isNull())
        return {1.0, 1.0};
    // A 256-dot line fills the width of a 4:3 screen a little more than
    // 212 lines fill its height: each dot is 8:7 as wide as it is high.
    // A 512-dot line halves the width, two interlaced pages the height.
    const double width = picture_.width() > 256 ? 4.0 / 7.0 : 8.0 / 7.0;
    const double height = picture_.height() > 256 ? 0.5 : 1.0;
    return {width, height};
}

QRect PictureView::pictureRect() const
{
    if (picture_.isNull())
        return {};
    const QSizeF dot = dotShape();
    const QSizeF natural(picture_.width() * dot.width(), picture_.height() * dot.height());
    double scale = zoom_;
    if (zoom_ == FitZoom)
        scale = std::min(width() / natural.width(), height() / natural.height());
    const QSize shown(std::max(1, qRound(natural.width() * scale)), std::max(1, qRound(natural.height() * scale)));
    return {QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

void PictureView::updateMinimumSize()
{
    // In its scroll area the view grows to the zoomed picture, and scrolls;
    // fitting and stretching follow the area instead.
    QSize least(0, 0);
    if (!picture_.isNull() && !stretch_ && zoom_ != FitZoom) {
        const QSizeF dot = dotShape();
        least = QSize(qRound(picture_.width() * dot.width() * zoom_), qRound(picture_.height() * dot.height() * zoom_));
    }
    setMinimumSize(least);
    updateGeometry();
}

QSize PictureView::sizeHint() const
{
    return picture_.isNull() ? QSize(256, 212) : picture_.size();
}

void PictureView::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    // Nearest neighbour: one screen pixel becomes a block of equal pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(stretch_ ? rect() : pictureRect(), picture_);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
