// The values monitor on real files under the real lock, rendered offscreen.
#include "acquisition/core/output_file.h"
#include "app/SingleInstance.h"
#include "components/Indicator.h"
#include "components/QVVirtualGrid.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"
#include "tools/TrendStrip.h"
#include "tools/ValuesMonitor.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

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
    // What the grid shows in data cell (col, row), asked as drawing asks.
    static QString shown(TValuesMonitor& m, int col, int row) {
        QVariant value;
        TVGCellProperty prop;
        m.Grid()->SetDefCellProps(prop);
        m.Grid()->VGGetCellParams(m.Grid(), col, row, value, prop);
        return m.Grid()->VariantToText(value, prop);
    }
    static bool red(const QLabel* label) { return label->palette().color(QPalette::WindowText) == QColor(Qt::red); }
    static QString text(const QLabel* label) { return label->text(); }
    // Whether every data row is drawn in `colour`, as the grid is asked for it.
    static bool rows_in(TValuesMonitor& m, gui::TColor colour) {
        for (int row = 0; row < 6; ++row)
            for (int col = 0; col < 2; ++col) {
                QVariant value;
                TVGCellProperty prop;
                m.Grid()->VGGetCellParams(m.Grid(), col, row, value, prop);
                if (!prop.Font || prop.Font->color != colour)
                    return false;
            }
        return true;
    }
    // Pixels of the bar's own colour inside the bar.
    static int bar_pixels(TValuesMonitor& m) {
        const QImage image = bv_test::render(*m.RopBar());
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += bv_test::at(image, x, y) == TValuesMonitor::bar_color;
        return n;
    }

    QTemporaryDir dir_;
    std::string path_;
};

TEST_F(ValuesMonitorTest, ShowsTheValuesAndTheAgeOfAFreshFile) {
    write(1523.4f, 11.75f);
    TValuesMonitor monitor(options());
    EXPECT_FALSE(monitor.Stale());
    EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Работа"));
    EXPECT_EQ(shown(monitor, 0, 0), QString::fromUtf8("Глубина забоя, м"));
    EXPECT_EQ(shown(monitor, 0, 5), QString::fromUtf8("Механическая скорость, м/ч"));
    EXPECT_EQ(shown(monitor, 1, 0), "1523.40");
    EXPECT_EQ(shown(monitor, 1, 1), "1520.10");
    EXPECT_EQ(shown(monitor, 1, 4), "118.25");
    EXPECT_EQ(shown(monitor, 1, 5), "11.75");
    EXPECT_TRUE(rows_in(monitor, gui::clWindowText));
    EXPECT_EQ(monitor.RopBar()->Value(), 11.75L);
    EXPECT_EQ(monitor.RopBar()->Caption(), "11.8");
    EXPECT_GT(bar_pixels(monitor), 0);
    EXPECT_TRUE(monitor.AgeLabel()->text().startsWith(QString::fromUtf8("Файл записан 0.")))
        << monitor.AgeLabel()->text().toStdString();
    EXPECT_FALSE(red(monitor.AgeLabel()));
    EXPECT_TRUE(text(monitor.HealthLabel()).contains(QString::fromUtf8("Чтений за минуту: 1\n")));
    EXPECT_TRUE(text(monitor.HealthLabel()).contains(QString::fromUtf8("Модуль на этом компьютере не запущен")));
    ASSERT_EQ(monitor.History().size(), 1u);
    EXPECT_TRUE(monitor.History()[0].fresh);

    // The timer reads again every second; the module's lock held in this process counts as a running module.
    SingleInstance module(QString::fromLatin1(module_instance_name));
    ASSERT_TRUE(module.is_primary());
    write(1530.0f, 26.0f);
    ASSERT_TRUE(bv_test::wait_for([&] { return shown(monitor, 1, 0) == "1530.00"; }, 3000));
    EXPECT_EQ(monitor.RopBar()->Value(), 26.0L);
    EXPECT_TRUE(text(monitor.HealthLabel()).contains(QString::fromUtf8("Значения менялись 0.0 с назад")))
        << text(monitor.HealthLabel()).toStdString();
    EXPECT_TRUE(text(monitor.HealthLabel())
                    .contains(QString::fromUtf8("Модуль работает на этом компьютере (процесс %1)")
                                  .arg(QCoreApplication::applicationPid())));

    monitor.resize(460, 760);
    monitor.show();
    bv_test::pump(50);
    const QString artefact = QString(BV_ARTEFACT_DIR) + "/values_monitor_offscreen.png";
    QDir().mkpath(BV_ARTEFACT_DIR);
    EXPECT_TRUE(monitor.grab().save(artefact));
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
    EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Данные устарели"));
    EXPECT_TRUE(red(monitor.StatusLabel()));
    EXPECT_TRUE(red(monitor.AgeLabel()));
    EXPECT_TRUE(monitor.AgeLabel()->text().contains("6.0")) << monitor.AgeLabel()->text().toStdString();
    // The last values stay in view, every row greyed and marked, the bar too.
    EXPECT_EQ(shown(monitor, 1, 0), QString::fromUtf8("1523.40 (устар.)"));
    EXPECT_TRUE(rows_in(monitor, gui::clGrayText));
    EXPECT_EQ(monitor.RopBar()->Caption(), QString::fromUtf8("11.8 (устар.)"));
    EXPECT_EQ(bar_pixels(monitor), 0);
    EXPECT_EQ(monitor.RopBar()->IndicatorColor(), gui::clGrayText);
    // Stale readings are gaps in the history.
    EXPECT_TRUE(monitor.History()[1].fresh);
    EXPECT_FALSE(monitor.History()[2].fresh);

    std::filesystem::remove(path_);
    monitor.refresh();
    EXPECT_TRUE(monitor.Stale());
    EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Нет файла"));
    EXPECT_EQ(text(monitor.AgeLabel()), QString::fromUtf8("Файл не найден: ") + QString::fromStdString(path_));
    EXPECT_EQ(monitor.Last().error, "No such file or directory");
    EXPECT_EQ(shown(monitor, 1, 0), QString::fromUtf8("1523.40 (устар.)"));

    QFile broken(QString::fromStdString(path_));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(30, '\0'));
    broken.close();
    monitor.refresh();
    EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Ошибка файла"));
    EXPECT_TRUE(text(monitor.AgeLabel()).startsWith(QString::fromUtf8("Размер файла 30 байт вместо 24")))
        << text(monitor.AgeLabel()).toStdString();
    EXPECT_EQ(monitor.Last().error, "longer than 24 bytes");

    // The lock held elsewhere for longer than the monitor waits: said so, values kept and greyed.
    write(1524.0f, 11.0f);
    {
        lib::lock_object writer(output_file_name);
        lib::Locker held(&writer);
        monitor.refresh();
        EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Файл занят"));
        EXPECT_EQ(text(monitor.AgeLabel()), QString::fromUtf8("Блокировка файла не получена за 0.2 с"));
        EXPECT_TRUE(rows_in(monitor, gui::clGrayText));
        monitor.refresh(); // the earlier read still waits: no second wait
        EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Файл занят"));
    }

    // Fresh again: normal again at the next read once the waiting one is done.
    ASSERT_TRUE(bv_test::wait_for([&] { return !monitor.Stale(); }, 3000));
    EXPECT_FALSE(red(monitor.AgeLabel()));
    EXPECT_EQ(shown(monitor, 1, 0), "1524.00");
    EXPECT_TRUE(rows_in(monitor, gui::clWindowText));
    EXPECT_GT(bar_pixels(monitor), 0);
}

TEST_F(ValuesMonitorTest, NeverReadShowsNamesWithoutValues) {
    TValuesMonitor monitor(options());
    EXPECT_TRUE(monitor.Stale());
    EXPECT_EQ(text(monitor.StatusLabel()), QString::fromUtf8("Нет данных"));
    EXPECT_EQ(shown(monitor, 0, 2), QString::fromUtf8("Вес на крюке, т"));
    EXPECT_EQ(shown(monitor, 1, 2), "");
    EXPECT_FALSE(monitor.RopBar()->HasValue());
    EXPECT_EQ(bar_pixels(monitor), 0);
    EXPECT_EQ(monitor.RopBar()->Caption(), "");
    // The grid measures rows in grid numbering; the names still fit their column.
    monitor.resize(360, 330);
    monitor.show();
    bv_test::pump(50);
    const QFontMetrics fm(monitor.Grid()->font());
    EXPECT_GE(monitor.Grid()->ColWidths(0), fm.horizontalAdvance(QString::fromUtf8("Механическая скорость, м/ч")));

    // Without a path and an install location there is nothing to look at, and the monitor says so.
    TValuesMonitor::Options nowhere = options();
    nowhere.path.clear();
    qputenv("XDG_CONFIG_HOME", dir_.filePath("empty").toUtf8());
    TValuesMonitor lost(nowhere);
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(text(lost.StatusLabel()), QString::fromUtf8("Нет данных"));
    EXPECT_TRUE(text(lost.AgeLabel()).startsWith(QString::fromUtf8("Место установки модуля не записано")));
    EXPECT_EQ(lost.Last().error, "the install location (Install_Dir) is not recorded");
}

// Units from the tool's settings file, the window's place kept there, numbers in the locale.
TEST_F(ValuesMonitorTest, SettingsNameTheUnitsAndKeepTheWindowsPlace) {
    write(1523.4f, 11.75f);
    const QString units = dir_.filePath("config/borevane_monitor.ini");
    {
        TValuesMonitor first(options());
        EXPECT_EQ(first.Title(2), QString::fromUtf8("Вес на крюке, т"));
        first.show();
        first.setGeometry(40, 50, 480, 700);
        bv_test::pump(50);
        first.close();
    }
    // The missing file was written with the usual units, for an installer to edit.
    QFile file(units);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("hook_load=\xF2")); // "т" in the INI files' code page
    file.close();
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(
        "[Units]\nhook_load=\xEA\xCD\ninlet_pressure=\xD0\x9C\xD0\x9F\xD0\xB0\nrop=\n"); // кН in CP1251, МПа in UTF-8
    file.close();

    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TValuesMonitor second(options());
    EXPECT_EQ(second.Title(2), QString::fromUtf8("Вес на крюке, кН"));
    EXPECT_EQ(second.Title(4), QString::fromUtf8("Давление на входе, МПа"));
    EXPECT_EQ(second.Title(5), QString::fromUtf8("Механическая скорость"));
    EXPECT_EQ(second.Title(0), QString::fromUtf8("Глубина забоя, м"));
    EXPECT_EQ(second.size(), QSize(480, 700));
    // One decimal separator everywhere: the grid, the bar, the age, the strips.
    EXPECT_EQ(shown(second, 1, 0), "1523,40");
    EXPECT_EQ(second.RopBar()->Caption(), "11,8");
    EXPECT_TRUE(text(second.AgeLabel()).startsWith(QString::fromUtf8("Файл записан 0,")));
    second.show();
    bv_test::pump(50);
    EXPECT_TRUE(second.grab().save(QString(BV_ARTEFACT_DIR) + "/values_monitor_units_ru.png"));
}

} // namespace

namespace {

// A strip painted from a known history: the trace inside the plot, in its colour, a gap left empty, the
// hole depth drawn behind the bit depth; without fresh readings in the window no trace at all.
TEST(TrendStrip, DrawsTheTraceWithItsGapsInsideThePlot) {
    gui::pin_system_colors(gui::standard_system_colors());
    tools::value_history history;
    for (int t = 0; t <= 600; ++t)
        t >= 300 && t < 360 ? history.add_gap(t) : history.add(t, {10, 5, 0, 0, 0, 0});
    TTrendStrip strip(history, 1);
    strip.resize(400, 60);
    strip.SetReference(0);
    strip.SetView(600, std::make_pair(0.0, 10.0), 5.0, false);
    const gui::TRect plot = strip.PlotRect();
    ASSERT_GT(plot.width(), 200);
    QImage image = bv_test::render(strip);
    auto column_has = [&](int x, gui::TColor colour) {
        for (int y = 0; y < image.height(); ++y)
            if (bv_test::at(image, x, y) == colour)
                return true;
        return false;
    };
    const int mid = plot.top + static_cast<int>(std::lround((plot.height() - 1) / 2.0)); // 5 of 0 .. 10
    EXPECT_EQ(bv_test::at(image, plot.left + 10, mid), TTrendStrip::trace_color);
    EXPECT_EQ(bv_test::at(image, plot.left + 10, plot.top), TTrendStrip::reference_color);
    const int gap = plot.left + plot.width() * 330 / 600;
    EXPECT_FALSE(column_has(gap, TTrendStrip::trace_color));
    EXPECT_FALSE(column_has(gap, TTrendStrip::reference_color));
    EXPECT_TRUE(column_has(plot.right - 1, TTrendStrip::trace_color));
    EXPECT_FALSE(column_has(plot.right + 2, TTrendStrip::trace_color));

    strip.SetView(1300, std::nullopt, 5.0, true);
    image = bv_test::render(strip);
    for (int x = 0; x < image.width(); ++x)
        ASSERT_FALSE(column_has(x, TTrendStrip::trace_color)) << x;
    gui::unpin_system_colors();
}

} // namespace
