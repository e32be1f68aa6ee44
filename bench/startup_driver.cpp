// SPDX-License-Identifier: MIT
// The viewer's start-up as bench_startup_process times it: the same start
// as the viewer's main, ending once the listing named on the command line
// is painted. It prints, on standard output:
//   paint_cpu_us N        its user + system CPU time at that paint
//   paint_monotonic_ns N  CLOCK_MONOTONIC at that paint
//   map PATH              with QUILLET_STARTUP_LIST_MAPS set: each file it maps
// and exits with 2 when no paint comes.

#include "PaintReport.h"
#include "ui/ListingView.h"
#include "ui/QuilletUnit.h"
#include "ui/ViewerStartup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

namespace {

void reportPaint()
{
    quillet::bench::printPaintReport();
    if (std::getenv("QUILLET_STARTUP_LIST_MAPS")) {
        std::ifstream maps("/proc/self/maps");
        std::set<std::string> files;
        for (std::string line; std::getline(maps, line);) {
            const auto slash = line.find('/');
            if (slash != std::string::npos)
                files.insert(line.substr(slash));
        }
        for (const std::string& file : files)
            std::printf("map %s\n", file.c_str());
    }
    std::fflush(stdout);
}

// Ends the program after the first paint it sees, once that paint is done.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, qApp, [] {
                reportPaint();
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    return quillet::ui::runViewer(argc, argv, [](TForm1& window) {
        // The load has returned: the listing's next paint shows it whole.
        new FirstPaint(window.listingView()->viewport());
        QTimer::singleShot(10000, qApp, [] {
            std::fputs("no paint of the listing\n", stderr);
            QCoreApplication::exit(2);
        });
    });
}
