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

TEST_F(Dispatch, LocateRequestsAreAnsweredOnceASecondPerAddressWhateverThePort) {
    PositionMessage request = makeLocateRequest();
    auto ask = [&](uint32_t address, uint16_t port) {
        handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, destinationFor(address, port));
    };
    fake.tickMs = 100000;
    for (uint16_t i = 0; i < 20; ++i) {
        ask(0x0A00A8C0, uint16_t(5000 + i));  // 192.168.0.10, a new port each time
        fake.tickMs += 49;
    }
    EXPECT_EQ(fake.sent.size(), 1u) << "20 requests within a second from one address";
    EXPECT_EQ(fake.fixRequests, 1) << "dropped requests reach the driver";
    for (uint32_t host = 1; host <= 5; ++host)
        ask(0x0000A8C0 | host << 24, 6000);  // 192.168.0.1 to .5
    EXPECT_EQ(fake.sent.size(), 6u) << "five more addresses, one answer each";
    fake.tickMs = 100000 + 1000;
    ask(0x0A00A8C0, 5000);
    EXPECT_EQ(fake.sent.size(), 7u) << "a second after its answer, the address is answered again";
}

// Who is answered under each "QVAnswer": a listed peer, the server, a stranger.
TEST_F(Dispatch, TheAnswerPolicyChoosesWhoIsAnswered) {
    constexpr uint32_t kListed = 0x0A00A8C0, kServer = 0x0300A8C0, kStranger = 0x6300A8C0;
    struct {
        AnswerPolicy policy;
        uint32_t from;
        bool answered;
    } cases[] = {
        {AnswerPolicy::All, kListed, true},     {AnswerPolicy::All, kStranger, true},
        {AnswerPolicy::Listed, kListed, true},  {AnswerPolicy::Listed, kServer, true},
        {AnswerPolicy::Listed, kStranger, false}, {AnswerPolicy::None, kListed, false},
        {AnswerPolicy::None, kServer, false},
    };
    PositionMessage request = makeLocateRequest();
    for (auto c : cases) {
        SetUp();
        moduleState.cdpdList[0].address = 0x0B00A8C0;
        moduleState.cdpdList[1].address = kListed;
        moduleState.cdpdCount = 2;
        moduleState.serverAddress = kServer;
        moduleState.answerPolicy = c.policy;
        handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, destinationFor(c.from, 5555));
        EXPECT_EQ(fake.sent.size(), c.answered ? 1u : 0u)
            << "policy " << int(c.policy) << " from " << std::hex << c.from;
    }
    SetUp();
    moduleState.answerPolicy = AnswerPolicy::Listed;  // the server not resolved yet: 0
    handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, destinationFor(0, 5555));
    EXPECT_TRUE(fake.sent.empty()) << "a sender claiming 0.0.0.0 passed for the unresolved server";
}

// The owner's refusal comes before the answer limit counts a request, so a flood of strangers
// under "listed" cannot use up the answers a listed peer is owed in that second.
TEST_F(Dispatch, RefusedStrangersDoNotUseUpTheAnswersOfListedPeers) {
    moduleState.answerPolicy = AnswerPolicy::Listed;
    moduleState.cdpdList[0].address = 0x0A00A8C0;  // 192.168.0.10
    moduleState.cdpdCount = 1;
    PositionMessage request = makeLocateRequest();
    fake.tickMs = 5000;
    for (uint32_t host = 1; host <= 200; ++host)  // 10.0.100.1 to .200
        handleDatagram(reinterpret_cast<uint8_t*>(&request), 152,
                       destinationFor(0x0064000A | host << 24, 5555));
    EXPECT_TRUE(fake.sent.empty());
    handleDatagram(reinterpret_cast<uint8_t*>(&request), 152, sender);
    EXPECT_EQ(fake.sent.size(), 1u) << "the listed peer was refused after the strangers";
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
