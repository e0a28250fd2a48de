// The settings dialog: any option set edited in a property grid, with OK and Cancel. OK hands the
// value cells to the options in memory and nothing else; Cancel and the close button change nothing.
// A new dialog is made for every opening (SimpleOptsHelper) and destroyed after it closes.
#pragma once

#include "gui/FormBase.h"

#include <QMargins>
#include <QString>
#include <memory>

class QShowEvent;
class TMyButton;
class TMyGrid;

namespace gui {
class TPanel;
}

namespace lib {
class grid_options;
class options_base;
class options_list;

// Column count of `grid` = the number of texts before the null entry of `titles` (UTF-8); row 0
// gets them, each cell set only when it differs.
void set_header_titles(TMyGrid* grid, const char* const* titles);
} // namespace lib

class TSimpleOptsForm : public gui::DialogForm {
    Q_OBJECT
public:
    // `options` must outlive the form.
    TSimpleOptsForm(QWidget* owner, lib::options_base* options);
    ~TSimpleOptsForm() override;

    // Shows the options under `caption` modally; true (and the options changed) unless cancelled.
    bool execute(const QString& caption);

    gui::TPanel* pnlBottom;
    TMyButton* btnOk;
    TMyButton* btnCancel;
    TMyGrid* Grid;

    lib::grid_options& grid_editor() const { return *editor; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Rows fitted to their texts, the dialog fitted to the grid within the screen, centred.
    void FormShow();
    // Centred on the screen with the frame as far as it is known, and again once the frame is there.
    void centre_on_screen();
    void centre_when_framed();
    // The frame around the window as Qt knows it now (none before the window manager has framed it).
    QMargins frame_margins() const;

    std::unique_ptr<lib::grid_options> editor;
    std::unique_ptr<lib::options_list> option_list;
    lib::options_base* options;
};

namespace lib {

// Makes the dialog for one opening, runs it and destroys it.
class SimpleOptsHelper {
public:
    SimpleOptsHelper(QWidget* owner, options_base* options);
    ~SimpleOptsHelper();
    SimpleOptsHelper(const SimpleOptsHelper&) = delete;
    SimpleOptsHelper& operator=(const SimpleOptsHelper&) = delete;

    bool execute(const QString& caption);
    TSimpleOptsForm* form() const { return form_.get(); }

private:
    std::unique_ptr<TSimpleOptsForm> form_;
};

} // namespace lib
