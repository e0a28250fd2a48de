// The values monitor on real files under the real lock, rendered offscreen.
#include "acquisition/core/output_file.h"
#include "components/Indicator.h"
#include "gui/SingleInstance.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"
#include "tools/monitor/BarScale.h"
#include "tools/monitor/TrendStrip.h"
#include "tools/monitor/ValueReadout.h"
#include "tools/monitor/ValuesMonitor.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using bv_test::at;
using bv_test::count_colour;

class ValuesMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QLocale::setDefault(QLocale::c());
        qputenv("XDG_RUNTIME_DIR", dir_.filePath("run").toUtf8());
        ASSERT_TRUE(QDir().mkpath(dir_.filePath("run")));
        QFile(dir_.filePath("run"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        path_ = dir_.filePath("Borevane.bin").toStdString();
    }
    TValuesMonitor::Options options() const { return {path_, dir_.filePath("config"), std::chrono::milliseconds(200)}; }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    void write(float depth, float rop) {
        ValueMap values;
        const float in_order[6] = {depth, 1520.1f, 85.0f, 12.5f, 118.25f, rop};
        for (std::size_t i = 0; i < output_names.size(); ++i)
            values[output_names[i]] = in_order[i];
        lib::lock_object lock(output_file_name);
        write_output_file(values, path_, lock);
    }
    void age_file(int seconds) {
        std::filesystem::last_write_time(path_,
                                         std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds));
    }
    static QString shown(TValuesMonitor& m, std::size_t row) { return m.Readout(row)->Text(); }
    // The state band is dark (with white text) whenever the values are not current.
    static bool alarmed(TValuesMonitor& m) {
        return m.Band()->palette().color(QPalette::Window) == TValuesMonitor::alarm_band;
    }
    // Every readout and the band readable: text at least 4.5:1 on what is behind it, from the pixels.
    static void expect_legible(TValuesMonitor& m) {
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_GE(bv_test::text_contrast(bv_test::render(*m.Readout(i))), 4.5) << i;
        EXPECT_GE(bv_test::text_contrast(bv_test::render(*m.Band())), 4.5);
    }
    // How far the bar's own colour reaches along its row 3.
    static int bar_width(TValuesMonitor& m) {
        const QImage image = bv_test::render(*m.RopBar());
        int x = 1;
        while (x < image.width() && at(image, x, 3) == TValuesMonitor::bar_color)
            ++x;
        return x - 1;
    }

    QTemporaryDir dir_;
    std::string path_;
};

TEST_F(ValuesMonitorTest, ShowsTheValuesTheirTrendsAndTheModulesHealth) {
    write(1523.4f, 11.75f);
    TValuesMonitor monitor(options());
    EXPECT_FALSE(monitor.Stale());
    EXPECT_EQ(monitor.StatusLabel()->text(), "Работа");
    EXPECT_EQ(monitor.Title(0), "Глубина забоя, м");
    EXPECT_EQ(monitor.Title(5), "Механическая скорость, м/ч");
    EXPECT_EQ(shown(monitor, 0), "1523.40");
    EXPECT_EQ(shown(monitor, 1), "1520.10");
    EXPECT_EQ(shown(monitor, 4), "118.25");
    EXPECT_EQ(shown(monitor, 5), "11.75");
    EXPECT_FALSE(monitor.Readout(0)->Stale() || monitor.Readout(5)->Stale());
    EXPECT_EQ(monitor.RopBar()->Caption(), "11.8");
    monitor.layout()->activate();
    EXPECT_EQ(bar_width(monitor), TIndicator::bar_position(11.75, 0, 30, monitor.RopBar()->width()) - 1);
    EXPECT_TRUE(monitor.AgeLabel()->text().startsWith("Файл записан 0.")) << monitor.AgeLabel()->text().toStdString();
    EXPECT_FALSE(alarmed(monitor));
    EXPECT_TRUE(monitor.HealthLabel()->text().contains("Чтений за минуту: 1\n"));
    EXPECT_TRUE(monitor.HealthLabel()->text().contains("Модуль на этом компьютере не запущен"));
    ASSERT_EQ(monitor.History().size(), 1u);
    EXPECT_TRUE(monitor.History()[0].fresh);

    // The timer reads again every second; the module's lock held in this process counts as a running module.
    SingleInstance module(QString::fromLatin1(module_instance_name));
    ASSERT_TRUE(module.is_primary());
    write(1530.0f, 26.0f);
    ASSERT_TRUE(bv_test::wait_for([&] { return shown(monitor, 0) == "1530.00"; }, 3000));
    EXPECT_EQ(at(bv_test::render(*monitor.RopBar()), 3, 3), gui::resolve_color(gui::clRed)); // 26: beyond the alarm
    EXPECT_TRUE(monitor.HealthLabel()->text().contains("Значения менялись 0.0 с назад"));
    EXPECT_TRUE(monitor.HealthLabel()->text().contains(
        QString("Модуль работает на этом компьютере (процесс %1)").arg(QCoreApplication::applicationPid())));

    // By default the window fits a 1024x768 screen with its frame, and its layout needs no more.
    EXPECT_LE(monitor.width(), 1024);
    EXPECT_LE(monitor.height(), 720);
    EXPECT_LE(monitor.minimumSizeHint().height(), monitor.height());
    monitor.show();
    bv_test::pump(50);
    // The state band on top; each value's reading and its strip side by side, the strip to the window's
    // right edge; the bar with its scale under them, the health beside it.
    EXPECT_GE(monitor.Readout(0)->y(), monitor.Band()->geometry().bottom());
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(monitor.Strip(i)->y(), monitor.Readout(i)->y()) << i;
        EXPECT_GE(monitor.Strip(i)->x(), monitor.Readout(i)->geometry().right()) << i;
        EXPECT_GE(monitor.Strip(i)->geometry().right(), monitor.width() - 16) << i;
        if (i > 0) {
            EXPECT_GE(monitor.Readout(i)->y(), monitor.Readout(i - 1)->geometry().bottom()) << i;
        }
    }
    EXPECT_GE(monitor.RopBar()->y(), monitor.Strip(5)->geometry().bottom());
    EXPECT_GE(monitor.RopScale()->y(), monitor.RopBar()->geometry().bottom());
    EXPECT_GE(monitor.HealthLabel()->x(), monitor.RopBar()->geometry().right());
    EXPECT_LE(monitor.HealthLabel()->geometry().bottom(), monitor.height());
    // The numerals three times the body text, the scale's alarm notch under the bar's alarm line.
    EXPECT_GE(QFontMetrics(monitor.Readout(0)->NumeralFont()).ascent(), 3 * QFontMetrics(monitor.font()).ascent() - 1);
    EXPECT_EQ(monitor.RopScale()->width(), monitor.RopBar()->width());
    const int alarm_x = monitor.RopScale()->x_of(TValuesMonitor::rop_alarm);
    EXPECT_EQ(at(bv_test::render(*monitor.RopScale()), alarm_x, 0), gui::resolve_color(gui::clWindowText));
    EXPECT_EQ(at(bv_test::render(*monitor.RopBar()), alarm_x, 10), gui::resolve_color(gui::clRed));
    expect_legible(monitor);
    // Every strip traces its value, the last one too, under its time axis. Both depths on one scale: the hole
    // depth (1523.4 .. 1530) above the bit's (1520.1).
    for (std::size_t i = 0; i < 6; ++i) {
        const QImage strip = bv_test::render(*monitor.Strip(i));
        const gui::TRect plot = monitor.Strip(i)->PlotRect();
        EXPECT_GT(count_colour(strip, TTrendStrip::trace_color), 0) << i;
        if (i < 2) {
            EXPECT_EQ(at(strip, plot.right - 1, i == 0 ? plot.top : plot.bottom - 1), TTrendStrip::trace_color) << i;
        }
    }
    QDir().mkpath(BV_ARTEFACT_DIR);
    EXPECT_TRUE(monitor.grab().save(QString(BV_ARTEFACT_DIR) + "/values_monitor_offscreen.png"));
}

TEST_F(ValuesMonitorTest, AnOldMissingOrBrokenFileGreysEveryRowAndSaysWhy) {
    write(1523.4f, 11.75f);
    TValuesMonitor monitor(options());
    age_file(4);
    monitor.refresh();
    EXPECT_FALSE(monitor.Stale());
    age_file(6);
    monitor.refresh();
    EXPECT_TRUE(monitor.Stale());
    EXPECT_EQ(monitor.StatusLabel()->text(), "Данные устарели");
    EXPECT_TRUE(alarmed(monitor));
    EXPECT_EQ(monitor.AgeLabel()->text(), "Файл записан 6.0 с назад");
    // The last values stay in view, every row greyed and marked, the bar too; stale readings are gaps.
    EXPECT_EQ(shown(monitor, 0), "1523.40 (устар.)");
    EXPECT_EQ(shown(monitor, 5), "11.75 (устар.)");
    expect_legible(monitor);
    // Only fresh reads count as reads: the module is not at work.
    EXPECT_TRUE(monitor.HealthLabel()->text().contains("Чтений за минуту: 2\n"));
    EXPECT_EQ(monitor.RopBar()->Caption(), "11.8 (устар.)");
    EXPECT_EQ(bar_width(monitor), 0);
    // Greyed, but the number still stands out from the bar under it.
    EXPECT_NE(gui::resolve_color(monitor.RopBar()->IndicatorColor()),
              gui::resolve_color(monitor.RopBar()->FontColor()));
    EXPECT_TRUE(monitor.Strip(0)->Stale() && monitor.Strip(5)->Stale());
    EXPECT_TRUE(monitor.History()[1].fresh);
    EXPECT_FALSE(monitor.History()[2].fresh);
    age_file(121);
    monitor.refresh();
    EXPECT_EQ(monitor.AgeLabel()->text(), "Файл записан 2 мин 01 с назад");
    age_file(3970);
    monitor.refresh();
    EXPECT_EQ(monitor.AgeLabel()->text(), "Файл записан 1 ч 06 мин назад");

    std::filesystem::remove(path_);
    monitor.refresh();
    EXPECT_EQ(monitor.StatusLabel()->text(), "Нет файла");
    EXPECT_EQ(monitor.AgeLabel()->text(), "Файл не найден: " + QString::fromStdString(path_));
    EXPECT_EQ(monitor.Last().error, "No such file or directory");
    EXPECT_EQ(shown(monitor, 0), "1523.40 (устар.)");

    QFile broken(QString::fromStdString(path_));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(30, '\0'));
    broken.close();
    monitor.refresh();
    EXPECT_EQ(monitor.StatusLabel()->text(), "Ошибка файла");
    EXPECT_EQ(monitor.AgeLabel()->text(), "Размер файла 30 байт вместо 24: " + QString::fromStdString(path_));
    EXPECT_EQ(monitor.Last().error, "longer than 24 bytes");

    // The lock held elsewhere for longer than the monitor waits: said so, values kept and greyed.
    write(1524.0f, 11.0f);
    {
        lib::lock_object writer(output_file_name);
        lib::Locker held(&writer);
        monitor.refresh();
        EXPECT_EQ(monitor.StatusLabel()->text(), "Файл занят");
        EXPECT_EQ(monitor.AgeLabel()->text(), "Блокировка файла не получена за 0.2 с");
        EXPECT_TRUE(monitor.Readout(3)->Stale());
        monitor.refresh(); // the earlier read still waits: no second wait
        EXPECT_EQ(monitor.StatusLabel()->text(), "Файл занят");
    }
    // Normal again at the next read once the waiting one is done.
    ASSERT_TRUE(bv_test::wait_for([&] { return !monitor.Stale(); }, 3000));
    EXPECT_FALSE(alarmed(monitor));
    EXPECT_EQ(shown(monitor, 0), "1524.00");
    EXPECT_FALSE(monitor.Strip(0)->Stale() || monitor.Strip(5)->Stale());
    EXPECT_GT(bar_width(monitor), 0);
}

TEST_F(ValuesMonitorTest, NeverReadShowsNamesWithoutValues) {
    TValuesMonitor monitor(options());
    EXPECT_TRUE(monitor.Stale());
    EXPECT_EQ(monitor.StatusLabel()->text(), "Нет данных");
    EXPECT_TRUE(alarmed(monitor));
    EXPECT_EQ(shown(monitor, 2), "");
    EXPECT_FALSE(monitor.RopBar()->HasValue());
    EXPECT_EQ(monitor.RopBar()->Caption(), "");
    expect_legible(monitor);

    // Without a path and an install location there is nothing to look at, and the monitor says so.
    TValuesMonitor::Options nowhere = options();
    nowhere.path.clear();
    qputenv("XDG_CONFIG_HOME", dir_.filePath("empty").toUtf8());
    TValuesMonitor lost(nowhere);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(lost.StatusLabel()->text(), "Нет данных");
    EXPECT_TRUE(lost.AgeLabel()->text().startsWith("Место установки модуля не записано"));
    EXPECT_EQ(lost.Last().error, "the install location (Install_Dir) is not recorded");
}

// Units from the tool's settings file, the window's place kept there, numbers in the locale.
TEST_F(ValuesMonitorTest, SettingsNameTheUnitsAndKeepTheWindowsPlace) {
    write(1523.4f, 11.75f);
    {
        TValuesMonitor first(options());
        first.show();
        first.setGeometry(40, 50, 700, 690);
        bv_test::pump(50);
        first.close();
    }
    // The missing file was written with the usual units, for an installer to edit.
    QFile file(dir_.filePath("config/borevane_monitor.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("hook_load=\xF2")); // "т" in the INI files' code page
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    // кН in CP1251, МПа in UTF-8, no unit at all, a long one (CP1251).
    file.write("[Units]\nhook_load=\xEA\xCD\ninlet_pressure=\xD0\x9C\xD0\x9F\xD0\xB0\nrop=\n"
               "depth=\xEC \xEF\xEE \xF1\xF2\xE2\xEE\xEB\xF3 \xF1\xEA\xE2\xE0\xE6\xE8\xED\xFB\n");
    file.close();

    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TValuesMonitor second(options());
    EXPECT_EQ(second.Title(2), "Вес на крюке, кН");
    EXPECT_EQ(second.Title(4), "Давление на входе, МПа");
    EXPECT_EQ(second.Title(5), "Механическая скорость");
    EXPECT_EQ(second.Title(0), "Глубина забоя, м по стволу скважины");
    EXPECT_EQ(second.size(), QSize(700, 690));
    // One decimal separator everywhere.
    EXPECT_EQ(shown(second, 0), "1523,40");
    EXPECT_EQ(second.RopBar()->Caption(), "11,8");
    EXPECT_TRUE(second.AgeLabel()->text().startsWith("Файл записан 0,"));
    second.show();
    bv_test::pump(50);
    EXPECT_GE(second.Readout(0)->width(), QFontMetrics(second.font()).horizontalAdvance("Глубина забоя"));
    EXPECT_TRUE(second.grab().save(QString(BV_ARTEFACT_DIR) + "/values_monitor_units_ru.png"));
}

// A strip from a known history: the trace inside the plot, a gap left empty, the reference drawn behind;
// without fresh readings in the window no trace at all.
TEST(TrendStrip, DrawsTheTraceWithItsGapsInsideThePlot) {
    gui::pin_system_colors(gui::standard_system_colors());
    tools::value_history history;
    for (int t = 0; t <= 600; ++t)
        t >= 300 && t < 360 ? history.add_gap(t) : history.add(t, {10, 5, 0, 0, 0, 0});
    TTrendStrip strip(history, 1);
    strip.resize(400, 60);
    strip.SetReference(0);
    strip.SetView(600, std::make_pair(0.0, 10.0), false);
    const gui::TRect plot = strip.PlotRect();
    auto columns_with = [&](gui::TColor colour) {
        const QImage image = bv_test::render(strip);
        std::vector<int> xs;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (at(image, x, y) == colour) {
                    xs.push_back(x);
                    break;
                }
        return xs;
    };
    const int mid = plot.top + static_cast<int>(std::lround((plot.height() - 1) / 2.0)); // 5 of 0 .. 10
    EXPECT_EQ(at(bv_test::render(strip), plot.left + 10, mid), TTrendStrip::trace_color);
    EXPECT_EQ(at(bv_test::render(strip), plot.right - 10, plot.top), TTrendStrip::reference_color);
    // The trace spans the strip but for its margins; the scale's limits are labelled at its left end.
    EXPECT_LE(strip.width() - plot.right, 4);
    EXPECT_GE(bv_test::text_contrast(bv_test::render(strip).copy(plot.left, plot.top, 40, 12)), 4.5);
    const auto traced = columns_with(TTrendStrip::trace_color);
    const int gap = plot.left + plot.width() * 300 / 600;
    ASSERT_EQ(traced.size(), std::size_t(plot.width() - (plot.width() * 360 / 600 - (gap - plot.left))));
    EXPECT_EQ(traced.front(), plot.left);
    EXPECT_EQ(traced.back(), plot.right - 1);
    EXPECT_EQ(std::count_if(traced.begin(), traced.end(), [&](int x) { return x >= gap && x < gap + 10; }), 0);
    EXPECT_EQ(at(bv_test::render(strip), gap + 2, mid), gui::resolve_color(gui::clWindow));
    // A new view is painted in a window that shows the strip.
    int paints = 0;
    strip.OnPaint = [&](QObject*, gui::TCanvas&) { ++paints; };
    strip.show();
    ASSERT_TRUE(bv_test::wait_for([&] { return paints > 0; }, 3000));
    paints = 0;
    strip.SetView(600, std::make_pair(0.0, 10.0), false);
    EXPECT_TRUE(bv_test::wait_for([&] { return paints > 0; }, 3000));

    strip.SetView(1300, std::nullopt, true);
    EXPECT_TRUE(columns_with(TTrendStrip::trace_color).empty());

    // The time axis under the plot, labelled from its left end to the 0 at its right end.
    strip.SetTimeAxis(true);
    strip.resize(400, 90);
    const QImage image = bv_test::render(strip);
    const gui::TRect above = strip.PlotRect();
    const int label_h = image.height() - above.bottom - 1;
    const gui::TColor ink = gui::resolve_color(TTrendStrip::text_color);
    EXPECT_GT(count_colour(image.copy(above.left, above.bottom + 1, 20, label_h), ink), 0) << "10 minutes ago";
    EXPECT_GT(count_colour(image.copy(above.right - 10, above.bottom + 1, 10, label_h), ink), 0) << "now";
    gui::unpin_system_colors();
}

} // namespace

namespace {

bool ink_near(const QImage& image, int x, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int dx = -4; dx <= 4; ++dx)
            if (qGray(image.pixel(std::clamp(x + dx, 0, image.width() - 1), y)) < 100)
                return true;
    return false;
}

} // namespace

// The bar's scale: a tick where the bar puts each step, a number under each, and the alarm's notch
// wider than a tick.
TEST(BarScale, TicksWhereTheBarPutsEachStepAndANumberUnderEach) {
    TBarScale scale;
    scale.SetColor(gui::clWindow);
    scale.resize(261, scale.height());
    scale.SetRange(0, 30, 5);
    scale.SetAlarm(25);
    const QImage image = bv_test::render(scale);
    for (int v = 0; v <= 30; v += 5) {
        const int x = std::min(TIndicator::bar_position(v, 0, 30, 261), 260);
        EXPECT_EQ(scale.x_of(v), x) << v;
        EXPECT_LT(qGray(image.pixel(x, 0)), 100) << v;
        EXPECT_GT(qGray(image.pixel(std::min(x + 20, 259), 1)), 200) << v; // nothing between the ticks
        EXPECT_TRUE(ink_near(image, x, 6, image.height())) << v;
    }
    EXPECT_LT(qGray(image.pixel(scale.x_of(25) - 3, 4)), 100);
    EXPECT_GT(qGray(image.pixel(scale.x_of(20) - 3, 4)), 200);
}
