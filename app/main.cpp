// The tray program: the acquisition controller lives from before the main window until after it.
#include "acquisition/Bvsystem.h"
#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/GracefulExit.h"
#include "app/MainForm.h"
#include "app/StartupRecord.h"
#include "gui/SingleInstance.h"

#include <QApplication>
#include <cstdio>

namespace {
// A resolver slower than this only delays the first connection until the window is up, as before.
constexpr int first_lookup_wait_ms = 30;
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // A second start for the same user only brings the running module's window to the front.
    SingleInstance instance(QString::fromLatin1(module_instance_name));
    if (!instance.is_primary()) {
        if (instance.ask_primary_to_show())
            return 0;
        std::fprintf(stderr, "Borevane: another instance holds the lock but did not answer\n");
        return 1;
    }
    try {
        set_application_title(QStringLiteral(" Модуль глубины"));
        // The program lives on in the tray with no window shown; only the exit sequence ends it.
        QApplication::setQuitOnLastWindowClosed(false);
        // Installed before the window exists: a signal during start-up waits for the event loop.
        GracefulExit graceful(
            [] {
                if (MainForm)
                    MainForm->exit_on_request();
            },
            [] {
                if (MainForm)
                    MainForm->save_settings_quietly();
            });
        // The first connection goes out before the window is built (which takes longer than finding the
        // station), and the window then shows what the controller said meanwhile.
        BVSystem system;
        StartupRecord early(system);
        system.start();
        system.connect();
        system.await_lookup(first_lookup_wait_ms);
        QApplication::setWindowIcon(TAboutForm::application_icon());
        TMainForm form;
        form.show_earlier(early);
        instance.set_show_handler([&form] { form.bring_to_front(); });
        form.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        show_exception(exception_message(e));
    } catch (...) {
        show_exception(QString());
    }
    return 0;
}
