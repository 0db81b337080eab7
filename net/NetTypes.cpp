#include "net/NetTypes.h"

#include "net/Internet.h"
#include "net/NetClient.h"
#include "net/NetServer.h"
#include "net/NetworkServer.h"
#include "script/Scene.h"
#include "script/Services.h"
#include "script/TypeRegistry.h"
#include "script/Variable.h"

namespace KavirelDLL {

namespace {

using R = CMC_TypeRegistry;

class CNetServices : public CMC_NetServices {
public:
    void flushDownloads(CMC_Object* internet) override {
        if (internet->getType() == TYPE_INTERNET) static_cast<CMC_Internet*>(internet)->flushDownloadFinished();
    }

    void tick() override { CMC_NetPeer::tickAll(); }

    void sendChange(CMC_ObjectsContainer* scene, CMC_Variable* value) override {
        CMC_Object* server = scene->getObject("NETSERVER");
        CMC_Object* client = scene->getObject("NETCLIENT");
        if (server && server->getType() == TYPE_NETSERVER) {
            auto* netServer = static_cast<CMC_NetServer*>(server);
            if (netServer->getServerIfc() && netServer->getServerIfc()->isStarted()) {
                netServer->sendVar("", value);
                return;
            }
        }
        if (client && client->getType() == TYPE_NETCLIENT) {
            auto* netClient = static_cast<CMC_NetClient*>(client);
            if (netClient->isConnected()) netClient->sendVar("", value);
        }
    }
};

} // namespace

void registerNetTypes() {
    static CNetServices net;
    CMC_NetServices::install(&net);

    // The peers come from caches (and from code); no definition's TYPE makes them.
    R::add({.id = TYPE_NETSERVER,
            .name = "NETSERVER",
            .blank = [](CMC_Scene* scene) -> CMC_Object* {
                return new CMC_NetServer(scene ? scene->getWindow() : nullptr,
                                         scene ? scene->getMCApplication() : nullptr);
            },
            .makeRunner = &R::runner<CMC_NetServer_Runner>});
    R::add({.id = TYPE_NETCLIENT,
            .name = "NETCLIENT",
            .blank = [](CMC_Scene* scene) -> CMC_Object* {
                return new CMC_NetClient(scene ? scene->getWindow() : nullptr,
                                         scene ? scene->getMCApplication() : nullptr);
            },
            .makeRunner = &R::runner<CMC_NetClient_Runner>});
    // Made in the scene by CNVLOADER; its finished downloads are announced at its container's frame step.
    R::add({.id = TYPE_INTERNET,
            .name = "INTERNET",
            .fromDefinition = &makeFromDefinition<CMC_Internet>,
            .pass = 6,
            .sceneInResolve = true,
            .makeRunner = &R::runner<CMC_Internet_Runner>});
}

} // namespace KavirelDLL
