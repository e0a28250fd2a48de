// The controller against the real station simulator, checked with the real file reader.
#include "acquisition/Bvsystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/controller_config.h"
#include "tests/support/qt_helpers.h"

#ifdef BV_SIMULATOR

namespace {

using bv_test::pump;
using bv_test::wait_for;

// The simulator on a free port; returns the port it reports.
quint16 start_simulator(QProcess& p, const QStringList& extra) {
    p.start(BV_SIMULATOR, QStringList{"--port", "0"} + extra);
    if (!p.waitForStarted(5000) || !wait_for([&] { return p.canReadLine(); }, 5000))
        return 0;
    const QString line = QString::fromUtf8(p.readLine()).trimmed(); // "listening on 127.0.0.1:PORT"
    return static_cast<quint16>(line.section(':', -1).toUInt());
}

QString read_file_with_reader(const std::string& bin_path) {
    QProcess reader;
    reader.start(BV_READER, {"--path", QString::fromStdString(bin_path)});
    reader.waitForFinished(10000);
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
}

double field(const QString& line, const QString& name) {
    for (const QString& part : line.split(' '))
        if (part.startsWith(name + "="))
            return part.mid(name.size() + 1).toDouble();
    return -1;
}

} // namespace

TEST(EndToEnd, SimulatorControllerFileAndReaderAgree) {
    for (const QStringList& mode : {QStringList{}, QStringList{"--capitals", "--split", "3", "--gap-ms", "30"}}) {
        QProcess simulator;
        const quint16 port = start_simulator(simulator, mode);
        ASSERT_NE(port, 0);
        BVSystem sys(bv_test::own_config(port, 100));
        std::filesystem::remove(sys.get_bin_path());
        sys.options().remote_name = "127.0.0.1";
        sys.connect();
        ASSERT_TRUE(wait_for([&] { return std::filesystem::exists(sys.get_bin_path()); }, 5000));

        const QString line = read_file_with_reader(sys.get_bin_path());
        for (const char* name :
             {"depth", "doloto_depth", "вес_на_крюке", "тальблок", "давление_на_входе", "скорость_механическая"}) {
            EXPECT_GT(field(line, QString::fromUtf8(name)), 0.0) << name << " in: " << line.toStdString();
        }
        EXPECT_GE(field(line, "depth"), field(line, "doloto_depth")) << line.toStdString();
        sys.stop();
        simulator.kill();
        simulator.waitForFinished();
    }
}

#endif
