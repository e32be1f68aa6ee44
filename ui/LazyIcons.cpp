#include "ui/LazyIcons.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

#include <memory>

namespace quillet::ui {

namespace {

// Reads each file on first need into a plain QIcon, which does the scaling
// and the disabled and selected looks.
class FilesEngine : public QIconEngine {
public:
    explicit FilesEngine(QList<std::pair<QString, QSize>> files) : files_(std::move(files)) {}

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
        QSize actual = files_[best].second;
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
            for (const auto& file : files_)
                sizes << file.second;
        }
        return sizes;
    }
    bool isNull() override { return files_.isEmpty(); }
    QIconEngine* clone() const override { return new FilesEngine(*this); }

private:
    // The smallest at least as large as `size`, else the largest.
    qsizetype bestFor(const QSize& size) const
    {
        const auto area = [](const QSize& s) { return qint64(s.width()) * s.height(); };
        const qint64 wanted = area(size);
        qsizetype best = -1;
        for (qsizetype i = 0; i < files_.size(); ++i) {
            const qint64 mine = area(files_[i].second);
            if (best < 0) {
                best = i;
                continue;
            }
            const qint64 bests = area(files_[best].second);
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
        // Named as PNG and not guessed: guessing loads every image plugin.
        QImageReader reader(files_[index].first, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            pictures_.addPixmap(QPixmap::fromImage(image));
    }

    QList<std::pair<QString, QSize>> files_;
    QList<bool> loaded_ = QList<bool>(files_.size(), false);
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

} // namespace

QIcon iconOfFiles(const QList<std::pair<QString, QSize>>& files)
{
    return QIcon(new FilesEngine(files));
}

QIcon deferredIcon(std::function<QIcon()> make)
{
    return QIcon(new DeferredEngine(std::move(make)));
}

} // namespace quillet::ui
