#include "gui/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace {

const QByteArray show_request = "show\n";
const QByteArray shown_answer = "shown\n";
// Longer lines are not requests of ours.
const qint64 longest_line = 64;

} // namespace

QString SingleInstance::place_of(const QString& dir) {
    return dir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : dir;
}

QString SingleInstance::lock_path(const QString& name, const QString& dir) {
    return QDir(place_of(dir)).filePath(name + QStringLiteral(".instance.lock"));
}

std::optional<qint64> SingleInstance::running_holder(const QString& name, const QString& dir) {
    const QLockFile lock_file(lock_path(name, dir));
    qint64 pid = 0;
    QString host, app;
    if (!lock_file.getLockInfo(&pid, &host, &app) || pid <= 0 || host != QSysInfo::machineHostName())
        return std::nullopt;
#ifdef Q_OS_UNIX
    // A holder that died leaves its lock file behind; its process id may since belong to another program.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return std::nullopt;
#ifdef Q_OS_LINUX
    // The program's file may have been replaced (an upgrade) while it runs.
    QString exe = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))).fileName();
    exe.remove(QStringLiteral(" (deleted)"));
    if (!exe.isEmpty() && !app.isEmpty() && exe != app)
        return std::nullopt;
#endif
#endif
    return pid;
}

SingleInstance::SingleInstance(const QString& name, const QString& dir, QObject* parent) : QObject(parent) {
    const QString place = place_of(dir);
#ifdef Q_OS_WIN
    // A pipe name of this user's; the lock file still lives in the user's directory.
    socket_name = name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    socket_name = QDir(place).filePath(name + QStringLiteral(".instance"));
#endif
    lock = std::make_unique<QLockFile>(lock_path(name, dir));
    // A running holder is never stale however old its lock; a dead one is found out by its process id.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            return;
        std::fprintf(stderr, "%s: cannot use the lock file %s; starting without the one-instance check\n",
                     qPrintable(name), qPrintable(QDir::toNativeSeparators(lock->fileName())));
    }
    primary = true;
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a holder that died; the lock makes sure it is no live instance's.
    QLocalServer::removeServer(socket_name);
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::on_new_connection);
    if (!server->listen(socket_name))
        std::fprintf(stderr, "%s: cannot listen on %s: %s\n", qPrintable(name), qPrintable(socket_name),
                     qPrintable(server->errorString()));
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::on_new_connection() {
    while (QLocalSocket* client = server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine()) {
                if (client->readLine(longest_line) != show_request) {
                    client->abort();
                    return;
                }
                if (show_handler) {
                    // The handler services events, and an asker that gave up meanwhile takes its socket along.
                    const QPointer<QLocalSocket> alive = client;
                    show_handler();
                    if (!alive)
                        return;
                }
                client->write(shown_answer);
                client->flush();
            }
            if (client->bytesAvailable() > longest_line)
                client->abort();
        });
    }
}

bool SingleInstance::ask_primary_to_show(int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(0, timeout_ms - static_cast<int>(clock.elapsed())); };
    QLocalSocket socket;
    // The running instance takes its lock a moment before it listens.
    for (;;) {
        socket.connectToServer(socket_name);
        if (socket.waitForConnected(std::min(250, left())))
            break;
        if (left() == 0)
            return false;
        QThread::msleep(50);
    }
    socket.write(show_request);
    if (!socket.waitForBytesWritten(left()))
        return false;
    QByteArray answer;
    while (!answer.endsWith('\n') && answer.size() <= longest_line) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(left()))
            return false;
        answer += socket.read(longest_line);
    }
    return answer == shown_answer;
}
