// SPDX-License-Identifier: MIT
// The Qt image-format plugin's decode of a picture against Qt's own PNG
// decode of the same picture, as a Qt program reads either: QImageReader on
// the bytes in memory, the plugin loaded from the build's plugin folder.
// The PNG is the one quillet-convert writes for the picture. Each iteration
// times both on the thread's CPU clock; `x_png` is the plugin's median over
// the PNG's, `plugin_us` and `png_us` the medians themselves.
//
// Most of either decode's time can be the first touch of fresh pages, and
// whether malloc hands out fresh pages depends on what the program freed
// before: glibc raises its mmap threshold as it goes. So each picture runs
// twice with the threshold fixed: /fresh:1 maps every large block anew (a
// viewer opening a picture now and then), /fresh:0 reuses the heap (a
// program reading picture after picture).

#include "common/ByteStream.h"
#include "image/BsaveConverter.h"
#include "tools/PictureGen.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

class StringSink final : public quillet::ByteSink {
public:
    void write(const void* data, std::size_t size) override { bytes.append(static_cast<const char*>(data), size); }
    std::string bytes;
};

std::string pngOf(const std::string& file, int mode)
{
    auto converter = std::make_unique<quillet::BsaveConverter>();
    quillet::MemorySource source(std::string_view(file).substr(1));
    StringSink sink;
    converter->convert(source, mode, {}, quillet::PictureFormat::Png, sink);
    return sink.bytes;
}

QImage readThrough(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.read();
}

struct Subject {
    const char* format; // the extension that tells the plugin the mode
    int mode;
    std::string file;
};

void fixMallocRegime(bool fresh)
{
    mallopt(M_MMAP_THRESHOLD, fresh ? 128 * 1024 : 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, fresh ? 128 * 1024 : 128 * 1024 * 1024);
}

void decodeAgainstPng(benchmark::State& state, const Subject& subject)
{
    fixMallocRegime(state.range(0) != 0);
    const QByteArray msx = QByteArray::fromStdString(subject.file);
    const QByteArray png = QByteArray::fromStdString(pngOf(subject.file, subject.mode));
    const QImage first = readThrough(msx, subject.format);
    const QImage firstPng = readThrough(png, "png");
    if (first.isNull() || firstPng.isNull() || first.size() != firstPng.size()) {
        state.SkipWithError("the plugin or Qt's PNG reader did not read the picture");
        return;
    }
    std::vector<double> plugin, qtPng;
    for (auto _ : state) {
        const double start = threadSeconds();
        benchmark::DoNotOptimize(readThrough(msx, subject.format).constBits());
        const double middle = threadSeconds();
        benchmark::DoNotOptimize(readThrough(png, "png").constBits());
        const double end = threadSeconds();
        plugin.push_back(middle - start);
        qtPng.push_back(end - middle);
        state.SetIterationTime(middle - start);
    }
    const double pluginMedian = median(plugin), pngMedian = median(qtPng);
    state.counters["plugin_us"] = pluginMedian * 1e6;
    state.counters["png_us"] = pngMedian * 1e6;
    state.counters["x_png"] = pngMedian > 0 ? pluginMedian / pngMedian : 0;
    state.counters["png_bytes"] = static_cast<double>(png.size());
}

const quillet::gen::GoldenPicture& golden(int mode)
{
    static const std::vector<quillet::gen::GoldenPicture> pictures = quillet::gen::goldenPictures();
    for (const auto& picture : pictures)
        if (picture.mode == mode)
            return picture;
    throw std::logic_error("no generated picture of that mode");
}

void GoldenScreen5(benchmark::State& state)
{
    decodeAgainstPng(state, {"sc5", 5, golden(5).file});
}
void GoldenScreen8(benchmark::State& state)
{
    decodeAgainstPng(state, {"sc8", 8, golden(8).file});
}
void GoldenScreen12(benchmark::State& state)
{
    decodeAgainstPng(state, {"s12", 12, golden(12).file});
}
// The samples: smoother pictures, which PNG packs tighter.
void SampleScreen5(benchmark::State& state)
{
    decodeAgainstPng(state, {"sc5", 5, quillet::gen::sampleScreen5()});
}
void SampleScreen12(benchmark::State& state)
{
    decodeAgainstPng(state, {"s12", 12, quillet::gen::sampleScreen12()});
}
BENCHMARK(GoldenScreen5)->ArgName("fresh")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GoldenScreen8)->ArgName("fresh")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(GoldenScreen12)->ArgName("fresh")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(SampleScreen5)->ArgName("fresh")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(SampleScreen12)->ArgName("fresh")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // Before Qt first looks for image plugins: this build's, off screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_PLUGIN_PATH", QUILLET_PLUGIN_DIR);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
