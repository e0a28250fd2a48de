#include "settings_ui/SimpleOptsDlg.h"

#include "components/MyButton.h"
#include "components/MyGrid.h"
#include "gui/Controlworks.h"
#include "gui/InplaceEdit.h"
#include "gui/Panel.h"
#include "gui/SystemColors.h"
#include "library/options.h"
#include "settings_ui/GridOpts.h"

#include <QBoxLayout>
#include <QElapsedTimer>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace {

const char* const header_titles[] = {"№", "Название", "Ед.изм.", "               Значение               ", nullptr};
const int designed_col_widths[] = {41, 127, 89, 151};

} // namespace

namespace lib {

void set_header_titles(TMyGrid* grid, const char* const* titles) {
    int count = 0;
    while (titles[count])
        ++count;
    grid->SetColCount(count);
    for (int col = 0; col < count; ++col)
        grid->SetCells(col, 0, QString::fromUtf8(titles[col]));
}

SimpleOptsHelper::SimpleOptsHelper(QWidget* owner, options_base* options)
    : form_(std::make_unique<TSimpleOptsForm>(owner, options)) {}

SimpleOptsHelper::~SimpleOptsHelper() = default;

bool SimpleOptsHelper::execute(const QString& caption) {
    return form_->execute(caption);
}

} // namespace lib

TSimpleOptsForm::TSimpleOptsForm(QWidget* owner, lib::options_base* options)
    : gui::DialogForm(owner), option_list(std::make_unique<lib::options_list>()), options(options) {
    setWindowTitle(QStringLiteral("SimpleOptsForm"));
    // A dialog border: not resizable by the user.
    // Only the hints given, so a window manager offers neither minimise nor maximise: a fixed-size modal dialog
    // minimised would leave its owner locked behind a window nobody sees.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    gui::offer_no_minimise(this);
    if (owner)
        setFont(owner->font());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, gui::to_qcolor(gui::clBtnFace));
    setPalette(palette);
    setFixedSize(gui::design_px(443), gui::design_px(291));

    pnlBottom = new gui::TPanel(this);
    pnlBottom->SetBevelOuter(gui::bvNone);
    pnlBottom->setFixedHeight(gui::design_px(45));
    btnOk = new TMyButton(pnlBottom);
    btnOk->setFixedSize(gui::design_px(81), gui::design_px(31));
    btnOk->SetCaption(QStringLiteral("OK"));
    btnOk->SetModalResult(mbmrOk);
    btnOk->SetDefault(true);
    btnCancel = new TMyButton(pnlBottom);
    btnCancel->setFixedSize(gui::design_px(86), gui::design_px(31));
    btnCancel->SetCaption(QStringLiteral("Отмена"));
    btnCancel->SetModalResult(mbmrCancel);
    btnCancel->Cancel = true;

    // The buttons keep their designed distance to the panel's top and right edges.
    auto* buttons = new QHBoxLayout(pnlBottom);
    buttons->setContentsMargins(0, gui::design_px(8), gui::design_px(443 - 351 - 86), 0);
    buttons->setSpacing(gui::design_px(351 - 266 - 81));
    buttons->addStretch();
    buttons->addWidget(btnOk, 0, Qt::AlignTop);
    buttons->addWidget(btnCancel, 0, Qt::AlignTop);

    // Created after the buttons: the focus chain follows creation, and the buttons come first in it.
    Grid = new TMyGrid(this);
    Grid->SetColCount(4);
    Grid->SetFlat(true);
    Grid->SetDefaultRowHeight(gui::design_px(22));
    Grid->SetFixedCols(0);
    Grid->SetRowCount(2);
    Grid->SetFixedRows(1);
    for (int col = 0; col < 4; ++col)
        Grid->SetColWidths(col, gui::design_px(designed_col_widths[col]));
    Grid->SetOptions(gui::goFixedVertLine | gui::goFixedHorzLine | gui::goVertLine | gui::goHorzLine |
                     gui::goRangeSelect | gui::goEditing | gui::goAlwaysShowEditor | gui::goThumbTracking |
                     gui::goDrawFocusSelected); // the current cell stays highlighted when the grid has the keyboard
    Grid->SetMuteUnfocusedSelection(true);      // and only then

    auto* client = new QVBoxLayout(this);
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);
    client->addWidget(Grid, 1);
    client->addWidget(pnlBottom);
    pnlBottom->hide();

    editor = std::make_unique<lib::grid_options>(Grid);
    apply_form_style(this);
    lib::set_header_titles(Grid, header_titles);
    Grid->SetOptions(Grid->Options() | gui::goThumbTracking);
}

// The members go before the form's base deletes the grid, so the editor takes its handlers off a live grid.
TSimpleOptsForm::~TSimpleOptsForm() = default;

bool TSimpleOptsForm::execute(const QString& caption) {
    setWindowTitle(caption);
    *option_list = lib::options_list();
    options->describe(*option_list);
    editor->fill(*option_list, 1, lib::gc_all);
    Grid->AlignHorizontal();
    if (Grid->RowCount() > Grid->FixedRows() + 2)
        Grid->SetRow(Grid->FixedRows() + 1);
    pnlBottom->show();
    if (ShowModal() == gui::mrCancel)
        return false;
    editor->store();
    return true;
}

void TSimpleOptsForm::showEvent(QShowEvent* event) {
    gui::DialogForm::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSimpleOptsForm::FormShow() {
    // Laid out before the form was shown, the grid may have hidden its in-place editor only in name: hiding
    // an editor whose window is not shown yet leaves it to appear with the form, over a stale cell.
    if (gui::TInplaceEdit* editor = Grid->InplaceEditor(); editor && !Grid->EditorMode())
        editor->hide();
    for (int row = 0; row < Grid->RowCount(); ++row)
        Grid->ResizeRow(row);

    const int line = Grid->GridLineWidth();
    int w = line;
    for (int col = 0; col < Grid->ColCount(); ++col)
        w += Grid->ColWidths(col) + line;
    int h = line;
    for (int row = 0; row < Grid->RowCount(); ++row)
        h += Grid->RowHeights(row) + line;

    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const int scroll_bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int client_height = std::min(h + scroll_bar + pnlBottom->height() + 8, area.height() * 2 / 3);
    // Room for a vertical scroll bar only when the rows need one, so the columns reach the grid's border.
    const bool scrolls = h + pnlBottom->height() + 8 > area.height() * 2 / 3;
    const int client_width = std::min(w + (scrolls ? scroll_bar : 0) + 2 * Grid->frameWidth(), area.width() * 11 / 12);
    setFixedSize(client_width, client_height);
    centre_on_screen();
    centre_when_framed();
}

void TSimpleOptsForm::centre_on_screen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    // To the nearest pixel, not down: at twice the scale a pixel here is two of the screen's, and a frame whose
    // size in them is odd would otherwise sit one and a half of them off the centre.
    move(area.left() + qRound((area.width() - outer.width()) / 2.0),
         area.top() + qRound((area.height() - outer.height()) / 2.0));
}

// A window manager frames the window only once it is on the screen, and no event tells of it. Until then the
// frame Qt reports may be none, or one worked out from a window not yet framed whose size on the server is still
// the old one: a frame of the wrong size. So the frame is watched during the first seconds and the dialog centred
// again each time it changes, whatever comes first and however late the real one arrives.
void TSimpleOptsForm::centre_when_framed() {
    auto* watch = new QTimer(this);
    watch->setInterval(10);
    QElapsedTimer since;
    since.start();
    connect(watch, &QTimer::timeout, this, [this, watch, since, centred_with = frame_margins()]() mutable {
        if (const QMargins now = frame_margins(); now != centred_with) {
            centred_with = now;
            centre_on_screen();
        }
        if (!isVisible() || since.elapsed() > 3000) {
            watch->stop();
            watch->deleteLater();
        }
    });
    watch->start();
}

QMargins TSimpleOptsForm::frame_margins() const {
    const QRect frame = frameGeometry(), inner = geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}
