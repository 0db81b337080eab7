#include "net/NetMessageProcessor.h"

#include <memory>

#include "core/Containers.h"
#include "core/Log.h"
#include "net/NetListener.h"
#include "net/NetMessage.h"
#include "net/XSocket.h"

namespace KavirelDLL {

CNetMessage* CNetMessageProcessor::decode(CNetMessage* raw, const CXString& senderName) {
    if (!raw) return nullptr;
    switch (raw->getType()) {
    case CNetMessage::CMD: return new CNetCmdMessage(senderName, raw);
    case CNetMessage::VARIABLE: return new CNetVariableMessage(senderName, raw);
    case CNetMessage::BEHAVIOUR: return new CNetBehaviourMessage(senderName, raw);
    case CNetMessage::TEXT: return new CNetTextMessage(senderName, raw);
    case CNetMessage::PING: return new CNetPingMessage(senderName, raw);
    case CNetMessage::HELLO: return new CNetHelloMessage(senderName, raw);
    case CNetMessage::FILE_REQUEST: return new CNetFileRequestMessage(senderName, raw);
    case CNetMessage::FILE_RESPONSE: return new CNetFileResponseMessage(senderName, raw);
    case CNetMessage::FILE_DATA: return new CNetFileDataMessage(senderName, raw);
    default: return nullptr;
    }
}

int CNetMessageProcessor::process(CNetMessage* raw, CXArray* listeners) {
    if (!raw) return ERR_NET_DAMAGED;
    std::unique_ptr<CNetMessage> typed(decode(raw, raw->getSenderName()));
    if (typed && !typed->isValid()) {
        logMessage("network: a message of type %d from \"%s\" does not read; the connection is dropped",
                   raw->getType(), raw->getSenderName().GetBuffer() ? raw->getSenderName().GetBuffer() : "");
        if (raw->getHandle()) raw->getHandle()->drop();
        return ERR_NET_DAMAGED;
    }
    if (typed && typed->getType() == CNetMessage::PING) {
        auto* ping = static_cast<CNetPingMessage*>(typed.get());
        if (!ping->isResponse() && ping->getHandle()) ping->getHandle()->send(CNetPingMessage::response(*ping));
    }
    CNetMessage* given = typed ? typed.get() : raw;
    if (listeners) {
        // A listener may add or remove (and delete) listeners: the walk is over a copy, and one removed on
        // the way is not called.
        std::vector<CNetListener*> walk;
        for (int i = 0; i < listeners->getSize(); i++) walk.push_back(static_cast<CNetListener*>(listeners->at(i)));
        for (CNetListener* l : walk)
            if (l && listeners->contains(l)) l->onMessage(given);
    }
    return ERR_NONE;
}

} // namespace KavirelDLL
