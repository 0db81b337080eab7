#include "net/NetServer.h"

#include "net/NetworkServer.h"

namespace KavirelDLL {

CMC_NetServer::CMC_NetServer(CWindow*, CMC_ObjectsContainer* application)
    : CMC_PendingObject(application, CXString(""), TYPE_NETSERVER, "NETSERVER"),
      m_server(new CNetworkServer()) {}

CMC_NetServer::~CMC_NetServer() { delete m_server; }

void CMC_NetServer::sendVar(const CXString&, CMC_Variable*) { notBuilt("sending a value to the players"); }

} // namespace KavirelDLL
