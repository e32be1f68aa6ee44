// SPDX-License-Identifier: MIT
#pragma once
// The picture view of the "CG" page (imgMSXCG): shows the BMP picture of
// the last converted screen image, centred at 1 to 4 view pixels a dot or
// as large as fits, or scaled to fill the view when stretching is on.
// Scaling keeps hard pixel edges, so pixel art can be inspected. With the
// TV aspect dots take the shape an MSX gives them on a 4:3 screen.

#include <QImage>
#include <QString>
#include <QWidget>

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    // Loads a BMP file and sizes the view to it. On failure returns false
    // and keeps the picture shown before.
    bool loadBmp(const QString& path);
    // The two halves of loadBmp: reading (a null image when the file is no
    // BMP picture) and showing.
    static QImage readBmp(const QString& path);
    void setPicture(QImage picture);
    // Writes `picture` as PNG beside `path` and renames it into place.
    // Throws QuilletError.
    static void writePng(const QImage& picture, const QString& path);
    void clear();
    bool hasPicture() const { return !picture_.isNull(); }
    const QImage& picture() const { return picture_; }

    void setStretch(bool stretch);
    bool isStretch() const { return stretch_; }
    // 1 to 4 view pixels a dot, or FitZoom for as large as the view holds.
    static constexpr int FitZoom = 0;
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    void setTvAspect(bool tvAspect);
    bool isTvAspect() const { return tvAspect_; }
    // Where the picture is drawn, stretching aside.
    QRect pictureRect() const;

    QSize sizeHint() const override;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The width and height of one dot, in view pixels at zoom 1.
    QSizeF dotShape() const;
    void updateMinimumSize();

    QImage picture_;
    bool stretch_ = false;
    int zoom_ = 1;
    bool tvAspect_ = false;
};
