#include "app/MainForm.h"
#include "app/StartupRecord.h"

#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/LogView.h"
#include "gui/Controlworks.h"
#include "gui/PopupForm.h"
#include "settings_ui/SimpleOptsDlg.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>
#include <stdexcept>

TMainForm* MainForm = nullptr;

namespace {

struct StatusView {
    Status status;
    const char* short_text; // nullptr marks the end of the table
    const char* long_text;
    int image;
};

// Searched in this order; the first matching row wins.
const StatusView status_views[] = {
    {Status::Connecting, "Подключение...", "Пытаюсь подключиться к программе регистрации...", 0},
    {Status::ConnectFailed, "Ошибка", "Произошла ошибка при подключении к программе регистрации!", 0},
    {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
    {Status::Disconnecting, "Отключение...", "Пытаюсь отключится от программы регистрации", 1},
    {Status::ExchangeFailed, "Ошибка", "Ошибка обмена данными с программой регистрации", 0},
    {Status::Disconnected, "Отключено", "Соединение разорвано", 0},
    {Status::RegistryFailed, "Ошибка", "Ошибка записи в реестр. Недостаточно прав для записи", 0},
    {Status::Paused, "Пауза", "Перехожу в режим паузы", 0},
    {Status::Idle, nullptr, nullptr, 0},
};

const char* const unknown_status_text = "???";
// The notification area shows at most this much of a tip.
const int tray_tip_limit = 63;

BVSystem& acquisition() {
    BVSystem* system = BVSystem::instance();
    if (!system)
        throw std::logic_error("The acquisition controller does not exist");
    return *system;
}

} // namespace

QString long_time_format(const QLocale& locale) {
    // Qt's long format appends the time zone ('t' fields), which a time-of-day log line does not carry.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        while (i + 1 < format.size() && format[i + 1].isSpace())
            ++i;
    }
    return out.trimmed();
}

// Drawn at the screens' pixel ratio (unless one is given), so that a scaled screen shows it sharp rather than
// enlarged.
QPixmap draw_status_image(const QColor& colour, StatusMark mark, qreal ratio) {
    if (ratio <= 0)
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap image(QSize(16, 16) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(7);
    font.setBold(true);
    font.setStretch(QFont::Condensed);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("ГЛБ"));
    if (mark == StatusMark::Failure) {
        // A white bar struck across the field, edged in black so it stands out on any colour: a failure tells
        // itself from working by shape, for an eye that cannot tell red from green, at 16 pixels as at 2x.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 4.2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14.2, 1.8), QPointF(1.8, 14.2));
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(14.2, 1.8), QPointF(1.8, 14.2));
    }
    return image;
}

TMainForm::TMainForm(std::function<bool()> tray_host_probe, QWidget* owner)
    : gui::MainWindowForm(owner), tray_host(std::move(tray_host_probe)) {
    if (!tray_host)
        tray_host = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    MainForm = this;
    set_main_form(true);

    setWindowTitle(QStringLiteral(" Модуль глубины для забойной системы"));

    memLog = new LogView(this);
    memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCentralWidget(memLog);

    stbarMain = new QStatusBar(this);
    stbarMain->setFixedHeight(gui::design_px(25));
    stbarPanel0 = new QLabel(stbarMain);
    stbarPanel0->setFixedWidth(gui::design_px(400));
    stbarMain->addWidget(stbarPanel0);
    setStatusBar(stbarMain);

    ImageList = {draw_status_image(QColor(0xE0, 0x10, 0x10), StatusMark::Failure),
                 draw_status_image(QColor(0x10, 0xA0, 0x10), StatusMark::None)};

    ppmnTray = new QMenu(this);
    N2 = ppmnTray->addAction(QStringLiteral("Выход"));
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setContextMenu(ppmnTray);

    // A controller not started yet (the program starts it before building the window) starts before the rest
    // of the window is built: its look-up runs meanwhile. What shows its statuses exists already.
    status_connection = acquisition().status_changed.connect([this](Status s) { on_status_changed(s); });
    note_connection =
        acquisition().noted.connect([this](const std::string& line) { add_to_log(QString::fromStdString(line)); });
    if (!acquisition().started()) {
        acquisition().start();
        acquisition().connect();
    }

    MainMenu1 = menuBar();
    N1 = MainMenu1->addMenu(QStringLiteral("Файл"));
    mnOptions = N1->addAction(QStringLiteral("Настройки..."));
    N3 = N1->addSeparator();
    mnExit = N1->addAction(QStringLiteral("Выход"));
    Cghfdrf1 = MainMenu1->addMenu(QStringLiteral("Справка"));
    mnAbout = Cghfdrf1->addAction(QStringLiteral("О программе..."));

    connect(mnOptions, &QAction::triggered, this, guarded([this] { mnOptionsClick(); }));
    connect(mnExit, &QAction::triggered, this, guarded([this] { mnExitClick(); }));
    connect(N2, &QAction::triggered, this, guarded([this] { mnExitClick(); }));
    connect(mnAbout, &QAction::triggered, this, guarded([this] { mnAboutClick(); }));
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::DoubleClick)
            return;
        // A default item of the tray menu takes the double click; without one the window toggles.
        QAction* default_item = ppmnTray->defaultAction();
        if (default_item && default_item->isEnabled())
            default_item->trigger();
        else
            run_guarded([this] { TrayIconDblClick(); });
    });

    apply_form_style(this);
    // The client area excludes the menu bar, as the design measures it; measured in the styled font.
    resize(gui::design_px(535), gui::design_px(277) + MainMenu1->sizeHint().height());
    // At its designed place, moved just enough to lie on the screen (a scaled screen may be smaller than the
    // design's).
    const QPoint designed(gui::design_px(364), gui::design_px(327));
    const QScreen* screen = QGuiApplication::primaryScreen();
    move(screen ? gui::fit_into(designed, size(), screen->availableGeometry()) : designed);

    tray_activated = true;
    show_tray_icon_when_ready();
}

TMainForm::~TMainForm() {
    status_connection.disconnect();
    note_connection.disconnect();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::on_status_changed(Status s) {
    QString short_text = QString::fromLatin1(unknown_status_text);
    QString long_text = short_text;
    for (const StatusView* view = status_views; view->short_text; ++view) {
        if (view->status != s)
            continue;
        short_text = QString::fromUtf8(view->short_text);
        long_text = QString::fromUtf8(view->long_text);
        TrayIcon->setIcon(QIcon(ImageList.at(view->image)));
        TrayIcon->setToolTip(short_text.left(tray_tip_limit));
        show_tray_icon_when_ready();
        break;
    }
    stbarPanel0->setText(short_text);
    add_to_log(long_text);
}

void TMainForm::show_earlier(StartupRecord& record) {
    for (const auto& said : record.take()) {
        if (said.status)
            on_status_changed(*said.status);
        else
            add_to_log(QString::fromStdString(said.note));
    }
}

void TMainForm::add_to_log(const QString& text) {
    const QLocale locale = QLocale::system();
    const QString line = locale.toString(QTime::currentTime(), long_time_format(locale)) + QStringLiteral(": ") + text;
    memLog->append_line(line);
    // The window keeps only the newest lines; the session's log (standard error) keeps them all.
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

void TMainForm::show_tray_icon_when_ready() {
    // Until a known status gave it an image, the icon has nothing to show.
    if (tray_activated && !TrayIcon->icon().isNull() && !TrayIcon->isVisible())
        TrayIcon->show();
}

bool TMainForm::can_hide_to_tray() const {
    return TrayIcon->isVisible() && tray_host();
}

void TMainForm::hide_to_tray() {
    showMinimized();
    QCoreApplication::processEvents();
    hide();
    in_tray = true;
}

void TMainForm::FormClose(gui::CloseAction& action) {
    if (exit_requested) {
        action = gui::CloseAction::Free;
    } else if (can_hide_to_tray()) {
        action = gui::CloseAction::None;
        hide_to_tray();
    } else {
        // Without a notification area a hidden window could never come back.
        action = gui::CloseAction::Minimize;
    }
}

void TMainForm::TrayIconDblClick() {
    if (!in_tray) {
        hide_to_tray();
        return;
    }
    bring_to_front();
}

void TMainForm::bring_to_front() {
    if (exit_requested)
        return;
    show();
    QCoreApplication::processEvents();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    QCoreApplication::processEvents();
    show();
    raise();
    in_tray = false;
    // A modal dialog open over the window comes along, in front: left minimised or behind, it would keep the
    // window locked by something nobody sees.
    QDialog* modal = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog->parentWidget() == this && dialog->windowModality() != Qt::NonModal && !dialog->isHidden())
            modal = dialog;
    }
    if (!modal) {
        activateWindow();
        return;
    }
    modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->show();
    // The focus and the top go to the dialog once the window is on the screen again: a window manager gives them
    // to a window it has just mapped, after anything asked before.
    auto* watch = new QTimer(this);
    watch->setInterval(10);
    QElapsedTimer since;
    since.start();
    connect(watch, &QTimer::timeout, this, [this, watch, since, dialog = QPointer<QDialog>(modal)] {
        const bool mapped = windowHandle() && windowHandle()->isExposed();
        if (dialog && mapped) {
            dialog->raise();
            dialog->activateWindow();
        }
        if (!dialog || mapped || since.elapsed() > 2000) {
            watch->stop();
            watch->deleteLater();
        }
    });
    watch->start();
}

// The dialog edits the controller's options in memory: the next connection attempt takes the new host, and
// the file is written at Exit. Whether OK or Cancel closed it makes no difference here.
void TMainForm::mnOptionsClick() {
    lib::SimpleOptsHelper helper(this, &acquisition().options());
    // Modal to the main window only, as the About box: the tray menu's "Выход" stays usable meanwhile.
    helper.form()->setWindowModality(Qt::WindowModal);
    helper.execute(QStringLiteral("  Настройки"));
}

void TMainForm::mnAboutClick() {
    const auto about = std::make_unique<TAboutForm>(this);
    // Modal to the main window only: the tray icon and its menu stay usable, so "Выход" works meanwhile.
    about->setWindowModality(Qt::WindowModal);
    about->ShowModal();
}

void TMainForm::mnExitClick() {
    exit_sequence(SaveFailure::Raise);
}

void TMainForm::exit_on_request() {
    exit_sequence(SaveFailure::Report);
}

void TMainForm::save_settings_quietly() {
    try {
        acquisition().save_options();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", exception_message(e).toLocal8Bit().constData());
    }
}

void TMainForm::exit_sequence(SaveFailure on_failure) {
    // stop() processes events while it waits, so a second request (a signal, the other "Выход") can arrive
    // inside the first; it is the same exit and is dropped.
    if (exit_running || exit_requested)
        return;
    exit_running = true;
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{exit_running};

    acquisition().stop();
    if (on_failure == SaveFailure::Raise)
        acquisition().save_options();
    else
        save_settings_quietly();
    exit_requested = true;
    // A modal box still open (About, an error message) runs a loop of its own that would keep the program
    // alive: it ends first, as if cancelled.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* modal = qobject_cast<QDialog*>(window);
        if (!modal || !modal->isVisible() || modal->windowModality() == Qt::NonModal)
            continue;
        modal->reject();
        modal->hide();
    }
    close();
}
