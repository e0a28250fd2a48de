// The main window against the real acquisition controller on loopback.
#include "acquisition/Bvsystem.h"
#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/MainForm.h"
#include "gui/FormBase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/support/main_form_harness.h"
#include "tests/support/modal_window.h"
#include "tests/support/qt_helpers.h"
#include <cstdlib>
#include <memory>

namespace {

using bv_test::closed_port;
using bv_test::wait_for;
using bv_test::when_modal_shown;

QStringList log_lines(const TMainForm& form) {
    return form.memLog->toPlainText().split(u'\n', Qt::SkipEmptyParts);
}

// The text after the time stamp, checking the stamp's shape on the way.
QString logged_text(const QString& line) {
    static const QRegularExpression stamped(QStringLiteral("^(\\d{2}:\\d{2}:\\d{2}): (.*)$"));
    const auto m = stamped.match(line);
    EXPECT_TRUE(m.hasMatch()) << line.toStdString();
    return m.captured(2);
}

QImage as_image(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Index of the image list entry the tray icon shows, -1 for none of them.
int tray_image_index(const TMainForm& form) {
    if (form.TrayIcon->icon().isNull())
        return -1;
    const QImage shown = as_image(form.TrayIcon->icon().pixmap(16, 16));
    for (int i = 0; i < form.ImageList.size(); ++i)
        if (shown == as_image(form.ImageList[i]))
            return i;
    return -1;
}

class MainFormTest : public bv_test::main_form_harness {
protected:
    QString status_text() const { return form->stbarPanel0->text(); }
};

// Pixels whose lightness differs clearly between two images of one size: what an eye without red and green
// still tells apart.
int pixels_apart_in_lightness(const QImage& a, const QImage& b) {
    int apart = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            apart += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64 && qAlpha(a.pixel(x, y)) > 128 &&
                     qAlpha(b.pixel(x, y)) > 128;
    return apart;
}

TEST_F(MainFormTest, FailureTrayImageHasAShapeOfItsOwnAtOneAndTwoTimes) {
    make(closed_port());
    const QImage failed = as_image(form->ImageList[0]), working = as_image(form->ImageList[1]);
    EXPECT_GE(pixels_apart_in_lightness(failed, working), 16 * 16 / 10);
    const QImage failed2 = as_image(draw_status_image(QColor(0xE0, 0x10, 0x10), StatusMark::Failure, 2));
    const QImage working2 = as_image(draw_status_image(QColor(0x10, 0xA0, 0x10), StatusMark::None, 2));
    ASSERT_EQ(failed2.size(), QSize(32, 32));
    EXPECT_GE(pixels_apart_in_lightness(failed2, working2), 32 * 32 / 10);
}

TEST_F(MainFormTest, StartShowsConnectingBeforeTheWindowIsShown) {
    make(closed_port());
    EXPECT_FALSE(form->isVisible());
    const QStringList lines = log_lines(*form);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(logged_text(lines[0]), "Пытаюсь подключиться к программе регистрации...");
    EXPECT_EQ(status_text(), "Подключение...");
    EXPECT_EQ(form->TrayIcon->toolTip(), "Подключение...");
    EXPECT_EQ(tray_image_index(*form), 0);
    EXPECT_TRUE(form->TrayIcon->isVisible());
    EXPECT_EQ(form->windowTitle(), " Модуль глубины для забойной системы");
}

TEST_F(MainFormTest, RegistryFailureIsLoggedBeforeConnecting) {
    // A plain file where the configuration directory should be: the install location cannot be written.
    QFile blocker(QString::fromStdString(bv_test::test_home() + "/.config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The window starting the controller itself, or shown after the program started it (the controller is
    // not started twice: the failure is logged once).
    for (const bool started_first : {false, true}) {
        SCOPED_TRACE(started_first ? "started before the window" : "started by the window");
        started_first ? make_started_first(closed_port()) : make(closed_port());
        const QStringList lines = log_lines(*form);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(logged_text(lines[0]), "Ошибка записи в реестр. Недостаточно прав для записи");
        EXPECT_EQ(logged_text(lines[1]), "Пытаюсь подключиться к программе регистрации...");
        EXPECT_EQ(status_text(), "Подключение...");
        EXPECT_EQ(tray_image_index(*form), 0);
        if (started_first) {
            // Once shown, the record keeps nothing of what the controller says later, for months.
            ASSERT_TRUE(bv_test::wait_for([&] { return log_lines(*form).size() > 2; }, 5000));
            EXPECT_TRUE(early->take().empty());
        }
        form.reset();
        early.reset();
        system.reset();
    }
}

struct ViewCase {
    Status status;
    const char* short_text;
    const char* long_text;
    int image;
};

TEST_F(MainFormTest, EveryStatusReachesStatusBarLogAndTray) {
    const ViewCase cases[] = {
        {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
        {Status::Disconnecting, "Отключение...", "Пытаюсь отключится от программы регистрации", 1},
        {Status::ConnectFailed, "Ошибка", "Произошла ошибка при подключении к программе регистрации!", 0},
        {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
        {Status::ExchangeFailed, "Ошибка", "Ошибка обмена данными с программой регистрации", 0},
        {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
        {Status::Disconnected, "Отключено", "Соединение разорвано", 0},
        {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
        {Status::RegistryFailed, "Ошибка", "Ошибка записи в реестр. Недостаточно прав для записи", 0},
        {Status::Working, "Работа", "Подключение установлено. Начинаю работу.", 1},
        {Status::Paused, "Пауза", "Перехожу в режим паузы", 0},
        {Status::Connecting, "Подключение...", "Пытаюсь подключиться к программе регистрации...", 0},
    };
    make(closed_port());
    ASSERT_EQ(form->ImageList.size(), 2);
    const QColor red = as_image(form->ImageList[0]).pixelColor(1, 8);
    const QColor green = as_image(form->ImageList[1]).pixelColor(1, 8);
    EXPECT_TRUE(red.red() > 180 && red.green() < 80) << red.name().toStdString();
    EXPECT_TRUE(green.green() > 120 && green.red() < 80) << green.name().toStdString();
    // The field fills the image to its edges, with rounded corners.
    for (QPoint at : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15), QPoint(0, 8), QPoint(15, 8)})
        EXPECT_EQ(as_image(form->ImageList[0]).pixelColor(at).alpha() > 128, at.y() == 8) << at.x() << "," << at.y();
    for (const ViewCase& c : cases) {
        // Through the controller's notification, as the controller raises it.
        system->status_changed(c.status);
        EXPECT_EQ(status_text(), c.short_text) << int(c.status);
        EXPECT_EQ(logged_text(log_lines(*form).last()), c.long_text) << int(c.status);
        EXPECT_EQ(form->TrayIcon->toolTip(), c.short_text) << int(c.status);
        EXPECT_EQ(tray_image_index(*form), c.image) << int(c.status);
    }
}

TEST_F(MainFormTest, UnknownStatusShowsQuestionMarksAndLeavesTheTray) {
    make(closed_port());
    system->status_changed(Status::Working);
    for (Status unknown : {Status::Idle, static_cast<Status>(9), static_cast<Status>(200)}) {
        system->status_changed(unknown);
        EXPECT_EQ(status_text(), "???");
        EXPECT_EQ(logged_text(log_lines(*form).last()), "???");
        EXPECT_EQ(form->TrayIcon->toolTip(), "Работа");
        EXPECT_EQ(tray_image_index(*form), 1);
    }
}

TEST_F(MainFormTest, LogLineCarriesTheTimeOfDayAndTheLogKeepsTheNewestLines) {
    make(closed_port());
    const int before = form->memLog->document()->blockCount();
    const QTime start = QTime::currentTime();
    for (int i = 0; i < 3000; ++i)
        system->status_changed(i % 2 ? Status::Working : Status::Paused);
    EXPECT_EQ(form->memLog->document()->blockCount(), before + 3000);
    EXPECT_EQ(logged_text(form->memLog->document()->firstBlock().text()),
              "Пытаюсь подключиться к программе регистрации...");
    for (int i = 0; i < LogView::max_lines; ++i)
        system->status_changed(i % 2 ? Status::Working : Status::Paused);
    EXPECT_EQ(form->memLog->document()->blockCount(), LogView::max_lines);
    EXPECT_EQ(logged_text(form->memLog->document()->firstBlock().text()), "Перехожу в режим паузы");

    const QString last = log_lines(*form).last();
    const QTime stamped = QTime::fromString(last.left(8), QStringLiteral("HH:mm:ss"));
    ASSERT_TRUE(stamped.isValid()) << last.toStdString();
    const int drift = start.secsTo(stamped);
    EXPECT_TRUE(drift >= -1 && drift <= 60) << drift; // generous; midnight is not expected during a test run

    // The session's log on standard error keeps every line.
    testing::internal::CaptureStderr();
    system->status_changed(Status::Working);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), log_lines(*form).last().toStdString() + "\n");
}

TEST(LongTimeFormat, KeepsTimeOfDayFieldsOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"C", "HH:mm:ss"},     {"ru_RU", "HH:mm:ss"},     {"en_US", "h:mm:ss AP"},
        {"zh_CN", "HH:mm:ss"}, {"bg_BG", "H:mm:ss 'ч'."}, {"fi_FI", "H.mm.ss"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(long_time_format(QLocale(QString::fromLatin1(name))), expected) << name;
}

TEST_F(MainFormTest, DesignValues) {
    make(closed_port());
    const auto texts = [](const QMenu* menu) {
        QStringList out;
        for (const QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    QStringList top;
    for (const QAction* a : form->MainMenu1->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"Файл", "Справка"}));
    EXPECT_EQ(texts(form->N1), QStringList({"Настройки...", "-", "Выход"}));
    EXPECT_EQ(texts(form->Cghfdrf1), QStringList({"О программе..."}));
    EXPECT_EQ(texts(form->ppmnTray), QStringList({"Выход"}));
    EXPECT_EQ(form->TrayIcon->contextMenu(), form->ppmnTray);

    EXPECT_TRUE(form->memLog->isReadOnly());
    EXPECT_EQ(form->memLog->font().family(), "Lucida Console");
    EXPECT_EQ(form->memLog->font().pointSize(), 9);
    EXPECT_EQ(form->stbarPanel0->width(), gui::design_px(400));
    EXPECT_EQ(form->stbarMain->height(), gui::design_px(25));

    form->show();
    ASSERT_TRUE(wait_for([&] { return form->isVisible(); }));
    EXPECT_EQ(form->width(), gui::design_px(535));
    EXPECT_EQ(form->centralWidget()->height() + form->stbarMain->height(), gui::design_px(277));

    // Long lines start the log at its left edge.
    system->status_changed(Status::ConnectFailed);
    system->status_changed(Status::RegistryFailed);
    QCoreApplication::processEvents();
    EXPECT_GT(form->memLog->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(form->memLog->horizontalScrollBar()->value(), 0);

    // The rendered status bar shows the status text.
    QImage image(form->size(), QImage::Format_ARGB32);
    form->render(&image);
    const QRect panel(form->stbarPanel0->mapTo(form.get(), QPoint(0, 0)), form->stbarPanel0->size());
    const QRgb face = image.pixel(panel.right() - 2, panel.center().y());
    int ink = 0;
    for (int y = panel.top(); y <= panel.bottom(); ++y)
        for (int x = panel.left(); x < panel.left() + 120; ++x)
            ink += image.pixel(x, y) != face;
    EXPECT_GT(ink, 30);
}

TEST_F(MainFormTest, AboutBoxIsFreshForEveryCommand) {
    make(closed_port());
    form->show();
    QList<QPointer<TAboutForm>> shown;
    for (int i = 0; i < 2; ++i) {
        when_modal_shown<TAboutForm>([&](TAboutForm* about) {
            shown << about;
            EXPECT_EQ(about->parentWidget(), form.get());
            about->SetModalResult(gui::mrOk);
        });
        form->mnAbout->trigger();
    }
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].isNull() && shown[1].isNull()); // destroyed when the command returned
    EXPECT_TRUE(form->findChildren<TAboutForm*>().isEmpty());
}

TEST_F(MainFormTest, ClosingHidesToTrayAndDoubleClickToggles) {
    make(closed_port());
    form->show();
    ASSERT_TRUE(wait_for([&] { return form->isVisible(); }));

    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->is_in_tray());
    EXPECT_TRUE(form->TrayIcon->isVisible());

    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_FALSE(form->is_in_tray());

    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->is_in_tray());

    // A single click is not a double click.
    emit form->TrayIcon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(form->is_in_tray());

    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    // The ordinary minimise keeps the window out of the tray; a double click then hides it there.
    form->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->is_in_tray());
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form->is_in_tray());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->is_exit_requested());

    // An enabled default item of the tray menu would take the double click instead; a disabled one would not.
    QAction* extra = form->ppmnTray->addAction(QStringLiteral("extra"));
    int triggered = 0;
    QObject::connect(extra, &QAction::triggered, [&] { ++triggered; });
    form->ppmnTray->setDefaultAction(extra);
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(triggered, 1);
    EXPECT_TRUE(form->is_in_tray());
    extra->setEnabled(false);
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(triggered, 1);
    EXPECT_FALSE(form->is_in_tray());
}

TEST_F(MainFormTest, WithoutNotificationAreaClosingMinimises) {
    make(closed_port(), false);
    form->show();
    ASSERT_TRUE(wait_for([&] { return form->isVisible(); }));
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(form->is_in_tray());
    EXPECT_FALSE(form->is_exit_requested());

    // Without a probe of its own the window asks the platform.
    form.reset();
    form = std::make_unique<TMainForm>();
    system->status_changed(Status::Working); // the tray icon shows
    form->show();
    form->close();
    EXPECT_EQ(form->is_in_tray(), QSystemTrayIcon::isSystemTrayAvailable());
}

// A station that accepts and keeps connections but never answers.
struct SilentStation {
    QTcpServer server;
    QList<QTcpSocket*> peers;
    SilentStation() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection())
                peers << s;
        });
    }
    bool peer_gone() const { return !peers.isEmpty() && peers.last()->state() == QAbstractSocket::UnconnectedState; }
};

TEST_F(MainFormTest, ExitFromTrayMenuWhileHiddenStopsAndSaves) {
    SilentStation station;
    make(station.server.serverPort());
    form->show();
    ASSERT_TRUE(wait_for([&] { return status_text() == "Работа"; }));
    EXPECT_EQ(tray_image_index(*form), 1);
    form->close();
    ASSERT_TRUE(form->is_in_tray());
    ASSERT_FALSE(has_ini());

    form->N2->trigger();
    EXPECT_TRUE(form->is_exit_requested());
    EXPECT_FALSE(form->isVisible());
    EXPECT_NE(system->get_status(), Status::Working);
    QStringList texts;
    for (const QString& line : log_lines(*form))
        texts << logged_text(line);
    const int disconnecting = texts.indexOf("Пытаюсь отключится от программы регистрации");
    ASSERT_GE(disconnecting, 0);
    EXPECT_EQ(texts.mid(disconnecting + 1, 1), QStringList({"Соединение разорвано"}));
    const QString ini = ini_text();
    EXPECT_TRUE(ini.contains(QRegularExpression(QStringLiteral("^\\[main\\]\\r?\\nremote_name=\"localhost\"\\r?\\n"))))
        << ini.toStdString();
    EXPECT_TRUE(wait_for([&] { return station.peer_gone(); }));

    // A repeated request (a signal arriving after "Выход") changes nothing.
    const int lines = log_lines(*form).size();
    form->exit_on_request();
    EXPECT_EQ(log_lines(*form).size(), lines);
}

TEST_F(MainFormTest, ExitFromTrayMenuWhileTheAboutBoxIsOpenEndsItsLoopAndSaves) {
    make(closed_port());
    form->show();
    bool about_was_open = false;
    when_modal_shown<TAboutForm>([&](TAboutForm*) {
        about_was_open = true;
        form->N2->trigger(); // the box is left open: the exit must end its loop
    });
    const bv_test::modal_deadline give_up(3000); // a box the exit left open fails the checks below
    QElapsedTimer t;
    t.start();
    form->mnAbout->trigger();
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_TRUE(about_was_open);
    EXPECT_TRUE(form->is_exit_requested());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(ini_text().contains("remote_name=\"localhost\""));
}

TEST_F(MainFormTest, FailedSaveIsShownAndKeepsTheProgramRunning) {
    make(closed_port());
    form->show();
    // A directory where the settings file goes: it cannot be replaced.
    const QString ini_path = QString::fromStdString(system->get_ini_path());
    ASSERT_TRUE(QDir().mkpath(ini_path));
    QString title, text;
    when_modal_shown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    form->mnExit->trigger();
    QDir(ini_path).removeRecursively();
    EXPECT_EQ(title, " Модуль глубины");
    EXPECT_TRUE(text.startsWith("Unable to write to ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Borevane.ini")) << text.toStdString();
    EXPECT_FALSE(form->is_exit_requested());
    EXPECT_TRUE(form->isVisible());

    // The quiet variant reports on stderr and ends the program anyway.
    ASSERT_TRUE(QDir().mkpath(ini_path));
    form->exit_on_request();
    QDir(ini_path).removeRecursively();
    EXPECT_TRUE(form->is_exit_requested());
    EXPECT_FALSE(form->isVisible());
}

} // namespace
