#include <gtest/gtest.h>

#include <vector>

#include "exchange/dispatch.h"
#include "exchange/receive_loop.h"
#include "module/module_state.h"
#include "tests/core/fake_platform.h"

namespace {

class Dispatch : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        moduleState.udpSocket = 42;
        fake.hasFix = true;
        fake.fix.latitude = 523456789;
        fake.fix.longitude = 134567891;
    }
    SocketAddress sender = destinationFor(0x0A00A8C0, 5555);  // 192.168.0.10:5555
};

TEST_F(Dispatch, ALocateRequestIsAnsweredWithTheOwnFixToTheSendersPort) {
    PositionMessage request = makeLocateRequest();
    moduleState.endpointBound = false;  // not consulted for the answer
    handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, sender);
    ASSERT_EQ(fake.sent.size(), 1u);
    const SentDatagram& answer = fake.sent[0];
    EXPECT_EQ(answer.socket, 42u);
    EXPECT_EQ(answer.bytes.size(), 152u);
    EXPECT_EQ(answer.to.address, sender.address);
    EXPECT_EQ(wirePortOf(answer.to), 5555);
    PositionMessage m = decodeReceived(answer.bytes.data(), answer.bytes.size());
    EXPECT_EQ(m.kind, 'U');
    EXPECT_EQ(m.latitude, 52345678);
    EXPECT_EQ(m.longitude, 13456789);
}

TEST_F(Dispatch, ALocateRequestIsReadNoFurtherThanItsKind) {
    uint8_t justKind = 'l';
    handleDatagram(&justKind, 1, sender);
    EXPECT_EQ(fake.sent.size(), 1u);
}

TEST_F(Dispatch, NoFixOrNoSocketNoAnswer) {
    PositionMessage request = makeLocateRequest();
    fake.hasFix = false;
    handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, sender);
    EXPECT_TRUE(fake.sent.empty());
    EXPECT_EQ(fake.fixRequests, 1);

    fake.hasFix = true;
    moduleState.udpSocket = kNoSocket;
    handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, sender);
    EXPECT_TRUE(fake.sent.empty());
    EXPECT_EQ(fake.fixRequests, 1) << "the driver was asked without a socket to answer on";
}

TEST_F(Dispatch, OtherKindsSendNothing) {
    for (char kind : {'U', 'm', 'n', 'o', 'x', '\0'}) {
        PositionMessage m{};
        m.kind = kind;
        handleDatagram(reinterpret_cast<uint8_t*>(&m), 152, sender);
    }
    EXPECT_TRUE(fake.sent.empty());
}

TEST(ReceiveLoop, FailingReceivesPauseAndPerDatagramErrorsDoNot) {
    struct {
        int result;
        ReceiveError error;
        ReceiveStep step;
    } cases[] = {
        {1, ReceiveError::None, ReceiveStep::Handle},
        {152, ReceiveError::None, ReceiveStep::Handle},
        {0, ReceiveError::None, ReceiveStep::ReceiveAgain},
        {-1, ReceiveError::MessageTooLong, ReceiveStep::ReceiveAgain},
        {-1, ReceiveError::ConnectionReset, ReceiveStep::ReceiveAgain},
        {-1, ReceiveError::Other, ReceiveStep::Pause},
        {-1, ReceiveError::None, ReceiveStep::Pause},
    };
    for (auto c : cases)
        EXPECT_EQ(stepAfterReceive(c.result, c.error), c.step) << c.result;
}

} // namespace
