#include "gui/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <future>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The asking side blocks, as a second start does; the running side needs its event loop meanwhile.
std::future<bool> ask_in_background(const QString& dir, int timeout_ms = 5000) {
    return std::async(std::launch::async, [dir, timeout_ms] {
        SingleInstance later(QStringLiteral("Borevane"), dir);
        return !later.is_primary() && later.ask_primary_to_show(timeout_ms);
    });
}

bool finish(std::future<bool>& answer) {
    while (answer.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QTest::qWait(10);
    return answer.get();
}

TEST(SingleInstance, ALaterStartAsksTheRunningOneToShowItsWindow) {
    QTemporaryDir dir;
    int shown = 0;
    {
        // A start that goes well says nothing.
        testing::internal::CaptureStderr();
        SingleInstance running(QStringLiteral("Borevane"), dir.path());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_TRUE(running.is_primary());
        // The main window's handler services events while it brings the window forward.
        running.set_show_handler([&] {
            ++shown;
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
        });

        auto first = ask_in_background(dir.path());
        EXPECT_TRUE(finish(first));
        EXPECT_EQ(shown, 1);
        auto second = ask_in_background(dir.path());
        EXPECT_TRUE(finish(second));
        EXPECT_EQ(shown, 2);

        // Anything else on the socket is dropped without a window shown, and the instance goes on answering.
        QLocalSocket stranger;
        stranger.connectToServer(dir.filePath(QStringLiteral("Borevane.instance")));
        ASSERT_TRUE(stranger.waitForConnected(2000));
        stranger.write("raise everything\n");
        stranger.flush();
        EXPECT_TRUE(QTest::qWaitFor([&] { return stranger.state() == QLocalSocket::UnconnectedState; }, 5000));
        auto third = ask_in_background(dir.path());
        EXPECT_TRUE(finish(third));
        EXPECT_EQ(shown, 3);
        // An asker that gave up before the answer (its module was stopped meanwhile) is gone by then.
        QLocalSocket gone;
        gone.connectToServer(dir.filePath(QStringLiteral("Borevane.instance")));
        ASSERT_TRUE(gone.waitForConnected(2000));
        gone.write("show\n");
        gone.flush();
        gone.abort();
        QEventLoop loop; // the program's own loop, which deletes a closed connection's socket in time
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(shown, 4);
        // Each request's connection goes once it has closed.
        EXPECT_TRUE(QTest::qWaitFor([&] { return running.findChildren<QLocalSocket*>().isEmpty(); }, 5000));
    }
    // Once it has ended, the next start runs.
    SingleInstance next(QStringLiteral("Borevane"), dir.path());
    EXPECT_TRUE(next.is_primary());
}

TEST(SingleInstance, AHolderThatNeverAnswersIsNoSuccess) {
    QTemporaryDir dir;
    QLockFile held(dir.filePath(QStringLiteral("Borevane.instance.lock")));
    ASSERT_TRUE(held.tryLock(0));
    auto answer = ask_in_background(dir.path(), 500);
    EXPECT_FALSE(finish(answer));
}

TEST(SingleInstance, AHolderThatAcceptsButNeverAnswersIsNoSuccess) {
    QTemporaryDir dir;
    QLockFile held(dir.filePath(QStringLiteral("Borevane.instance.lock")));
    ASSERT_TRUE(held.tryLock(0));
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(dir.filePath(QStringLiteral("Borevane.instance"))));
    auto answer = ask_in_background(dir.path(), 500);
    EXPECT_FALSE(finish(answer));
}

// The module takes its lock a moment before it listens: a start in between waits for it.
TEST(SingleInstance, ALaterStartWaitsForTheRunningOneToListen) {
    QTemporaryDir dir;
    auto held = std::make_unique<QLockFile>(dir.filePath(QStringLiteral("Borevane.instance.lock")));
    ASSERT_TRUE(held->tryLock(0));
    SingleInstance later(QStringLiteral("Borevane"), dir.path());
    ASSERT_FALSE(later.is_primary());
    held.reset();
    auto answer = std::async(std::launch::async, [&later] { return later.ask_primary_to_show(5000); });
    QTest::qWait(400);
    SingleInstance running(QStringLiteral("Borevane"), dir.path());
    ASSERT_TRUE(running.is_primary());
    EXPECT_TRUE(finish(answer));
}

// A module that has run for hours keeps its place: the age of its lock file makes it no stale lock.
TEST(SingleInstance, AnOldLockOfALiveModuleStillHolds) {
    QTemporaryDir dir;
    SingleInstance running(QStringLiteral("Borevane"), dir.path());
    ASSERT_TRUE(running.is_primary());
    QFile lock_file(dir.filePath(QStringLiteral("Borevane.instance.lock")));
    ASSERT_TRUE(lock_file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock_file.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    lock_file.close();
    SingleInstance later(QStringLiteral("Borevane"), dir.path());
    EXPECT_FALSE(later.is_primary());
}

// A lock file left behind is no running module: not when its process has ended, not when its process id now
// belongs to another program, not when it was written on another computer.
TEST(SingleInstance, AnOnlookerSeesOnlyALiveHolderOnThisComputer) {
    QTemporaryDir dir;
    EXPECT_FALSE(SingleInstance::running_holder(QStringLiteral("Borevane"), dir.path()));
    QProcess ended;
    ended.start(QStringLiteral("true"));
    ASSERT_TRUE(ended.waitForFinished());
    const QString app = QCoreApplication::applicationName(), host = QSysInfo::machineHostName();
    auto left_behind = [&](qint64 pid, const QString& program, const QString& computer) {
        QFile file(dir.filePath(QStringLiteral("Borevane.instance.lock")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("%1\n%2\n%3\n").arg(pid).arg(program, computer).toUtf8());
        file.close();
        return SingleInstance::running_holder(QStringLiteral("Borevane"), dir.path());
    };
    EXPECT_EQ(left_behind(QCoreApplication::applicationPid(), app, host), QCoreApplication::applicationPid());
    EXPECT_FALSE(left_behind(ended.processId(), app, host));
    EXPECT_FALSE(left_behind(QCoreApplication::applicationPid(), QStringLiteral("Other"), host));
    EXPECT_FALSE(left_behind(QCoreApplication::applicationPid(), app, host + QStringLiteral("-elsewhere")));
}

TEST(SingleInstance, OtherNamesAndDirectoriesDoNotMeet) {
    QTemporaryDir dir, other_dir;
    SingleInstance running(QStringLiteral("Borevane"), dir.path());
    SingleInstance elsewhere(QStringLiteral("Borevane"), other_dir.path());
    SingleInstance other_name(QStringLiteral("Other"), dir.path());
    EXPECT_TRUE(running.is_primary());
    EXPECT_TRUE(elsewhere.is_primary());
    EXPECT_TRUE(other_name.is_primary());
}

} // namespace
