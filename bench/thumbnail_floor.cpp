// SPDX-License-Identifier: MIT
// What any Qt Gui program pays to start and write a picture: a 1 x 1 PNG
// into OUTPUT. bench_thumbnailer_process runs it beside the thumbnailer.
//   quillet-thumbnail-floor OUTPUT          with a QGuiApplication, as a
//                                           Qt Gui program starts
//   quillet-thumbnail-floor --image OUTPUT  QImage alone, no application

#include <QGuiApplication>
#include <QImage>

#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::unique_ptr<QGuiApplication> app;
    if (argc != 3 || std::strcmp(argv[1], "--image") != 0)
        app = std::make_unique<QGuiApplication>(argc, argv);
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(Qt::white);
    return pixel.save(QString::fromLocal8Bit(argv[argc - 1]), "png") ? 0 : 1;
}
