// The values monitor: the time to repaint all six trend strips with full ten-minute histories (median
// and p99 over N repaints, at pixel ratios 1 and 2), then the monitor itself over a run of S seconds
// (default 600) against a file rewritten once a second by a child process: the CPU share of one core it
// takes and its resident size at the start and end of the run and at its largest.
// usage: bench_monitor [N] [S]. Runs on Qt's offscreen platform unless another is asked for.
#include "acquisition/core/output_file.h"
#include "bench/rss.h"
#include "tools/monitor/TrendStrip.h"
#include "tools/monitor/ValuesMonitor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

void repaint_strips(int repeats, qreal ratio) {
    tools::value_history history;
    for (int t = 0; t < 600; ++t) {
        if (t % 97 < 8) {
            history.add_gap(t);
            continue;
        }
        std::array<float, 6> v{};
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] = static_cast<float>(1500 + 20 * std::sin(t / (20.0 + 7 * i)) + (i == 1 ? -3 : 0));
        history.add(t, v);
    }
    std::vector<std::unique_ptr<TTrendStrip>> strips;
    for (std::size_t i = 0; i < 6; ++i) {
        strips.push_back(std::make_unique<TTrendStrip>(history, i));
        strips.back()->resize(440, 54);
        strips.back()->SetView(599, history.range(i, 599), false);
    }
    strips[1]->SetReference(0);
    QImage image(QSize(440, 54) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    std::vector<double> us;
    for (int r = 0; r < repeats; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (auto& strip : strips)
            strip->render(&image);
        us.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e3);
    }
    std::sort(us.begin(), us.end());
    std::printf(
        "repaint of all six strips (440 x 54, 600 samples each, pixel ratio %.0f): median %.0f us, p99 %.0f us\n",
        ratio, us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]);
}

// Rewrites Borevane.bin once a second with slowly changing values, as the module does, until killed.
[[noreturn]] void write_forever(const std::string& path) {
    lib::lock_object lock(output_file_name);
    for (int t = 0;; ++t) {
        ValueMap values;
        for (std::size_t i = 0; i < output_names.size(); ++i)
            values[output_names[i]] = static_cast<float>(100 * i + std::sin(t / 30.0));
        write_output_file(values, path, lock);
        sleep(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const int seconds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 600;
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("Borevane.bin").toStdString();
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    const pid_t writer = fork();
    if (writer == 0)
        write_forever(path);

    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    repaint_strips(repeats, 1);
    repaint_strips(repeats, 2);

    TValuesMonitor monitor({path, dir.path() + "/config"});
    monitor.show();
    const int warm_up = 10;
    long start_rss = 0, max_rss = 0;
    double start_cpu = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const double elapsed = clock.elapsed() / 1000.0;
        if (start_rss == 0 && elapsed >= warm_up) {
            start_rss = bench::rss_kib();
            start_cpu = cpu_seconds();
        }
        max_rss = std::max(max_rss, bench::rss_kib());
        if (elapsed >= warm_up + seconds)
            app.quit();
    });
    sampler.start(1000);
    app.exec();
    const double cpu = cpu_seconds() - start_cpu;
    const long end_rss = bench::rss_kib();
    std::printf(
        "monitor over %d s, one read a second: %.3f %% of a core (%.2f s of CPU), %d reads in its last minute\n",
        seconds, 100 * cpu / seconds, cpu, monitor.State().reads_per_minute(clock.elapsed() / 1000.0));
    std::printf("resident size: %ld KiB after %d s, %ld KiB at the end, %ld KiB at most\n", start_rss, warm_up, end_rss,
                std::max(max_rss, end_rss));
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    return 0;
}
