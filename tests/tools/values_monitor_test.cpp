// The values monitor on real files under the real lock, rendered offscreen.
#include "acquisition/core/output_file.h"
#include "components/Indicator.h"
#include "components/QVVirtualGrid.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/widget_image.h"
#include "tools/ValuesMonitor.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ValuesMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("Borevane.bin").toStdString();
    }

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

    QTemporaryDir dir_;
    std::string path_;
};

TEST_F(ValuesMonitorTest, ShowsTheValuesAndTheAgeOfAFreshFile) {
    write(1523.4f, 11.75f);
    TValuesMonitor monitor(path_);
    EXPECT_FALSE(monitor.Stale());
    EXPECT_EQ(shown(monitor, 0, 0), QString::fromUtf8("Глубина забоя, м"));
    EXPECT_EQ(shown(monitor, 0, 5), QString::fromUtf8("Механическая скорость, м/ч"));
    EXPECT_EQ(shown(monitor, 1, 0), "1523.40");
    EXPECT_EQ(shown(monitor, 1, 1), "1520.10");
    EXPECT_EQ(shown(monitor, 1, 4), "118.25");
    EXPECT_EQ(shown(monitor, 1, 5), "11.75");
    EXPECT_EQ(monitor.RopBar()->Value(), 11.75L);
    EXPECT_EQ(monitor.RopBar()->Caption(), "11.8");
    EXPECT_TRUE(monitor.AgeLabel()->text().startsWith(QString::fromUtf8("Файл записан 0.")))
        << monitor.AgeLabel()->text().toStdString();
    EXPECT_FALSE(red(monitor.AgeLabel()));

    // The timer reads again every second.
    write(1530.0f, 26.0f);
    ASSERT_TRUE(bv_test::wait_for([&] { return shown(monitor, 1, 0) == "1530.00"; }, 3000));
    EXPECT_EQ(monitor.RopBar()->Value(), 26.0L);

    monitor.resize(360, 330);
    monitor.show();
    bv_test::pump(50);
    const QString artefact = QString(BV_ARTEFACT_DIR) + "/values_monitor_offscreen.png";
    QDir().mkpath(BV_ARTEFACT_DIR);
    EXPECT_TRUE(monitor.grab().save(artefact));
}

TEST_F(ValuesMonitorTest, AnOldMissingOrBrokenFileTurnsTheAgeRed) {
    write(1523.4f, 11.75f);
    TValuesMonitor monitor(path_);
    age_file(4);
    monitor.refresh();
    EXPECT_FALSE(monitor.Stale());
    age_file(6);
    monitor.refresh();
    EXPECT_TRUE(monitor.Stale());
    EXPECT_TRUE(red(monitor.AgeLabel()));
    EXPECT_TRUE(monitor.AgeLabel()->text().contains("6.0")) << monitor.AgeLabel()->text().toStdString();
    EXPECT_EQ(shown(monitor, 1, 0), "1523.40"); // the last values stay in view

    std::filesystem::remove(path_);
    monitor.refresh();
    EXPECT_TRUE(monitor.Stale());
    EXPECT_TRUE(red(monitor.AgeLabel()));
    EXPECT_TRUE(monitor.AgeLabel()->text().startsWith(QString::fromUtf8("Файл не прочитан")));
    EXPECT_EQ(shown(monitor, 1, 0), "1523.40");

    QFile broken(QString::fromStdString(path_));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(23, '\0'));
    broken.close();
    monitor.refresh();
    EXPECT_TRUE(monitor.AgeLabel()->text().contains("23 of 24")) << monitor.AgeLabel()->text().toStdString();

    // Fresh again: black again.
    write(1524.0f, 11.0f);
    monitor.refresh();
    EXPECT_FALSE(monitor.Stale());
    EXPECT_FALSE(red(monitor.AgeLabel()));
    EXPECT_EQ(shown(monitor, 1, 0), "1524.00");
}

TEST_F(ValuesMonitorTest, NeverReadShowsNamesWithoutValues) {
    TValuesMonitor monitor(path_);
    EXPECT_TRUE(monitor.Stale());
    EXPECT_EQ(shown(monitor, 0, 2), QString::fromUtf8("Вес на крюке, т"));
    EXPECT_EQ(shown(monitor, 1, 2), "");
    // The grid measures rows in grid numbering; the names still fit their column.
    monitor.resize(360, 330);
    monitor.show();
    bv_test::pump(50);
    const QFontMetrics fm(monitor.Grid()->font());
    EXPECT_GE(monitor.Grid()->ColWidths(0), fm.horizontalAdvance(QString::fromUtf8("Механическая скорость, м/ч")));
}

} // namespace
