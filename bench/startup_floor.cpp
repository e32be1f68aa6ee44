// What any Qt Widgets program pays to start: a window with one line of
// text, ending at its first paint and reporting as quillet-startup-driver
// does. bench_startup_process runs it beside the viewer, so the viewer's
// own share of its start-up shows.

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

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
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const auto micros = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
        std::printf("paint_cpu_us %lld\n", micros(usage.ru_utime) + micros(usage.ru_stime));
        std::printf("paint_monotonic_ns %lld\n", static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec);
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
