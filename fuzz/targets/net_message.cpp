// Every message's typed reader: the first byte picks the type, the rest is the payload after a header whose
// length is the block's own. What a reader accepts is read through its accessors (a value is built from a
// variable's image).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Containers.h"
#include "fuzz/FuzzSupport.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;
using KavirelFuzz::CFuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The value pools live for the process, as for a running game.
    static const bool pools = (kavirelRegisterTypes(), CMC_VariableFactory::initialize(), std::atexit([] { CMC_VariableFactory::done(); }), true);
    (void)pools;
    CFuzzInput input(data, size);
    const int type = input.byte() % 12;
    if (input.restSize() > static_cast<size_t>(CNetMessage::MAX_LENGTH - CNetMessage::HEADER)) return 0;
    std::vector<unsigned char> block(CNetMessage::HEADER + input.restSize());
    const uint32_t length = static_cast<uint32_t>(block.size());
    for (int k = 0; k < 4; k++) {
        block[k] = static_cast<unsigned char>(type >> (8 * k));
        block[4 + k] = static_cast<unsigned char>(length >> (8 * k));
    }
    if (input.restSize()) std::memcpy(block.data() + CNetMessage::HEADER, input.rest(), input.restSize());
    CNetMessage raw(nullptr, block.data());
    std::unique_ptr<CNetMessage> typed(CNetMessageProcessor::decode(&raw, CXString("fuzz")));
    if (!typed || !typed->isValid()) return 0;
    volatile unsigned sum = 0;
    switch (type) {
    case CNetMessage::CMD: {
        auto* cmd = static_cast<CNetCmdMessage*>(typed.get());
        for (int i = 0; i < cmd->getParams()->getSize(); i++)
            sum = sum + static_cast<CXString*>(cmd->getParams()->at(i))->GetLength();
        break;
    }
    case CNetMessage::VARIABLE: {
        auto* var = static_cast<CNetVariableMessage*>(typed.get());
        sum = sum + var->getVariableType();
        if (CMC_Variable* value = var->getVariable()) {
            sum = sum + value->getBufferLen();
            CMC_VariableFactory::free(value);
        }
        break;
    }
    case CNetMessage::FILE_DATA: {
        auto* chunk = static_cast<CNetFileDataMessage*>(typed.get());
        for (int i = 0; i < chunk->getCount(); i++) sum = sum + chunk->getData()[i];
        break;
    }
    case CNetMessage::PING: {
        std::unique_ptr<CNetPingMessage> answer(CNetPingMessage::response(*static_cast<CNetPingMessage*>(typed.get())));
        sum = sum + answer->getBufferLen();
        break;
    }
    default: break;
    }
    return 0;
}
