// Capture pipeline speed: PNG encoding (offscreen), then, on an X server, grabbing a screen and
// delivering a full capture. Prints medians.
#include "SampleImages.h"
#include "capture/PngEncoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageWriter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median wall time; the median CPU time of the process goes to `cpu`, which stays meaningful
// when other jobs share the machine.
double medianMs(int runs, const std::function<void()>& work, double* cpu = nullptr) {
    QList<double> times, cpuTimes;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
        cpuTimes.append(cpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    if (cpu)
        *cpu = cpuTimes[cpuTimes.size() / 2];
    return times[times.size() / 2];
}

const char* filterName(PngEncoder::Filter f) {
    switch (f) {
    case PngEncoder::Filter::Auto:
        return "auto";
    case PngEncoder::Filter::None:
        return "none";
    case PngEncoder::Filter::Sub:
        return "sub";
    case PngEncoder::Filter::Up:
        return "up";
    case PngEncoder::Filter::Paeth:
        return "paeth";
    }
    return "?";
}

void benchPng(const char* name, const QImage& image) {
    std::printf("PNG encoding, %s %dx%d\n", name, image.width(), image.height());
    qsizetype size = 0;
    double cpu = 0;
    double ms = medianMs(
        5, [&] { size = PngEncoder::encode(image, 1.0)->size(); }, &cpu);
    std::printf("  PngEncoder (default)      %8.1f ms (cpu %7.1f) %10lld bytes\n", ms, cpu,
                (long long)size);
    ms = medianMs(
        3,
        [&] {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            writer.write(image);
            size = bytes.size();
        },
        &cpu);
    std::printf("  QImageWriter png          %8.1f ms (cpu %7.1f) %10lld bytes\n", ms, cpu,
                (long long)size);
    if (qEnvironmentVariableIsSet("BRINDLE_BENCH_PNG_SWEEP")) {
        using F = PngEncoder::Filter;
        for (F f : {F::None, F::Sub, F::Up, F::Paeth})
            for (int level : {1, 2, 3, 6}) {
                ms = medianMs(
                    3,
                    [&] {
                        size = PngEncoder::encode(image, 1.0, {f, level})->size();
                    },
                    &cpu);
                std::printf("  %-9s level %-2d         %8.1f ms (cpu %7.1f) %10lld bytes\n",
                            filterName(f), level, ms, cpu, (long long)size);
            }
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QSize size(3840, 2160);
    benchPng("text-like", textLikeImage(size));
    benchPng("photo-like", photoLikeImage(size));
    return 0;
}
