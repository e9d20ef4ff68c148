#pragma once

#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "station/Station.h"
#include "ui/station/PortListing.h"
#include "ui/station/StationRow.h"

class QGridLayout;
class QLabel;
class QPushButton;

namespace rkt5 {

// The station: a row per port, each transceiver updated in a thread of its own through Station,
// started all at once, one by one, or only those that failed. Nothing starts unless the operator
// says so; the list of ports is read again now and then, so that an adapter plugged in later
// gets its row. A close while any unit is being written waits until every write has ended.
class StationWindow : public QWidget {
    Q_OBJECT

  public:
    // Often enough that a new adapter shows up while the operator still looks for it, rarely
    // enough that reading the system's list costs nothing.
    static constexpr std::chrono::seconds kRefreshInterval{3};

    StationWindow(UpdateSettings settings, StationRecords records, PortListing ports,
                  QWidget* parent = nullptr);
    ~StationWindow() override;

    Station& station() { return station_; }

    void startAll();
    void startFailedAgain();
    void refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* buildButtons();
    QWidget* buildTable();
    void start(StationRow& row);
    void labelEntered(const StationRow& row);
    void unitFinished(const UnitResult& result);
    void showRows(const std::vector<StationPort>& ports);
    void placeRows();
    void updateControls();
    void showStatus(const QString& text);
    StationRow* rowOf(const std::string& device) const;

    Station station_;
    PortListing ports_;
    std::vector<std::unique_ptr<StationRow>> rows_;
    QPushButton* startAll_ = nullptr;
    QPushButton* startFailed_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QLabel* totals_ = nullptr;
    QWidget* table_ = nullptr;
    QGridLayout* grid_ = nullptr;
    QLabel* noPorts_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer refreshTimer_;
    int completed_ = 0;
    int failed_ = 0;
    bool closeHeld_ = false;
};

}  // namespace rkt5
