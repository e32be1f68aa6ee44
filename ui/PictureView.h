#pragma once
// The picture view of the "CG" page (imgMSXCG): shows the BMP picture of
// the last converted screen image, centred at one screen pixel per view
// pixel, or scaled to fill the view when stretching is on. Scaling keeps
// hard pixel edges, so pixel art can be inspected.

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
    void clear();
    bool hasPicture() const { return !picture_.isNull(); }
    const QImage& picture() const { return picture_; }

    void setStretch(bool stretch);
    bool isStretch() const { return stretch_; }

    QSize sizeHint() const override;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool stretch_ = false;
};
