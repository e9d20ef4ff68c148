#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/RunTimeError.h"
#include "link/ChosenLine.h"
#include "link/RadioLink.h"

namespace rkt5 {
namespace {

// The classifiers only read RxBuffer; a port that refuses every call proves they do not touch it.
class RefusingPort : public SerialPort {
  public:
    void setSettings(const LineSettings&) override { refuse(); }
    bool portOpen() const override { refuse(); }
    void setPort(const PortIdentity&) override { refuse(); }
    void setPortOpen(bool) override { refuse(); }
    void output(std::span<const std::uint8_t>) override { refuse(); }
    int inBufferCount() override { refuse(); }
    void waitForInput(std::chrono::milliseconds) override { refuse(); }
    std::vector<std::uint8_t> input() override { refuse(); }

  private:
    [[noreturn]] static void refuse() {
        throw RunTimeError(ErrorNumber::PortNotOpen, "classifiers must not use the port");
    }
};

struct ClassifierCase {
    std::string_view name;
    std::string_view received;
    int echoLength;
    Reply status;
};

std::ostream& operator<<(std::ostream& out, const ClassifierCase& c) {
    return out << c.name;
}

class Classifier : public testing::Test {
  protected:
    void receive(std::string_view bytes) { link.RxBuffer.assign(bytes.begin(), bytes.end()); }

    RefusingPort port;
    ChosenLine choice;
    RadioLink link{port, choice};
};

class ReadReplyCase : public Classifier, public testing::WithParamInterface<ClassifierCase> {};

TEST_P(ReadReplyCase, GivesTheStatusOfTheAnswerBehindTheEcho) {
    receive(GetParam().received);
    EXPECT_EQ(link.ReadReply(GetParam().echoLength), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    ShortReplies, ReadReplyCase,
    testing::Values(ClassifierCase{"ConnectAnswer", "ZR~FLASH\rCT\r\n", 9, Reply::CT},
                    ClassifierCase{"Ok", "12345OK\r\n", 5, Reply::OK},
                    ClassifierCase{"Ng", "12345NG\r\n", 5, Reply::NG},
                    ClassifierCase{"Ed", "ED\r\n", 0, Reply::ED},
                    ClassifierCase{"Be", "xBE\r\n", 1, Reply::BE},
                    ClassifierCase{"Pg", "xPG\r\n", 1, Reply::PG},
                    ClassifierCase{"Ra", "xRA\r\n", 1, Reply::RA},
                    ClassifierCase{"Ee", "xEE\r\n", 1, Reply::EE},
                    ClassifierCase{"LowerCase", "12345ok\r\n", 5, Reply::Other},
                    ClassifierCase{"LfCr", "12345OK\n\r", 5, Reply::Other},
                    ClassifierCase{"MissingLf", "12345OK\rX", 5, Reply::Other},
                    ClassifierCase{"UnknownLetters", "12345CL\r\n", 5, Reply::Other},
                    ClassifierCase{"ExtraBytesIgnored", "12345PG\r\nNG\r\n", 5, Reply::PG},
                    // The echo is not compared: an answer-like echo must not be mistaken.
                    ClassifierCase{"EchoNotRead", "NG\r\nXOK\r\n", 5, Reply::OK}),
    [](const auto& info) { return std::string(info.param.name); });

class ReadStatusReplyCase : public Classifier,
                            public testing::WithParamInterface<ClassifierCase> {};

TEST_P(ReadStatusReplyCase, GivesTheStatusOfTheFramedAnswer) {
    receive(GetParam().received);
    EXPECT_EQ(link.ReadStatusReply(GetParam().echoLength), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    StatusReplies, ReadStatusReplyCase,
    testing::Values(ClassifierCase{"Ok", "ZR~RK-T5EG\r\r\nOK\r\n", 11, Reply::OK},
                    ClassifierCase{"Ng", "ZR~RK-T5EG\r\r\nNG\r\n", 11, Reply::NG},
                    ClassifierCase{"RegionError", "ZR~RK-T5EG\r\r\nRE\r\n", 11, Reply::RE},
                    ClassifierCase{"Pin00", "ZR~P121\r\r\n00\r\n", 8, Reply::Pin00},
                    ClassifierCase{"Pin01", "ZR~P121\r\r\n01\r\n", 8, Reply::Pin01},
                    ClassifierCase{"Pin02", "ZR~P121\r\r\n02\r\n", 8, Reply::Pin02},
                    ClassifierCase{"Pin03", "ZR~P121\r\r\n03\r\n", 8, Reply::Pin03},
                    ClassifierCase{"ReversedRegion", "ZR~RK-T5EG\r\r\nER\r\n", 11, Reply::Other},
                    ClassifierCase{"LowerCase", "ZR~RK-T5EG\r\r\nok\r\n", 11, Reply::Other},
                    ClassifierCase{"NoLeadingCrLf", "ZR~RK-T5EG\rOK\r\nAB", 11, Reply::Other},
                    ClassifierCase{"LeadingLfCr", "ZR~RK-T5EG\r\n\rOK\r\n", 11, Reply::Other},
                    ClassifierCase{"TrailingLfCr", "ZR~RK-T5EG\r\r\nOK\n\r", 11, Reply::Other},
                    ClassifierCase{"PinOutOfRange", "ZR~P121\r\r\n04\r\n", 8, Reply::Other},
                    ClassifierCase{"ExtraBytesIgnored", "ZR~RK-T5EG\r\r\nRE\r\nOK", 11, Reply::RE}),
    [](const auto& info) { return std::string(info.param.name); });

// A reply cut short is a subscript error for the caller's error trap, never a read past the end.
TEST_F(Classifier, ReadingPastTheReceivedBytesIsASubscriptError) {
    const auto errorOf = [](auto classify) -> std::optional<ErrorNumber> {
        try {
            classify();
        } catch (const RunTimeError& error) {
            return error.number();
        }
        return std::nullopt;
    };
    receive("ZR~FLASH\rCT\r");
    EXPECT_EQ(errorOf([&] { link.ReadReply(9); }), ErrorNumber::SubscriptOutOfRange);
    receive("ZR~RK-T5EG\r\r\nOK\r");
    EXPECT_EQ(errorOf([&] { link.ReadStatusReply(11); }), ErrorNumber::SubscriptOutOfRange);
    receive("OK\r\n");
    EXPECT_EQ(errorOf([&] { link.ReadReply(-1); }), ErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { link.ReadStatusReply(0); }), ErrorNumber::SubscriptOutOfRange);
}

}  // namespace
}  // namespace rkt5
