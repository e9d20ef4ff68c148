#include "ui/station/StationRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <array>

#include "flash/AccessWord.h"
#include "ui/station/UnitBox.h"

namespace rkt5 {

namespace {

// How each state reads at a glance: green for done, red for a unit to look at, the window's own
// colours while nothing is decided. By state, in State's order.
constexpr std::array<const char*, 4> kLooks{
    "color: palette(placeholder-text);",
    "",
    "background: #d5efd9; color: #0d4f1f; border-radius: 3px;",
    "background: #f7d4d4; color: #861010; border-radius: 3px;",
};

QString styleSheetOf(StationRow::State state) {
    return QString("QLabel { %1 padding: 2px %2px; }")
        .arg(kLooks[static_cast<std::size_t>(state)])
        .arg(kResultPadding);
}

QString orUnknown(const std::string& text) {
    return text.empty() ? QStringLiteral("—") : QString::fromStdString(text);
}

QLabel* cell(QWidget* parent, const QString& objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

StationRow::StationRow(const StationPort& port, QWidget* parent)
    : name_(cell(parent, "name:" + QString::fromStdString(port.device))),
      serial_(cell(parent, "serial:" + QString::fromStdString(port.device))),
      location_(cell(parent, "location:" + QString::fromStdString(port.device))),
      unit_(new UnitBox(parent)),
      bar_(new QProgressBar(parent)),
      result_(cell(parent, "result:" + QString::fromStdString(port.device))),
      start_(new QPushButton(QObject::tr("Start"), parent)) {
    unit_->setObjectName("unit:" + QString::fromStdString(port.device));
    unit_->setPlaceholderText(QObject::tr("type or scan"));
    unit_->setMinimumWidth(110);
    bar_->setObjectName("bar:" + QString::fromStdString(port.device));
    // The bar counts the rows the write reports over the part the update writes. The top block,
    // which holds what the transceiver starts from, is left as it is: the bar ends below it, so
    // that a whole write fills the bar.
    bar_->setRange(FlashImage::kFirstRow, kLastRowBelowTopBlock);
    bar_->setFormat(QStringLiteral("%p %"));
    bar_->setMinimumWidth(160);
    bar_->reset();
    result_->setTextFormat(Qt::RichText);
    result_->setMinimumWidth(220);
    // A long reason goes on over more lines rather than out of sight.
    result_->setWordWrap(true);
    start_->setObjectName("start:" + QString::fromStdString(port.device));
    // Enter presses the button that has the focus, as Space does.
    start_->setAutoDefault(true);
    showPort(port);
}

StationRow::~StationRow() {
    for (QWidget* widget :
         std::initializer_list<QWidget*>{name_, serial_, location_, unit_, bar_, result_, start_}) {
        delete widget;
    }
}

void StationRow::place(QGridLayout& grid, int row) {
    grid.addWidget(name_, row, kPortColumn);
    grid.addWidget(serial_, row, kSerialColumn);
    grid.addWidget(location_, row, kLocationColumn);
    grid.addWidget(unit_, row, kUnitColumn);
    grid.addWidget(bar_, row, kBarColumn);
    grid.addWidget(result_, row, kResultColumn);
    grid.addWidget(start_, row, kStartColumn);
}

std::string StationRow::unit() const {
    return unit_->text().trimmed().toStdString();
}

void StationRow::showPort(const StationPort& port) {
    // Another adapter on the same device is another cable, and another transceiver on it.
    if (port.serialNumber != port_.serialNumber && !port_.device.empty()) {
        unit_->clear();
    }
    port_ = port;
    const QString name = QString::fromStdString(port.name());
    name_->setText(name);
    name_->setAccessibleName(QObject::tr("Port %1").arg(name));
    serial_->setText(orUnknown(port.serialNumber));
    serial_->setAccessibleName(
        QObject::tr("%1 adapter serial number: %2").arg(name, orUnknown(port.serialNumber)));
    location_->setText(orUnknown(port.location));
    location_->setAccessibleName(
        QObject::tr("%1 adapter location: %2").arg(name, orUnknown(port.location)));
    unit_->setAccessibleName(QObject::tr("%1 transceiver label").arg(name));
    unit_->setToolTip(QObject::tr("The transceiver's label for the record, typed or scanned"));
    bar_->setAccessibleName(QObject::tr("%1 progress").arg(name));
    start_->setAccessibleName(QObject::tr("Start %1").arg(name));
    start_->setToolTip(QObject::tr("Update the transceiver on %1").arg(name));
    // What is wrong with the cable shows before anything starts.
    if (state_ == State::Idle) {
        showState(State::Idle, QObject::tr("Not started"),
                  QString::fromStdString(port.cableAdvice));
    }
}

void StationRow::started() {
    // The label goes with this run: it stays as it is until the run has ended.
    unit_->setReadOnly(true);
    bar_->setValue(FlashImage::kFirstRow);
    showState(State::Running, QObject::tr("Updating…"), {});
}

void StationRow::progressed(int row) {
    bar_->setValue(row);
}

void StationRow::finished(const UnitResult& result) {
    unit_->setReadOnly(false);
    const Outcome& outcome = result.outcome;
    // A row that did not go into the record says where it went.
    const QString recordNote =
        result.recordNote.empty() ? QString() : "\n" + QString::fromStdString(result.recordNote);
    if (outcome.succeeded) {
        bar_->setValue(kLastRowBelowTopBlock);
        showState(State::Completed, QString::fromStdString(outcome.message.text),
                  QObject::tr("in %1 s").arg(result.elapsed.count(), 0, 'f', 1) + recordNote);
        return;
    }
    // Why, and what it leaves the transceiver in: the operator sees at once what to do about it;
    // and when the line may be to blame, what is wrong with the cable.
    std::string detail = reasonAndWhatItLeaves(outcome);
    if (outcome.lineTrouble && !port_.cableAdvice.empty()) {
        detail += "\n" + port_.cableAdvice;
    }
    showState(State::Failed, QString::fromStdString(outcome.message.text),
              QString::fromStdString(detail) + recordNote);
}

void StationRow::showState(State state, const QString& text, const QString& detail) {
    state_ = state;
    result_->setStyleSheet(styleSheetOf(state));
    QString html =
        state == State::Idle ? text.toHtmlEscaped() : "<b>" + text.toHtmlEscaped() + "</b>";
    if (!detail.isEmpty()) {
        html += "<br><small>" + detail.toHtmlEscaped().replace('\n', "<br>") + "</small>";
    }
    result_->setText(html);
    result_->setToolTip(detail);
    const QString name = QString::fromStdString(port_.name());
    result_->setAccessibleName(QObject::tr("%1 result: %2").arg(name, text));
    result_->setAccessibleDescription(detail);
}

}  // namespace rkt5
