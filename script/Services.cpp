#include "script/Services.h"

namespace KavirelDLL {

namespace {

CMC_SceneMedia* g_media = nullptr;
CMC_NetServices* g_net = nullptr;
CMC_Host* g_host = nullptr;

} // namespace

CMC_SceneMedia* CMC_SceneMedia::get() { return g_media; }
void CMC_SceneMedia::install(CMC_SceneMedia* media) { g_media = media; }

CMC_NetServices* CMC_NetServices::get() { return g_net; }
void CMC_NetServices::install(CMC_NetServices* net) { g_net = net; }

CMC_Host* CMC_Host::get() { return g_host; }
void CMC_Host::install(CMC_Host* host) { g_host = host; }

} // namespace KavirelDLL
