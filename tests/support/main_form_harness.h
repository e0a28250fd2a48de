#pragma once
// The main window on a controller of its own, as the program sets them up: the program's title, a data
// directory of the test's own, a short tick.
#include "app/Application.h"
#include "app/MainForm.h"
#include "app/StartupRecord.h"
#include "tests/support/controller_config.h"
#include "tests/support/scratch_dir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <memory>

namespace bv_test {

class main_form_harness : public ::testing::Test {
protected:
    void SetUp() override { set_application_title(QStringLiteral(" Модуль глубины")); }
    void TearDown() override {
        form.reset();
        early.reset();
        system.reset();
    }
    // The controller on `port`, then the window; `tray_host` says whether there is a notification area.
    void make(quint16 port, bool tray_host = true, int tick_ms = 100) {
        system = std::make_unique<BVSystem>(own_config(port, tick_ms));
        form = std::make_unique<TMainForm>([tray_host] { return tray_host; });
    }
    // As the program starts: the controller's first attempt under way before the window is built, which then
    // shows what the controller said meanwhile. The record lives on, as the program's does.
    void make_started_first(quint16 port) {
        system = std::make_unique<BVSystem>(own_config(port, 100));
        early = std::make_unique<StartupRecord>(*system);
        system->start();
        system->connect();
        system->await_lookup(1000);
        form = std::make_unique<TMainForm>([] { return true; });
        form->show_earlier(*early);
    }

    // The controller's settings file: whether there is one, and what it holds (empty when there is none).
    bool has_ini() const { return QFile::exists(QString::fromStdString(system->get_ini_path())); }
    QString ini_text() const { return QString::fromStdString(read_file(system->get_ini_path())); }

    std::unique_ptr<BVSystem> system;
    std::unique_ptr<StartupRecord> early;
    std::unique_ptr<TMainForm> form;
};

} // namespace bv_test
