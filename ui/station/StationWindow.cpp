#include "ui/station/StationWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/station/UnitBox.h"

namespace rkt5 {

namespace {

constexpr int kHeaderRow = 0;

QPushButton* button(const QString& text, const QString& objectName, const QString& accessible,
                    QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(objectName);
    made->setAccessibleName(accessible);
    // Enter presses the button that has the focus, as Space does.
    made->setAutoDefault(true);
    return made;
}

}  // namespace

StationWindow::StationWindow(UpdateSettings settings, StationRecords records, PortListing ports,
                             QWidget* parent)
    : QWidget(parent), station_(settings, records), ports_(std::move(ports)) {
    setObjectName("station");
    setWindowTitle(tr("RK-T5 station — %1").arg(QString::fromStdString(records.run.firmware.name)));
    setAccessibleName(tr("RK-T5 station"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildButtons());
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("rows");
    scroll->setAccessibleName(tr("Transceivers"));
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);  // the rows' buttons take the focus, not their frame
    scroll->setWidget(buildTable());
    layout->addWidget(scroll, 1);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setAccessibleName(tr("Status"));
    layout->addWidget(status_);
    resize(1000, 360);

    connect(&station_, &Station::progressed, this, [this](const std::string& device, int row) {
        if (StationRow* found = rowOf(device)) {
            found->progressed(row);
        }
    });
    connect(&station_, &Station::finished, this, &StationWindow::unitFinished);
    connect(&station_, &Station::idle, this, [this] {
        if (closeHeld_) {
            QTimer::singleShot(0, this, &QWidget::close);
        }
    });
    connect(&refreshTimer_, &QTimer::timeout, this, &StationWindow::refresh);
    refreshTimer_.start(kRefreshInterval);
    refresh();
    startAll_->setFocus();
}

StationWindow::~StationWindow() = default;

QWidget* StationWindow::buildButtons() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    startAll_ = button(tr("Start &all"), "startAll", tr("Start all"), bar);
    // Enter anywhere in the window starts every row that is not running.
    startAll_->setDefault(true);
    startAll_->setToolTip(tr("Update every transceiver that is not being written (Enter)"));
    startFailed_ =
        button(tr("Start &failed again"), "startFailedAgain", tr("Start failed again"), bar);
    startFailed_->setToolTip(tr("Update again only the transceivers whose last update failed"));
    refresh_ = button(tr("&Refresh"), "refresh", tr("Refresh the list of ports"), bar);
    refresh_->setToolTip(tr("Read the list of ports again (F5); it is also read every %1 s")
                             .arg(kRefreshInterval.count()));
    totals_ = new QLabel(bar);
    totals_->setObjectName("totals");
    for (QWidget* widget : {static_cast<QWidget*>(startAll_), static_cast<QWidget*>(startFailed_),
                            static_cast<QWidget*>(refresh_)}) {
        layout->addWidget(widget);
    }
    layout->addStretch(1);
    layout->addWidget(totals_);
    connect(startAll_, &QPushButton::clicked, this, &StationWindow::startAll);
    connect(startFailed_, &QPushButton::clicked, this, &StationWindow::startFailedAgain);
    connect(refresh_, &QPushButton::clicked, this, &StationWindow::refresh);
    connect(new QShortcut(QKeySequence::Refresh, this), &QShortcut::activated, this,
            &StationWindow::refresh);
    return bar;
}

QWidget* StationWindow::buildTable() {
    table_ = new QWidget(this);
    grid_ = new QGridLayout(table_);
    grid_->setHorizontalSpacing(12);
    const QString headers[kColumnCount] = {tr("Port"),     tr("Adapter serial number"),
                                           tr("Location"), tr("Transceiver"),
                                           tr("Progress"), tr("Result"),
                                           QString()};
    for (int column = 0; column < kColumnCount; ++column) {
        auto* header = new QLabel("<b>" + headers[column] + "</b>", table_);
        header->setAccessibleName(headers[column].isEmpty() ? tr("Start buttons")
                                                            : headers[column]);
        if (column == kResultColumn) {
            header->setContentsMargins(kResultPadding, 0, 0, 0);
        }
        grid_->addWidget(header, kHeaderRow, column);
    }
    grid_->setColumnStretch(kBarColumn, 1);
    grid_->setColumnStretch(kResultColumn, 2);
    noPorts_ = new QLabel(tr("No USB serial adapter is plugged in. Plug one in: it appears here "
                             "within %1 s, or at once with Refresh.")
                              .arg(kRefreshInterval.count()),
                          table_);
    noPorts_->setObjectName("noPorts");
    noPorts_->setAccessibleName(noPorts_->text());
    noPorts_->setWordWrap(true);
    grid_->addWidget(noPorts_, kHeaderRow + 1, 0, 1, kColumnCount);
    // Rows sit at the top, however few.
    grid_->setRowStretch(1000, 1);
    return table_;
}

void StationWindow::refresh() {
    const auto running = [this](const std::string& device) { return station_.isRunning(device); };
    std::vector<StationPort> shown;
    for (const auto& row : rows_) {
        shown.push_back(row->port());
    }
    showRows(rowsAfterRefresh(shown, ports_.current(), running));
}

// Rows are kept by their device, with their results; a port that comes gets a new row.
void StationWindow::showRows(const std::vector<StationPort>& ports) {
    std::vector<std::unique_ptr<StationRow>> rows;
    bool changed = ports.size() != rows_.size();
    for (const StationPort& port : ports) {
        auto kept = std::ranges::find(rows_, port.device, [](const auto& row) {
            return row ? row->port().device : std::string();
        });
        if (kept == rows_.end()) {
            rows.push_back(std::make_unique<StationRow>(port, table_));
            StationRow* row = rows.back().get();
            connect(row->startButton(), &QPushButton::clicked, this, [this, row] { start(*row); });
            connect(row->unitBox(), &UnitBox::entered, this, [this, row] { labelEntered(*row); });
            changed = true;
            continue;
        }
        changed = changed || kept - rows_.begin() != static_cast<std::ptrdiff_t>(rows.size());
        rows.push_back(std::move(*kept));
        rows.back()->showPort(port);
    }
    rows_ = std::move(rows);  // the rows of ports that went are deleted here
    if (changed) {
        placeRows();
    }
    updateControls();
}

void StationWindow::placeRows() {
    noPorts_->setVisible(rows_.empty());
    QWidget* previous = refresh_;
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        rows_[index]->place(*grid_, kHeaderRow + 1 + static_cast<int>(index));
        // Tab goes from the window's buttons down the rows, each row's label box and then its
        // "Start" button.
        setTabOrder(previous, rows_[index]->unitBox());
        setTabOrder(rows_[index]->unitBox(), rows_[index]->startButton());
        previous = rows_[index]->startButton();
    }
}

// A scanner reads one unit after another: each label sends the operator on to the next row's
// box, and after the last to "Start all", which the next Enter presses.
void StationWindow::labelEntered(const StationRow& row) {
    const auto at = std::ranges::find(rows_, &row, &std::unique_ptr<StationRow>::get);
    if (at != rows_.end() && std::next(at) != rows_.end()) {
        (*std::next(at))->unitBox()->setFocus(Qt::TabFocusReason);
        return;
    }
    (startAll_->isEnabled() ? static_cast<QWidget*>(startAll_) : refresh_)->setFocus();
}

void StationWindow::start(StationRow& row) {
    if (!closeHeld_ && station_.start(row.port(), row.unit())) {
        row.started();
    }
    updateControls();
}

void StationWindow::startAll() {
    for (const auto& row : rows_) {
        if (row->state() != StationRow::State::Running) {
            start(*row);
        }
    }
}

void StationWindow::startFailedAgain() {
    for (const auto& row : rows_) {
        if (row->state() == StationRow::State::Failed) {
            start(*row);
        }
    }
}

void StationWindow::unitFinished(const UnitResult& result) {
    if (StationRow* row = rowOf(result.port.device)) {
        row->finished(result);
    }
    if (!result.recordNote.empty()) {
        showStatus(QString::fromStdString(result.port.name() + ": " + result.recordNote));
    }
    ++(result.outcome.succeeded ? completed_ : failed_);
    updateControls();
}

void StationWindow::updateControls() {
    const auto any = [this](auto predicate) { return std::ranges::any_of(rows_, predicate); };
    const auto idle = [](const auto& row) { return row->state() != StationRow::State::Running; };
    const auto failed = [](const auto& row) { return row->state() == StationRow::State::Failed; };
    for (const auto& row : rows_) {
        row->startButton()->setEnabled(!closeHeld_ && idle(row));
    }
    const bool startAllWasEnabled = startAll_->isEnabled();
    startAll_->setEnabled(!closeHeld_ && any(idle));
    // Going grey while every row ran, "Start all" lost the focus to the next button; when it can
    // be pressed again, the operator's next Enter must press it, not whatever the focus fell on.
    if (!startAllWasEnabled && startAll_->isEnabled()) {
        startAll_->setFocus();
    }
    startFailed_->setEnabled(!closeHeld_ && any(failed));
    totals_->setText(tr("Completed: %1  Failed: %2").arg(completed_).arg(failed_));
    totals_->setAccessibleName(tr("Totals: %1 completed, %2 failed").arg(completed_).arg(failed_));
}

void StationWindow::showStatus(const QString& text) {
    status_->setText(text);
    status_->setAccessibleName(text);
}

StationRow* StationWindow::rowOf(const std::string& device) const {
    const auto found =
        std::ranges::find(rows_, device, [](const auto& row) { return row->port().device; });
    return found == rows_.end() ? nullptr : found->get();
}

void StationWindow::closeEvent(QCloseEvent* event) {
    if (station_.runningCount() > 0) {
        // Never cut a write short: the window closes once every write under way has ended, and
        // nothing new starts meanwhile.
        closeHeld_ = true;
        showStatus(tr("Closing once the transceivers being written are done."));
        updateControls();
        event->ignore();
        return;
    }
    event->accept();
}

void StationWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && startAll_->isEnabled()) {
        startAll_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace rkt5
