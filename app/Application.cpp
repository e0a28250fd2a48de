#include "app/Application.h"

#include "library/cp1251.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStringDecoder>
#include <QVariant>

namespace {
const char* const title_property = "bv_title";
}

void set_application_title(const QString& title) {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->setProperty(title_property, title);
}

QString application_title() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app ? app->property(title_property).toString() : QString();
}

QString exception_message(const std::exception& e) {
    const QByteArray bytes(e.what());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromStdString(lib::cp1251_to_utf8(bytes.toStdString()));
}

void show_exception(const QString& message) {
    // Over the main window and modal to it alone, so that the tray menu's "Выход" still works meanwhile.
    QWidget* main_window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w))
            main_window = w;
    QMessageBox box(QMessageBox::Critical, application_title(), message, QMessageBox::Ok, main_window);
    if (main_window)
        box.setWindowModality(Qt::WindowModal);
    box.exec();
}

void run_guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        show_exception(exception_message(e));
    } catch (...) {
        show_exception(QString());
    }
}
