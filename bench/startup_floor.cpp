// SPDX-License-Identifier: MIT
// What any Qt Widgets program pays to start: a window with one line of
// text, ending at its first paint and reporting as quillet-startup-driver
// does. bench_startup_process runs it beside the viewer, so the viewer's
// own share of its start-up shows.

#include "PaintReport.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {

class Line : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        if (reported_)
            return;
        reported_ = true;
        quillet::bench::printPaintReport();
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    bool reported_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Line line(QStringLiteral("10 PRINT \"HELLO\""));
    line.show();
    return app.exec();
}
