// Message layouts byte for byte, their readers on short and damaged blocks, and the frame reader.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/Containers.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "net/XSocket.h"
#include "script/String.h"
#include "script/VariableFactory.h"

using namespace KavirelDLL;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const CNetMessage& m) { return Bytes(m.getBuffer(), m.getBuffer() + m.getBufferLen()); }

// Little-endian words and zero-ended texts, as the wire carries them.
struct Wire {
    Bytes b;
    Wire& i(int32_t v) {
        for (int k = 0; k < 4; k++) b.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k)));
        return *this;
    }
    Wire& s(const char* t) {
        b.insert(b.end(), t, t + std::strlen(t) + 1);
        return *this;
    }
    Wire& raw(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

Bytes frame(int type, const Bytes& payload) {
    return Wire().i(type).i(8 + static_cast<int>(payload.size())).raw(payload).b;
}

std::unique_ptr<CNetMessage> decoded(const Bytes& block) {
    CNetMessage raw(nullptr, block.data());
    return std::unique_ptr<CNetMessage>(CNetMessageProcessor::decode(&raw, CXString("peer")));
}

struct Recorder : CNetListener {
    std::vector<int> types;
    std::vector<CXString> senders;
    void onMessage(CNetMessage* m) override {
        types.push_back(m->getType());
        senders.push_back(m->getSenderName());
    }
};

class NetMessageTest : public ::testing::Test {
protected:
    void SetUp() override { CMC_VariableFactory::initialize(); }
    void TearDown() override { CMC_VariableFactory::done(); }
};

} // namespace

TEST_F(NetMessageTest, EveryTypeWritesItsLayoutAndReadsBack) {
    CXArray params;
    CXString one("1"), two("2");
    params.add(&one);
    params.add(&two);
    CNetCmdMessage cmd(nullptr, CXString("JUMP"), &params);
    EXPECT_EQ(bytesOf(cmd), Wire().i(1).i(17).s("JUMP").s("1").s("2").b);
    auto cmdBack = decoded(bytesOf(cmd));
    auto* c = static_cast<CNetCmdMessage*>(cmdBack.get());
    ASSERT_TRUE(c->isValid());
    EXPECT_STREQ(c->getCommand().GetBuffer(), "JUMP");
    ASSERT_EQ(c->getParams()->getSize(), 2);
    EXPECT_STREQ(static_cast<CXString*>(c->getParams()->at(1))->GetBuffer(), "2");
    EXPECT_EQ(c->getSenderName(), CXString("peer"));

    // Without parameters: the command alone, read back as an empty list.
    CNetCmdMessage bare(nullptr, CXString("GO"), nullptr);
    EXPECT_EQ(bytesOf(bare), Wire().i(1).i(11).s("GO").b);
    auto bareBack = decoded(bytesOf(bare));
    EXPECT_EQ(static_cast<CNetCmdMessage*>(bareBack.get())->getParams()->getSize(), 0);

    CMC_String value(CXString("SCORE"), CXString("hi"));
    CNetVariableMessage var(nullptr, &value);
    EXPECT_EQ(bytesOf(var), Wire().i(2).i(21).s("SCORE").i(2).s("hi").b);
    auto varBack = decoded(bytesOf(var));
    auto* v = static_cast<CNetVariableMessage*>(varBack.get());
    EXPECT_STREQ(v->getVariableName().GetBuffer(), "SCORE");
    EXPECT_EQ(v->getValueOffset(), 14);
    EXPECT_EQ(v->getVariableType(), 2);
    CMC_Variable* restored = v->getVariable();
    ASSERT_NE(restored, nullptr);
    EXPECT_TRUE(restored->equals(&value));
    CMC_VariableFactory::free(restored);

    CNetBehaviourMessage code(nullptr, CXString("{A^SHOW();}"));
    EXPECT_EQ(bytesOf(code), Wire().i(3).i(20).s("{A^SHOW();}").b);
    EXPECT_STREQ(static_cast<CNetBehaviourMessage*>(decoded(bytesOf(code)).get())->getCode().GetBuffer(),
                 "{A^SHOW();}");

    CNetMessage goodbye(nullptr, CNetMessage::GOODBYE);
    EXPECT_EQ(bytesOf(goodbye), Wire().i(4).i(8).b);
    EXPECT_EQ(decoded(bytesOf(goodbye)), nullptr);

    CNetTextMessage text(nullptr, CXString(""));
    EXPECT_EQ(bytesOf(text), Wire().i(5).i(9).s("").b);
    EXPECT_TRUE(decoded(bytesOf(text))->isValid());

    CNetPingMessage ping(nullptr, 1234);
    Bytes pingBytes = Wire().i(6).i(1024).i(1234).i(0).b;
    pingBytes.resize(1024, 0);
    EXPECT_EQ(bytesOf(ping), pingBytes);
    std::unique_ptr<CNetPingMessage> answer(CNetPingMessage::response(ping));
    EXPECT_TRUE(answer->isResponse());
    EXPECT_EQ(answer->getBuffer()[12], 1);
    auto pingBack = decoded(bytesOf(*answer));
    EXPECT_EQ(static_cast<CNetPingMessage*>(pingBack.get())->getTime(), 1234);
    EXPECT_TRUE(static_cast<CNetPingMessage*>(pingBack.get())->isResponse());

    CNetHelloMessage hello(nullptr, CXString("Ann"));
    EXPECT_EQ(bytesOf(hello), Wire().i(7).i(12).s("Ann").b);
    EXPECT_STREQ(static_cast<CNetHelloMessage*>(decoded(bytesOf(hello)).get())->getName().GetBuffer(), "Ann");

    CNetFileRequestMessage request(nullptr, 3, CXString("a"), CXString(""), CXString("x.dat"));
    EXPECT_EQ(bytesOf(request), Wire().i(8).i(25).i(3).i(-1).s("a").s("").s("x.dat").b);
    auto requestBack = decoded(bytesOf(request));
    auto* r = static_cast<CNetFileRequestMessage*>(requestBack.get());
    EXPECT_EQ(r->getRequestId(), 3);
    EXPECT_EQ(r->getMarker(), -1);
    EXPECT_STREQ(r->getString3().GetBuffer(), "x.dat");

    CNetFileResponseMessage response(nullptr, 3, 7, 10241, 10241);
    EXPECT_EQ(bytesOf(response), Wire().i(9).i(24).i(3).i(7).i(10241).i(10241).b);
    auto responseBack = decoded(bytesOf(response));
    EXPECT_EQ(static_cast<CNetFileResponseMessage*>(responseBack.get())->getEntryId(), 7);
    EXPECT_EQ(static_cast<CNetFileResponseMessage*>(responseBack.get())->getFileLength2(), 10241);

    const unsigned char chunk[3] = {0xAA, 0, 0xBB};
    CNetFileDataMessage data(nullptr, 3, 7, 0, 10240, 3, chunk);
    EXPECT_EQ(bytesOf(data), Wire().i(10).i(31).i(3).i(7).i(0).i(10240).i(3).raw({0xAA, 0, 0xBB}).b);
    auto dataBack = decoded(bytesOf(data));
    auto* d = static_cast<CNetFileDataMessage*>(dataBack.get());
    EXPECT_EQ(d->getOffset(), 10240);
    ASSERT_EQ(d->getCount(), 3);
    EXPECT_EQ(std::memcmp(d->getData(), chunk, 3), 0);
}

TEST_F(NetMessageTest, ShortOrDamagedBlocksDoNotRead) {
    // Every message cut short (its length word made to match) either reads what is there or is refused; the
    // sanitizer watches that no reader looks past the block.
    CMC_String value(CXString("V"), CXString("text"));
    const unsigned char chunk[4] = {1, 2, 3, 4};
    std::vector<std::unique_ptr<CNetMessage>> all;
    CXArray params;
    CXString p("param");
    params.add(&p);
    all.emplace_back(new CNetCmdMessage(nullptr, CXString("CMD"), &params));
    all.emplace_back(new CNetVariableMessage(nullptr, &value));
    all.emplace_back(new CNetBehaviourMessage(nullptr, CXString("{code}")));
    all.emplace_back(new CNetTextMessage(nullptr, CXString("text")));
    all.emplace_back(new CNetPingMessage(nullptr, 5));
    all.emplace_back(new CNetHelloMessage(nullptr, CXString("name")));
    all.emplace_back(new CNetFileRequestMessage(nullptr, 1, CXString("a"), CXString("b"), CXString("c")));
    all.emplace_back(new CNetFileResponseMessage(nullptr, 1, 2, 3, 3));
    all.emplace_back(new CNetFileDataMessage(nullptr, 1, 2, 0, 0, 4, chunk));
    for (auto& whole : all) {
        const Bytes full = bytesOf(*whole);
        int refused = 0;
        for (size_t cut = 8; cut < full.size(); cut++) {
            Bytes shortened(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
            Wire fix;
            fix.i(static_cast<int32_t>(cut));
            std::memcpy(shortened.data() + 4, fix.b.data(), 4);
            auto m = decoded(shortened);
            ASSERT_NE(m, nullptr);
            if (!m->isValid()) refused++;
            if (m->getType() == CNetMessage::VARIABLE && m->isValid()) {
                // The image is cut: the value does not read.
                CMC_Variable* v = static_cast<CNetVariableMessage*>(m.get())->getVariable();
                if (v) CMC_VariableFactory::free(v);
            }
        }
        EXPECT_GT(refused, 0) << "type " << whole->getType();
    }
    // A data message whose count reaches past its block, or is negative.
    EXPECT_FALSE(decoded(Wire().i(10).i(30).i(1).i(2).i(0).i(0).i(3).raw({1, 2}).b)->isValid());
    EXPECT_FALSE(decoded(Wire().i(10).i(28).i(1).i(2).i(0).i(0).i(-1).b)->isValid());
    // A variable whose image has no type id.
    EXPECT_FALSE(decoded(Wire().i(2).i(12).s("ABC").b)->isValid());
}

TEST_F(NetMessageTest, OversizedPayloadsAreNeverSent) {
    std::string huge(static_cast<size_t>(CNetMessage::MAX_LENGTH), 'x');
    CNetTextMessage text(nullptr, CXString(huge.c_str()));
    EXPECT_FALSE(text.isValid());
    CXSocket socket(nullptr);
    EXPECT_FALSE(socket.send(new CNetTextMessage(nullptr, CXString(huge.c_str()))));
    EXPECT_EQ(socket.LastError(), ERR_NET_DAMAGED);
    std::string fits(static_cast<size_t>(CNetMessage::MAX_LENGTH - 9), 'x');
    EXPECT_TRUE(CNetTextMessage(nullptr, CXString(fits.c_str())).isValid());
}

TEST(NetFrameTest, MessagesAreCutWhateverTheReadsBring) {
    const Bytes goodbye = frame(4, {});
    const Bytes text = frame(5, {'h', 'i', 0});
    Bytes both = goodbye;
    both.insert(both.end(), text.begin(), text.end());

    CMessageStack once(nullptr);
    once.push(goodbye.data(), 8);
    std::unique_ptr<CNetMessage> m(once.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getType(), 4);
    EXPECT_EQ(once.get(), nullptr);
    EXPECT_EQ(once.getLength(), 0);

    CMessageStack two(nullptr);
    two.push(both.data(), static_cast<int>(both.size()));
    std::unique_ptr<CNetMessage> first(two.get()), second(two.get());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->getType(), 4);
    EXPECT_EQ(bytesOf(*second), text);
    EXPECT_EQ(two.get(), nullptr);

    CMessageStack byByte(nullptr);
    std::vector<std::unique_ptr<CNetMessage>> got;
    for (unsigned char b : both) {
        byByte.push(&b, 1);
        while (CNetMessage* next = byByte.get()) got.emplace_back(next);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(bytesOf(*got[1]), text);
    EXPECT_FALSE(byByte.isBroken());
}

TEST(NetFrameTest, LengthsOutOfRangeBreakTheStream) {
    for (int32_t length : {0, 7, -1, 0x7FFFFFFF, CNetMessage::MAX_LENGTH + 1}) {
        CMessageStack stack(nullptr);
        Bytes bytes = frame(4, {});
        Bytes bad = Wire().i(5).i(length).i(0).b;
        bytes.insert(bytes.end(), bad.begin(), bad.end());
        stack.push(bytes.data(), static_cast<int>(bytes.size()));
        std::unique_ptr<CNetMessage> before(stack.get());
        EXPECT_NE(before, nullptr) << length; // what came before the damage is kept
        EXPECT_EQ(stack.get(), nullptr);
        EXPECT_TRUE(stack.isBroken()) << length;
        stack.push(frame(4, {}).data(), 8);
        EXPECT_EQ(stack.get(), nullptr); // nothing more is read from a broken stream
    }
    // The largest message passes.
    CMessageStack stack(nullptr);
    Bytes largest = frame(99, Bytes(static_cast<size_t>(CNetMessage::MAX_LENGTH - 8), 7));
    stack.push(largest.data(), static_cast<int>(largest.size()));
    std::unique_ptr<CNetMessage> m(stack.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getBufferLen(), CNetMessage::MAX_LENGTH);
}

TEST_F(NetMessageTest, ProcessorHandsTypedFormsToListenersAndRefusesDamage) {
    Recorder first, second;
    CXArray listeners;
    listeners.add(static_cast<CNetListener*>(&first));
    listeners.add(static_cast<CNetListener*>(&second));

    CNetTextMessage text(nullptr, CXString("hi"));
    text.setSender(CXString("Ann"));
    EXPECT_EQ(CNetMessageProcessor::process(&text, &listeners), ERR_NONE);
    CNetMessage unknown(nullptr, 11);
    EXPECT_EQ(CNetMessageProcessor::process(&unknown, &listeners), ERR_NONE);
    // A ping response is handed on and not answered (it has no socket to answer on either).
    CNetPingMessage ping(nullptr, 1);
    std::unique_ptr<CNetPingMessage> pong(CNetPingMessage::response(ping));
    EXPECT_EQ(CNetMessageProcessor::process(pong.get(), &listeners), ERR_NONE);
    Bytes damaged = Wire().i(7).i(11).raw({'A', 'n', 'n'}).b;
    CNetMessage hello(nullptr, damaged.data());
    EXPECT_EQ(CNetMessageProcessor::process(&hello, &listeners), ERR_NET_DAMAGED);

    EXPECT_EQ(first.types, (std::vector<int>{5, 11, 6}));
    EXPECT_EQ(second.types, first.types);
    EXPECT_EQ(first.senders[0], CXString("Ann"));
}

TEST_F(NetMessageTest, AListenerRemovedDuringTheWalkIsNotCalled) {
    // The first listener removes and deletes the second (a script ending a peer from its handler).
    struct Remover : CNetListener {
        CXArray* list = nullptr;
        CNetListener* victim = nullptr;
        void onMessage(CNetMessage*) override {
            list->remove(victim);
            delete victim;
            victim = nullptr;
        }
    };
    Remover remover;
    Recorder last;
    CXArray listeners;
    remover.list = &listeners;
    remover.victim = new Recorder;
    listeners.add(static_cast<CNetListener*>(&remover));
    listeners.add(remover.victim);
    listeners.add(static_cast<CNetListener*>(&last));
    CNetTextMessage text(nullptr, CXString("x"));
    EXPECT_EQ(CNetMessageProcessor::process(&text, &listeners), ERR_NONE);
    EXPECT_EQ(last.types, std::vector<int>{5});
}
