#include "tools/monitor/ValuesMonitor.h"

#include "components/FloatFormat.h"
#include "components/Indicator.h"
#include "gui/SingleInstance.h"
#include "library/cp1251.h"
#include "library/ini_file.h"
#include "tools/monitor/BarScale.h"
#include "tools/monitor/TrendStrip.h"
#include "tools/monitor/ValueReadout.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

struct parameter {
    const char* name;
    const char* key;  // in the units file
    const char* unit; // by default: what the usual station sends; the module passes values on unscaled
};

// In file order.
const std::array<parameter, 6> parameters = {{
    {"Глубина забоя", "depth", "м"},
    {"Глубина долота", "bit_depth", "м"},
    {"Вес на крюке", "hook_load", "т"},
    {"Положение тальблока", "block_position", "м"},
    {"Давление на входе", "inlet_pressure", "атм"},
    {"Механическая скорость", "rop", "м/ч"},
}};

const char* const units_section = "Units";

QString stale_mark() {
    return QString::fromUtf8(" (устар.)");
}

// "12,3 с", "5 мин 07 с", "3 ч 12 мин": in the locale's numbers.
QString duration_text(double seconds) {
    if (seconds < 60)
        return QLocale().toString(seconds, 'f', 1) + QString::fromUtf8(" с");
    const long total = std::lround(seconds);
    if (total < 3600)
        return QString::fromUtf8("%1 мин %2 с").arg(total / 60).arg(total % 60, 2, 10, QChar('0'));
    return QString::fromUtf8("%1 ч %2 мин").arg(total / 3600).arg(total / 60 % 60, 2, 10, QChar('0'));
}

// A unit as an installer may have typed it: UTF-8 when the bytes are valid UTF-8, else the INI files' CP1251.
QString unit_text(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(QByteArray::fromStdString(bytes));
    return utf8.hasError() ? QString::fromStdString(lib::cp1251_to_utf8(bytes)) : text;
}

} // namespace

TValuesMonitor::TValuesMonitor(Options options, QWidget* parent) : QWidget(parent), options_(std::move(options)) {
    clock_.start();
    // Once: asking for it every second would repeat Qt's warning each time where the variable is not set.
    instance_dir_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    read_units();
    setWindowTitle("Значения модуля глубины");
    auto* layout = new QVBoxLayout(this);

    // The state over the values: the headline and the line under it on a band of the state's colour.
    band_ = new TStateBand(this);
    band_->Detail()->setWordWrap(true); // a long path must not widen the window
    layout->addWidget(band_);

    // A row per value: the reading, and its last ten minutes across the rest of the row.
    layout->addLayout(ValueRows(this, history_, units_, readouts_, strips_), 1);

    // The bar under the rows' readings, the module's health beside it.
    auto* bottom = new QGridLayout;
    bottom->addWidget(new QLabel(Title(rop_index), this), 0, 0);
    rop_bar_ = new TIndicator(this);
    rop_bar_->SetIndicatorType(itHLine);
    rop_bar_->SetValueRight(rop_max);
    rop_bar_->AlarmValue = rop_alarm;
    rop_bar_->SetIndicatorColor(bar_color);
    rop_bar_->SetColor(gui::clWindow);
    rop_bar_->SetDigNum(1);
    rop_bar_->SetTextShadow(false); // plain text reads best over the bar and greyed
    rop_bar_->SetCaption("");
    rop_bar_->setFixedHeight(26);
    bottom->addWidget(rop_bar_, 1, 0);
    rop_scale_ = new TBarScale(this);
    rop_scale_->SetRange(0, rop_max, rop_step);
    rop_scale_->SetAlarm(rop_alarm);
    bottom->addWidget(rop_scale_, 2, 0);
    health_label_ = new QLabel(this);
    health_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bottom->addWidget(health_label_, 0, 1, 3, 1);
    bottom->setColumnMinimumWidth(0, readouts_[0]->sizeHint().width());
    bottom->setColumnStretch(1, 1);
    bottom->setHorizontalSpacing(12);
    bottom->setVerticalSpacing(0);
    layout->addLayout(bottom);

    resize(default_width, default_height);
    if (!options_.settings_dir.isEmpty())
        restoreGeometry(
            QSettings(settings_file("borevane_monitor.conf"), QSettings::IniFormat).value("geometry").toByteArray());

    connect(&timer_, &QTimer::timeout, this, &TValuesMonitor::refresh);
    timer_.start(1000);
    refresh();
}

TValuesMonitor::~TValuesMonitor() = default;

QString TValuesMonitor::settings_file(const char* name) const {
    return QDir(options_.settings_dir).filePath(QString::fromLatin1(name));
}

QGridLayout* TValuesMonitor::ValueRows(QWidget* owner, const tools::value_history& history,
                                       const std::array<QString, 6>& units, std::array<TValueReadout*, 6>& readouts,
                                       std::array<TTrendStrip*, 6>& strips) {
    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(2);
    rows->setVerticalSpacing(2);
    for (std::size_t i = 0; i < strips.size(); ++i) {
        readouts[i] = new TValueReadout(owner);
        readouts[i]->SetTitle(ValueName(i), units[i]);
        strips[i] = new TTrendStrip(history, i, owner);
        rows->addWidget(readouts[i], static_cast<int>(i), 0);
        rows->addWidget(strips[i], static_cast<int>(i), 1);
        rows->setRowStretch(static_cast<int>(i), 1);
    }
    rows->setColumnStretch(1, 1);
    // The bit's distance from the bottom: the hole depth behind the bit depth, on the scale both share.
    strips[1]->SetReference(0);
    strips.back()->SetTimeAxis(true);
    return rows;
}

QString TValuesMonitor::ValueName(std::size_t index) {
    return QString::fromUtf8(parameters[index].name);
}

QString TValuesMonitor::Title(std::size_t index) const {
    const QString name = ValueName(index);
    return units_[index].isEmpty() ? name : name + ", " + units_[index];
}

// The station's units are the station's: the module passes its values on unscaled. The file names
// them per value; a missing file is written with the usual ones, so there is one to edit.
void TValuesMonitor::read_units() {
    for (std::size_t i = 0; i < parameters.size(); ++i)
        units_[i] = QString::fromUtf8(parameters[i].unit);
    if (options_.settings_dir.isEmpty())
        return;
    const QString path = settings_file("borevane_monitor.ini");
    lib::ini_file file(QFile::encodeName(path).toStdString());
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(options_.settings_dir);
        try {
            lib::ini_file::batch batch(file);
            for (const parameter& p : parameters)
                file.write(units_section, p.key, lib::utf8_to_1251(p.unit));
            batch.commit();
        } catch (const lib::ini_error&) {
            // A settings folder that cannot be written leaves the defaults; nothing else depends on the file.
        }
        return;
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        units_[i] = unit_text(file.read(units_section, parameters[i].key, lib::utf8_to_1251(parameters[i].unit)));
}

void TValuesMonitor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    show_state(clock_.elapsed() / 1000.0);
}

void TValuesMonitor::closeEvent(QCloseEvent* event) {
    if (!options_.settings_dir.isEmpty()) {
        QSettings settings(settings_file("borevane_monitor.conf"), QSettings::IniFormat);
        settings.setValue("geometry", saveGeometry());
    }
    QWidget::closeEvent(event);
}

void TValuesMonitor::refresh() {
    // Each read is one sample, and the history keeps one sample a millisecond: reads closer than that (a refresh
    // asked for on top of the clock's) are spread a millisecond apart.
    const double now = std::max(clock_.elapsed() / 1000.0, last_read_at_ + 0.001);
    last_read_at_ = now;
    std::string error;
    const auto path = output_file_path(options_.path, error);
    if (path) {
        looked_at_ = *path;
        last_ = reader_.read(*path, options_.lock_wait);
    } else {
        looked_at_.clear();
        last_ = {};
        last_.problem = read_problem::no_install_location;
        last_.error = error;
    }
    state_.read(last_, now);
    if (state_.fresh())
        history_.add(now, *state_.values());
    else
        history_.add_gap(now);
    show_state(now);
    if (OnRefresh)
        OnRefresh(*this);
}

QString TValuesMonitor::detail_text() const {
    using status = tools::monitor_state::status;
    const QString where = QString::fromLocal8Bit(looked_at_.c_str()) +
                          (options_.path.empty() ? QString::fromUtf8(" (по месту установки модуля)") : QString());
    switch (state_.current()) {
    case status::no_location:
        return QString::fromUtf8("Место установки модуля не записано; файл можно указать: --path");
    case status::missing:
        return QString::fromUtf8("Файл не найден: ") + where;
    case status::unreadable:
        return QString::fromUtf8("Файл не читается (%1): ").arg(QString::fromLocal8Bit(state_.error().c_str())) + where;
    case status::wrong_size:
        return QString::fromUtf8("Размер файла %1 байт вместо 24: ").arg(state_.wrong_size()) + where;
    case status::lock_timeout:
        return QString::fromUtf8("Блокировка файла не получена за %1")
            .arg(duration_text(std::chrono::duration<double>(options_.lock_wait).count()));
    case status::stale:
    case status::fresh:
        break;
    }
    const double age = state_.file_age();
    if (age < 0)
        return QString::fromUtf8("Файл записан на %1 позже часов этого компьютера").arg(duration_text(-age));
    return QString::fromUtf8("Файл записан %1 назад").arg(duration_text(age));
}

QString TValuesMonitor::health_text(double now) const {
    QStringList lines;
    if (const auto change = state_.since_change(now))
        lines << (change->seen ? QString::fromUtf8("Значения менялись %1 назад").arg(duration_text(change->seconds))
                               : QString::fromUtf8("Значения не менялись %1 (с начала наблюдения)")
                                     .arg(duration_text(change->seconds)));
    lines << QString::fromUtf8("Чтений за минуту: %1").arg(state_.reads_per_minute(now));
    const auto holder = SingleInstance::running_holder(QString::fromLatin1(module_instance_name), instance_dir_);
    lines << (holder ? QString::fromUtf8("Модуль работает на этом компьютере (процесс %1)").arg(*holder)
                     : QString::fromUtf8("Модуль на этом компьютере не запущен"));
    return lines.join('\n');
}

void TValuesMonitor::show_state(double now) {
    using status = tools::monitor_state::status;
    const bool fresh = state_.fresh();
    const auto& values = state_.values();
    static const std::map<status, const char*> headlines = {
        {status::no_location, "Нет места установки"},
        {status::missing, "Нет файла"},
        {status::unreadable, "Ошибка чтения"},
        {status::wrong_size, "Ошибка файла"},
        {status::lock_timeout, "Файл занят"},
        {status::stale, "Данные устарели"},
        {status::fresh, "Работа"},
    };
    band_->Show(QString::fromUtf8(values ? headlines.at(state_.current()) : "Нет данных"), detail_text(), fresh);
    health_label_->setText(health_text(now));

    if (values) {
        const double rop = (*values)[rop_index];
        // Greyed as the rows are: a light bar under dark grey text, so the number stays legible.
        rop_bar_->SetIndicatorColor(fresh ? bar_color : gui::clBtnFace);
        rop_bar_->SetAlarmColor(fresh ? gui::clRed : TValueReadout::stale_color);
        rop_bar_->SetFontColor(fresh ? TValueReadout::value_color : TValueReadout::stale_color);
        rop_bar_->SetValue(rop);
        rop_bar_->SetCaption(format_fixed(rop, rop_bar_->DigNum()) + (fresh ? QString() : stale_mark()));
    }
    const auto depths = history_.range(0, 1, now);
    for (std::size_t i = 0; i < strips_.size(); ++i) {
        readouts_[i]->SetValue(values ? std::optional<double>((*values)[i]) : std::nullopt, !fresh);
        strips_[i]->SetView(now, i < 2 ? depths : history_.range(i, now), !fresh);
    }
}
