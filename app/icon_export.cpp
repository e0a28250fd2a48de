// Writes the program's icon as PNG files in the freedesktop icon theme layout, for installing:
// DIR/<n>x<n>/apps/borevane.png for each size the desktop environments look for.
#include "app/AboutForm.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    // Drawing needs no screen; the build may have none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = QDir(dir).filePath(sub + QStringLiteral("/borevane.png"));
        if (!QDir(dir).mkpath(sub) || !draw_application_icon(size).save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
