#include "tools/ValuesMonitor.h"

#include "acquisition/core/output_file.h"
#include "components/Indicator.h"
#include "components/QVVirtualGrid.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {

// In file order.
const std::array<const char*, 6> parameter_titles = {
    "Глубина забоя, м",       "Глубина долота, м",      "Вес на крюке, т",
    "Положение тальблока, м", "Давление на входе, атм", "Механическая скорость, м/ч",
};

constexpr int min_value_width = 110;

} // namespace

// A read-only display: no cell is ever drawn as selected, so the current cell does not stand out.
class TValuesMonitor::values_grid : public TQVVirtualGrid {
public:
    using TQVVirtualGrid::TQVVirtualGrid;
    gui::TFont text_font;
    // Measuring hands the cell handler grid rows, drawing data rows (see TQVVirtualGrid).
    bool measuring = false;
    int data_row(int row) const { return measuring ? row - FixedRows() : row; }

protected:
    void DrawCell(int col, int row, const TRect& rect, gui::TGridDrawState state) override {
        TQVVirtualGrid::DrawCell(col, row, rect, state & ~gui::gdSelected);
    }
};

TValuesMonitor::TValuesMonitor(std::string path, QWidget* parent)
    : QWidget(parent), path_(std::move(path)), file_lock_(output_file_name) {
    setWindowTitle("Значения модуля глубины");
    auto* layout = new QVBoxLayout(this);

    grid_ = new values_grid(this);
    grid_->SetColCount(2);
    grid_->SetRowCount(1 + static_cast<int>(parameter_titles.size()));
    grid_->SetFixedCols(0);
    grid_->SetFixedRows(1);
    grid_->SetOptions(gui::goFixedVertLine | gui::goFixedHorzLine | gui::goVertLine | gui::goHorzLine);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->CorrectRowHeight();
    grid_->text_font = {grid_->font(), gui::clWindowText};
    const int row_pitch = grid_->DefaultRowHeight() + grid_->GridLineWidth();
    grid_->setFixedHeight(grid_->RowCount() * row_pitch + 2 * grid_->frameWidth());
    grid_->VGGetFixedParams = [](QObject*, int col, int, QVariant& value, TVGCellProperty&) {
        value = QString(col == 0 ? "Параметр" : "Значение");
    };
    grid_->VGGetCellParams = [this](QObject*, int col, int row, QVariant& value, TVGCellProperty& prop) {
        prop.Font = &grid_->text_font;
        prop.Color = gui::clWindow;
        row = grid_->data_row(row);
        if (row < 0 || row >= static_cast<int>(parameter_titles.size()))
            return;
        if (col == 0) {
            value = QString::fromUtf8(parameter_titles[static_cast<std::size_t>(row)]);
        } else if (shown_) {
            value = static_cast<double>((*shown_)[static_cast<std::size_t>(row)]);
            prop.Alignment = gui::taRightJustify;
        }
    };
    layout->addWidget(grid_);

    layout->addWidget(new QLabel(QString::fromUtf8(parameter_titles[rop_index]), this));
    rop_bar_ = new TIndicator(this);
    rop_bar_->SetIndicatorType(itHLine);
    rop_bar_->SetValueLeft(0);
    rop_bar_->SetValueRight(rop_max);
    rop_bar_->AlarmValue = rop_alarm;
    rop_bar_->SetIndicatorColor(0x40B040);
    rop_bar_->SetColor(gui::clWindow);
    rop_bar_->SetDigNum(1);
    rop_bar_->SetCaption("");
    rop_bar_->setFixedHeight(26);
    layout->addWidget(rop_bar_);

    age_label_ = new QLabel(this);
    layout->addWidget(age_label_);
    layout->addStretch();

    connect(&timer_, &QTimer::timeout, this, &TValuesMonitor::refresh);
    timer_.start(1000);
    refresh();
}

TValuesMonitor::~TValuesMonitor() = default;

TQVVirtualGrid* TValuesMonitor::Grid() const {
    return grid_;
}

void TValuesMonitor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh(); // the grid measures its visible rows, which exist only once it is laid out
}

void TValuesMonitor::refresh() {
    last_ = tools::read_output_snapshot(path_, file_lock_);
    QString age_text;
    if (last_.snapshot) {
        shown_ = tools::snapshot_values(*last_.snapshot);
        const double age = last_.snapshot->age_seconds;
        stale_ = !(age <= stale_after_seconds);
        age_text = QString("Файл записан %1 с назад").arg(age, 0, 'f', 1);
        rop_bar_->SetValue((*shown_)[rop_index]);
    } else {
        stale_ = true;
        age_text = QString("Файл не прочитан: %1").arg(QString::fromLocal8Bit(last_.error.c_str()));
    }
    age_label_->setText(age_text);
    QPalette palette = age_label_->palette();
    palette.setColor(QPalette::WindowText, stale_ ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
    age_label_->setPalette(palette);

    grid_->measuring = true;
    grid_->ResizeCols();
    grid_->measuring = false;
    // Room for values yet to come, so the window does not jump when the first one arrives; the
    // values fill what the names leave.
    const int room = grid_->viewport()->width() - grid_->ColWidths(0) - 2 * grid_->GridLineWidth();
    grid_->SetColWidths(1, std::max({grid_->ColWidths(1), min_value_width, room}));
    grid_->setMinimumWidth(grid_->ColWidths(0) + grid_->ColWidths(1) + 2 * grid_->GridLineWidth() +
                           2 * grid_->frameWidth());
    grid_->viewport()->update();
    if (OnRefresh)
        OnRefresh(*this);
}
