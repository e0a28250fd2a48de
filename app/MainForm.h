#pragma once
// The program's one window: a time-stamped log of every acquisition status, a status bar, the menu, and the
// tray icon the program lives in. Closing the window hides it to the tray; only "Выход" ends the program.
#include "acquisition/Bvsystem.h"
#include "app/LogView.h"
#include "gui/FormBase.h"

#include <QList>
#include <QPixmap>
#include <QString>
#include <boost/signals2/connection.hpp>
#include <functional>

class QAction;
class QLabel;
class QLocale;
class QMenu;
class QMenuBar;
class QStatusBar;
class QSystemTrayIcon;
class StartupRecord;

class TMainForm : public gui::MainWindowForm {
    Q_OBJECT
public:
    // `tray_host` tells, whenever the window is closed, whether a notification area is there to hide into;
    // by default the platform is asked.
    explicit TMainForm(std::function<bool()> tray_host = {}, QWidget* owner = nullptr);
    ~TMainForm() override;

    LogView* memLog;
    QStatusBar* stbarMain;
    QLabel* stbarPanel0; // the status bar's one panel
    QMenuBar* MainMenu1;
    QMenu* N1;
    QAction* mnOptions;
    QAction* N3;
    QAction* mnExit;
    QMenu* Cghfdrf1;
    QAction* mnAbout;
    QSystemTrayIcon* TrayIcon;
    QList<QPixmap> ImageList; // 0 red, 1 green
    QMenu* ppmnTray;
    QAction* N2;

    void FormClose(gui::CloseAction& action) override;
    void mnOptionsClick();
    void mnExitClick();
    void TrayIconDblClick();
    void mnAboutClick();
    void on_status_changed(Status s);
    // Shows what the controller said before this window existed (a controller started before it is not
    // started again).
    void show_earlier(StartupRecord& record);
    // Shows the window, from the tray or minimised, over the others (a second start of the program asks for it).
    void bring_to_front();

    // The exit sequence on a request from outside (a signal, the end of the session): as "Выход", except that a
    // failure to save the settings is reported on stderr and does not keep the program running.
    void exit_on_request();
    // Writes the settings now, reporting a failure on stderr (the session manager asks for this before logout).
    void save_settings_quietly();

    bool is_in_tray() const { return in_tray; }
    bool is_exit_requested() const { return exit_requested; }

private:
    enum class SaveFailure { Raise, Report };
    void exit_sequence(SaveFailure on_failure);
    void hide_to_tray();
    void add_to_log(const QString& text);
    void show_tray_icon_when_ready();
    bool can_hide_to_tray() const;

    boost::signals2::scoped_connection status_connection;
    boost::signals2::scoped_connection note_connection;
    bool exit_requested = false;
    bool in_tray = false;
    bool tray_activated = false;
    bool exit_running = false;
    std::function<bool()> tray_host;
};

// The application's main window while it exists.
extern TMainForm* MainForm;

// The locale's long time format without its time-zone field: hours, minutes and seconds only.
QString long_time_format(const QLocale& locale);

enum class StatusMark { None, Failure };

// The 16 x 16 status image: three letters on a field of `colour`, struck through for a failure; drawn at `ratio`
// device pixels per pixel, by default the screens'.
QPixmap draw_status_image(const QColor& colour, StatusMark mark, qreal ratio = 0);
