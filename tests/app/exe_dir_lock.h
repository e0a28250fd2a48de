#pragma once
// The controller keeps its settings and output file beside the executable, which every test of this program
// shares; tests that run a controller hold this lock so that parallel test processes take turns.
#include <QCoreApplication>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class ExeDirLock {
public:
    ExeDirLock() {
        const QByteArray path = (QCoreApplication::applicationDirPath() + "/test_app.lock").toLocal8Bit();
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::flock(fd, LOCK_EX);
    }
    ~ExeDirLock() {
        if (fd >= 0)
            ::close(fd);
    }
    ExeDirLock(const ExeDirLock&) = delete;
    ExeDirLock& operator=(const ExeDirLock&) = delete;

private:
    int fd = -1;
};
