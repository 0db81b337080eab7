#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CNetMessage;
class CNetPlayerInfo;

// Told of a peer's messages and connections, on the main thread. The defaults do nothing.
class CNetListener {
public:
    virtual ~CNetListener() = default;
    virtual void onMessage(CNetMessage* message) { (void)message; }
    virtual void onConnected(CXString address) { (void)address; }
    virtual void onConnectionClosed() {}
    virtual void onNewPlayer(CNetPlayerInfo* player) { (void)player; }
    virtual void onDestroyPlayer(CNetPlayerInfo* player) { (void)player; }
};

} // namespace KavirelDLL
