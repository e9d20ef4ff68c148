#pragma once

#include <QString>
#include <string>

#include "station/UnitResult.h"

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace rkt5 {

class UnitBox;

// The station window's columns, the header's and every row's.
enum StationColumn {
    kPortColumn,
    kSerialColumn,
    kLocationColumn,
    kUnitColumn,
    kBarColumn,
    kResultColumn,
    kStartColumn,
    kColumnCount
};

// The space between a result's text and the edge of its coloured box; the header keeps it too.
inline constexpr int kResultPadding = 6;

// One transceiver's line in the station window: its port, what the system says of the adapter,
// the transceiver's label as the operator typed or scanned it, its own bar and "Start" button,
// and its last result in words and colour. The widgets are the
// row's; the window places them in its grid and decides which buttons may be pressed.
class StationRow {
  public:
    enum class State { Idle, Running, Completed, Failed };

    StationRow(const StationPort& port, QWidget* parent);
    ~StationRow();
    StationRow(const StationRow&) = delete;
    StationRow& operator=(const StationRow&) = delete;

    const StationPort& port() const { return port_; }
    State state() const { return state_; }
    QPushButton* startButton() const { return start_; }
    UnitBox* unitBox() const { return unit_; }
    // The label for the record, as the box holds it now.
    std::string unit() const;

    void place(QGridLayout& grid, int row);
    // What the system says of the port now; a number or adapter may have changed.
    void showPort(const StationPort& port);
    void started();
    void progressed(int row);
    void finished(const UnitResult& result);

  private:
    void showState(State state, const QString& text, const QString& detail);

    StationPort port_;
    State state_ = State::Idle;
    QLabel* name_;
    QLabel* serial_;
    QLabel* location_;
    UnitBox* unit_;
    QProgressBar* bar_;
    QLabel* result_;
    QPushButton* start_;
};

}  // namespace rkt5
