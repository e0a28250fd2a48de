// The reader as a real process on real files, with the named lock shared with this process.

#include "acquisition/core/install_dir.h"
#include "acquisition/core/output_file.h"
#include "library/lock_object.h"
#include "os/user_registry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ValueMap sample_values(float depth) {
    const float values[6] = {depth, 1520.1f, 85.0f, 12.5f, 118.25f, 11.75f};
    ValueMap map;
    for (std::size_t i = 0; i < output_names.size(); ++i)
        map[output_names[i]] = values[i];
    return map;
}

const QString sample_line_start = QString::fromUtf8("depth=1523.400 doloto_depth=1520.100 вес_на_крюке=85.000 "
                                                    "тальблок=12.500 давление_на_входе=118.250 "
                                                    "скорость_механическая=11.750 age=");

void write_raw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray encoded(const ValueMap& values) {
    const auto bytes = encode_output(values);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Each test has its own lock and registry locations (its home), shared with the reader it starts.
class BorevaneReader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("Borevane.bin");
    }

    void start(QProcess& p, QStringList args) {
        p.start(BOREVANE_READER_PATH, args);
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    struct run_result {
        int exit_code = -1;
        QString out, err;
    };
    run_result run(QStringList args) {
        QProcess p;
        start(p, args);
        run_result r;
        EXPECT_TRUE(p.waitForFinished(10000));
        r.exit_code = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Waits for the next whole line of the process's standard output; empty on timeout.
    static QString next_line(QProcess& p, int timeout_ms = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!p.canReadLine() && clock.elapsed() < timeout_ms)
            p.waitForReadyRead(50);
        return QString::fromUtf8(p.readLine()).trimmed();
    }

    QTemporaryDir dir_;
    QString path_;
};

} // namespace

TEST_F(BorevaneReader, PrintsTheSixValuesAndTheAge) {
    write_raw(path_, encoded(sample_values(1523.4f)));
    const auto r = run({"--path", path_});
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_TRUE(r.out.startsWith(sample_line_start)) << r.out.toStdString();
    const auto age = QRegularExpression(R"(age=(\d+\.\d)s\n$)").match(r.out);
    ASSERT_TRUE(age.hasMatch()) << r.out.toStdString();
    EXPECT_LT(age.captured(1).toDouble(), 60.0);
}

TEST_F(BorevaneReader, FindsTheFileThroughTheInstallLocation) {
    write_raw(path_, encoded(sample_values(1523.4f)));
    ASSERT_TRUE(publish_install_dir(dir_.path().toStdString()));
    auto r = run({});
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(sample_line_start)) << r.out.toStdString();

    // A value set by hand without the trailing separator names the same directory.
    ASSERT_TRUE(os::write_user_string("Software\\Kalvemark\\Borevane", "Install_Dir", dir_.path().toStdString()));
    r = run({});
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(sample_line_start)) << r.out.toStdString();
}

TEST_F(BorevaneReader, NoInstallLocationIsAClearError) {
    const auto r = run({});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Install_Dir")) << r.err.toStdString();
}

TEST_F(BorevaneReader, UnusableFilesAreAClearErrorNotACrash) {
    struct {
        const char* what;
        std::optional<QByteArray> contents;
        const char* message;
    } cases[] = {
        {"missing", std::nullopt, "No such file"},
        {"empty", QByteArray(), "only 0 of 24 bytes"},
        {"short", QByteArray(23, '\x01'), "only 23 of 24 bytes"},
        {"long", QByteArray(25, '\x01'), "longer than 24 bytes"},
    };
    for (const auto& c : cases) {
        QFile::remove(path_);
        if (c.contents)
            write_raw(path_, *c.contents);
        const auto r = run({"--path", path_});
        EXPECT_EQ(r.exit_code, 1) << c.what;
        EXPECT_TRUE(r.out.isEmpty()) << c.what;
        EXPECT_TRUE(r.err.contains(path_)) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << c.what << ": " << r.err.toStdString();
    }
}

TEST_F(BorevaneReader, FollowPrintsALineForEveryChangeOnly) {
    lib::lock_object file_lock(output_file_name);
    write_output_file(sample_values(1523.4f), path_.toStdString(), file_lock);
    QProcess p;
    start(p, {"--path", path_, "--follow", "--interval-ms", "20", "--count", "3"});
    EXPECT_TRUE(next_line(p).startsWith(sample_line_start));

    // The same bytes written again are no change.
    write_output_file(sample_values(1523.4f), path_.toStdString(), file_lock);
    EXPECT_FALSE(p.waitForReadyRead(300));

    write_output_file(sample_values(1530.25f), path_.toStdString(), file_lock);
    EXPECT_TRUE(next_line(p).startsWith("depth=1530.250 ")) << "second line";
    write_output_file(sample_values(1531.5f), path_.toStdString(), file_lock);
    EXPECT_TRUE(next_line(p).startsWith("depth=1531.500 ")) << "third line";
    ASSERT_TRUE(p.waitForFinished(5000)) << "--count 3 ends after three lines";
    EXPECT_EQ(p.exitCode(), 0);
}

TEST_F(BorevaneReader, FollowWaitsForAMissingFileAndSaysSoOnce) {
    QProcess p;
    start(p, {"--path", path_, "--follow", "--interval-ms", "20", "--count", "1"});
    EXPECT_FALSE(p.waitForFinished(400));
    write_raw(path_, encoded(sample_values(1523.4f)));
    EXPECT_TRUE(next_line(p).startsWith(sample_line_start));
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("waiting")) << err.toStdString();
}

TEST_F(BorevaneReader, WaitsWhileTheWriterHoldsTheLock) {
    write_raw(path_, encoded(sample_values(1523.4f)));
    lib::lock_object file_lock(output_file_name);
    file_lock.lock();
    QProcess p;
    start(p, {"--path", path_});
    EXPECT_FALSE(p.waitForFinished(500)) << "the reader must not read while the lock is held";
    // What the writer leaves when it lets go is what the reader sees.
    write_raw(path_, encoded(sample_values(1600.0f)));
    file_lock.unlock();
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith("depth=1600.000 "));
}

TEST_F(BorevaneReader, BadOptionsExitWithCodeTwo) {
    const QStringList cases[] = {{"--bogus"}, {"--path"}, {"--interval-ms", "0"}, {"--count", "x"}, {"--count"}};
    for (const auto& args : cases) {
        const auto r = run(args);
        EXPECT_EQ(r.exit_code, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
}
