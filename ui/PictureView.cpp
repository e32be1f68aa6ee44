#include "ui/PictureView.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

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
    resize(picture_.size());
    updateGeometry();
    update();
}

void PictureView::clear()
{
    picture_ = QImage();
    updateGeometry();
    update();
}

void PictureView::setStretch(bool stretch)
{
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    update();
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
    if (stretch_) {
        painter.drawImage(rect(), picture_);
    } else {
        const QPoint origin((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
        painter.drawImage(origin, picture_);
    }
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
