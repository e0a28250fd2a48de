// "Настройки..." in the main window: the settings dialog on the controller's options, fresh for every
// command; the host changes in memory at once and reaches the file only at Exit.
#include "acquisition/Bvsystem.h"
#include "app/MainForm.h"
#include "components/MyButton.h"
#include "components/MyGrid.h"
#include "settings_ui/SimpleOptsDlg.h"
#include "platform/gui/InplaceEdit.h"
#include "tests/app/exe_dir_lock.h"
#include "tests/support/qt_helpers.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString file_text(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

// Hands the settings dialog to `handle` once it is the active modal window.
void when_dialog_shown(std::function<void(TSimpleOptsForm*)> handle) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, handle] {
        if (auto* w = qobject_cast<TSimpleOptsForm*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            handle(w);
        }
    });
    poll->start(20);
}

void type_host(TSimpleOptsForm* dialog, const QString& host) {
    const gui::TRect r = dialog->Grid->CellRect(3, 2);
    QTest::mouseClick(dialog->Grid->viewport(), Qt::LeftButton, {}, QPoint(r.left + 5, r.top + r.height() / 2));
    gui::TInplaceEdit* edit = dialog->Grid->InplaceEditor();
    ASSERT_TRUE(edit && edit->isVisible());
    edit->selectAll();
    QTest::keyClicks(edit, host);
}

class MainFormOptions : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
        system = std::make_unique<BVSystem>(bv_test::closed_port(), 0);
        QFile::remove(QString::fromStdString(system->get_ini_path()));
        form = std::make_unique<TMainForm>([] { return true; });
        form->show();
    }
    void TearDown() override {
        form.reset();
        QFile::remove(QString::fromStdString(system->get_ini_path()));
        system.reset();
    }

    ExeDirLock exe_dir_lock;
    QTemporaryDir home;
    std::unique_ptr<BVSystem> system;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(MainFormOptions, OkChangesTheHostAtOnceAndTheFileOnlyAtExit) {
    QPointer<TSimpleOptsForm> shown;
    bool opened = false;
    when_dialog_shown([&](TSimpleOptsForm* dialog) {
        shown = dialog;
        opened = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("  Настройки"));
        EXPECT_EQ(dialog->parentWidget(), form.get());
        EXPECT_EQ(dialog->Grid->GetCells(3, 2), "localhost");
        type_host(dialog, "127.0.0.2");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    form->mnOptions->trigger();
    ASSERT_TRUE(opened);
    EXPECT_TRUE(shown.isNull()); // destroyed when the command returned
    EXPECT_EQ(system->options().remote_name, "127.0.0.2");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(system->get_ini_path())));

    // A second opening shows the new value; Cancel keeps it.
    when_dialog_shown([&](TSimpleOptsForm* dialog) {
        EXPECT_EQ(dialog->Grid->GetCells(3, 2), "127.0.0.2");
        type_host(dialog, "never");
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    form->mnOptions->trigger();
    EXPECT_EQ(system->options().remote_name, "127.0.0.2");

    form->mnExit->trigger();
    EXPECT_TRUE(file_text(system->get_ini_path()).contains("remote_name=\"127.0.0.2\""));
}

TEST_F(MainFormOptions, ExitFromTheTrayWhileTheDialogIsOpenCancelsItAndSavesTheOldHost) {
    bool was_open = false;
    when_dialog_shown([&](TSimpleOptsForm* dialog) {
        was_open = true;
        type_host(dialog, "typed-but-not-confirmed");
        form->N2->trigger(); // the dialog is left open: the exit ends its loop
    });
    QTimer give_up; // closes a dialog the exit left open, so the checks fail instead of hanging
    give_up.setSingleShot(true);
    QObject::connect(&give_up, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    give_up.start(3000);
    form->mnOptions->trigger();
    EXPECT_TRUE(was_open);
    EXPECT_TRUE(give_up.isActive());
    EXPECT_TRUE(form->is_exit_requested());
    EXPECT_EQ(system->options().remote_name, "localhost");
    EXPECT_TRUE(file_text(system->get_ini_path()).contains("remote_name=\"localhost\""));
}
