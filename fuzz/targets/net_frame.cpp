// The frame reader over a received byte stream, cut into reads of sizes the leading bytes choose; every
// message it yields goes through the processor (its typed reader, a ping's answer) without listeners.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "net/XSocket.h"

using namespace KavirelDLL;
using KavirelFuzz::CFuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput input(data, size);
    const size_t chunk = 1 + input.byte() % 64;
    CMessageStack stack(nullptr);
    const uint8_t* at = input.rest();
    size_t left = input.restSize();
    while (left > 0 && !stack.isBroken()) {
        const size_t n = left < chunk ? left : chunk;
        stack.push(at, static_cast<int>(n));
        at += n;
        left -= n;
        while (CNetMessage* raw = stack.get()) {
            std::unique_ptr<CNetMessage> owned(raw);
            CNetMessageProcessor::process(raw, nullptr);
        }
    }
    return 0;
}
