#include "net/NetClient.h"

namespace KavirelDLL {

CMC_NetClient::CMC_NetClient(CWindow*, CMC_ObjectsContainer* application)
    : CMC_PendingObject(application, CXString(""), TYPE_NETCLIENT, "NETCLIENT") {}

void CMC_NetClient::sendVar(const CXString&, CMC_Variable*) { notBuilt("sending a value to the server"); }

} // namespace KavirelDLL
