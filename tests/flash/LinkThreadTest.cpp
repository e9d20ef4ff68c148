// Operations handed to a link thread, against the simulated transceiver over a pseudo-terminal.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <memory>

#include "firmware/FirmwareLines.h"
#include "flash/LinkThread.h"
#include "image/StartupImage.h"
#include "serial/PortNames.h"
#include "sim/PtyTransceiver.h"

namespace rkt5 {
namespace {

using namespace std::chrono_literals;
using sim::Fault;
using sim::MessageKind;

class LinkThreadOnALine : public testing::Test {
  protected:
    static constexpr std::chrono::milliseconds kReplyTime{1000};

    void start(sim::SimulatorOptions options) {
        options.pace = false;
        transceiver = std::make_unique<sim::PtyTransceiver>(std::move(options));
        choices.port = PortNames::bound(1, transceiver->portPath());
        auto table = std::make_unique<FirmwareTable>();
        buildStartupImage(image, *table);
        link = std::make_unique<LinkThread>(image);
        link->setReplyTime(kReplyTime);
    }
    long count(MessageKind kind) const {
        return std::ranges::count(transceiver->receivedMessages(), kind,
                                  &sim::ReceivedMessage::kind);
    }

    std::unique_ptr<sim::PtyTransceiver> transceiver;
    FlashImage image;
    OperationChoices choices;
    std::unique_ptr<LinkThread> link;
};

LinkOperation update() {
    return [](FlashContext& context) { return startSequence(context); };
}

TEST_F(LinkThreadOnALine, ASecondRequestDuringARunIsRefusedAndSendsNothing) {
    start({.programTime = 2ms});  // slow writes: the run is still on when the second comes
    QSignalSpy ended(link.get(), &LinkThread::finished);
    QSignalSpy rows(link.get(), &LinkThread::progressed);
    ASSERT_TRUE(link->start(choices, update()));
    EXPECT_TRUE(link->running());
    EXPECT_FALSE(link->start(choices, update()));
    ASSERT_TRUE(ended.wait(30'000));
    const auto run = ended.front().front().value<LinkRun>();
    EXPECT_EQ(run.outcome.message, Message::ok("Completed."));
    EXPECT_FALSE(run.stopped);
    EXPECT_EQ(count(MessageKind::ModelCheck), 1) << "the refused update sent nothing";
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.back().front().toInt(), 0xFE00) << "the bar followed the write";
    EXPECT_FALSE(link->running());
    EXPECT_TRUE(link->start(choices, update())) << "an idle link takes the next one";
    ASSERT_TRUE(ended.wait(30'000));
}

// A stop while the thread blocks in a wait for an answer that never comes: the wait runs to its
// deadline, and nothing is sent after it.
TEST_F(LinkThreadOnALine, AStopDuringABlockingWaitEndsTheRunAtTheWaitsDeadline) {
    start({.faults = {{.kind = MessageKind::EndFrame, .action = Fault::Action::Silent}}});
    QSignalSpy ended(link.get(), &LinkThread::finished);
    const auto leave = [](FlashContext& context) {
        const Outcome connected = stepButton(context, ProtocolMode::Mode0, Step::Connect);
        return connected.succeeded ? stepButton(context, ProtocolMode::Mode0, Step::Disconnect)
                                   : connected;
    };
    ASSERT_TRUE(link->start(choices, leave));
    // The first end frame is out and its wait has begun.
    for (int look = 0; look < 200 && count(MessageKind::EndFrame) == 0; ++look) {
        QThread::msleep(10);
    }
    ASSERT_EQ(count(MessageKind::EndFrame), 1);
    link->stop();
    EXPECT_TRUE(link->wait(QDeadlineTimer(kReplyTime + 2s)))
        << "the run outlived its wait's deadline";
    ASSERT_TRUE(!ended.empty() || ended.wait(5000));
    const auto run = ended.front().front().value<LinkRun>();
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.outcome.message, Message::ng("Disconnect failed."));
    EXPECT_EQ(count(MessageKind::EndFrame), 1) << "sent after the stop";
}

}  // namespace
}  // namespace rkt5
