// "Настройки..." in the main window: the settings dialog on the controller's options, fresh for every
// command; the host changes in memory at once and reaches the file only at Exit.
#include "acquisition/Bvsystem.h"
#include "app/MainForm.h"
#include "components/MyButton.h"
#include "components/MyGrid.h"
#include "settings_ui/SimpleOptsDlg.h"
#include "tests/support/grid_input.h"
#include "tests/support/main_form_harness.h"
#include "tests/support/modal_window.h"
#include "tests/support/qt_helpers.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using bv_test::when_modal_shown;

void type_host(TSimpleOptsForm* dialog, const QString& host) {
    bv_test::type_into_cell(*dialog->Grid, 3, 2, host);
}

class MainFormOptions : public bv_test::main_form_harness {
protected:
    void SetUp() override {
        main_form_harness::SetUp();
        make(bv_test::closed_port(), true, 0);
        form->show();
    }
};

} // namespace

TEST_F(MainFormOptions, OkChangesTheHostAtOnceAndTheFileOnlyAtExit) {
    QPointer<TSimpleOptsForm> shown;
    bool opened = false;
    when_modal_shown<TSimpleOptsForm>([&](TSimpleOptsForm* dialog) {
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
    EXPECT_FALSE(has_ini());

    // A second opening shows the new value; Cancel keeps it.
    when_modal_shown<TSimpleOptsForm>([&](TSimpleOptsForm* dialog) {
        EXPECT_EQ(dialog->Grid->GetCells(3, 2), "127.0.0.2");
        type_host(dialog, "never");
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    form->mnOptions->trigger();
    EXPECT_EQ(system->options().remote_name, "127.0.0.2");

    form->mnExit->trigger();
    EXPECT_TRUE(ini_text().contains("remote_name=\"127.0.0.2\""));
}

TEST_F(MainFormOptions, ExitFromTheTrayWhileTheDialogIsOpenCancelsItAndSavesTheOldHost) {
    bool was_open = false;
    when_modal_shown<TSimpleOptsForm>([&](TSimpleOptsForm* dialog) {
        was_open = true;
        type_host(dialog, "typed-but-not-confirmed");
        form->N2->trigger(); // the dialog is left open: the exit ends its loop
    });
    const bv_test::modal_deadline give_up(3000); // a dialog the exit left open fails the checks
    form->mnOptions->trigger();
    EXPECT_TRUE(was_open);
    EXPECT_FALSE(give_up.fired());
    EXPECT_TRUE(form->is_exit_requested());
    EXPECT_EQ(system->options().remote_name, "localhost");
    EXPECT_TRUE(ini_text().contains("remote_name=\"localhost\""));
}
