// A received stream of file responses and data (and anything else) into a transfer's receiving end: sizes,
// order and ranges checked before a byte is copied; nothing is written to disk.
#include <memory>

#include "fuzz/FuzzSupport.h"
#include "net/FileTransfer.h"
#include "net/NetMessage.h"
#include "net/NetMessageProcessor.h"
#include "net/XSocket.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMessageStack stack(nullptr);
    stack.push(data, static_cast<int>(size));
    auto entry = std::make_unique<CFileReceiver_Entry>(nullptr, 1, CXString(""), CXString(""), CXString("f"));
    while (CNetMessage* raw = stack.get()) {
        std::unique_ptr<CNetMessage> owned(raw);
        std::unique_ptr<CNetMessage> typed(CNetMessageProcessor::decode(raw, CXString("peer")));
        if (!typed || !typed->isValid()) continue;
        if (!entry->received(typed.get())) // finished or dropped: the next transfer starts afresh
            entry = std::make_unique<CFileReceiver_Entry>(nullptr, 1, CXString(""), CXString(""), CXString("f"));
    }
    return 0;
}
