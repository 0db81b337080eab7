#include "platform/ImageLibrary.h"

#include <IL/il.h>
#include <IL/ilu.h>

namespace KavirelDLL {

namespace {
int g_users = 0;
}

void CImageLibrary::start() {
    if (g_users++ > 0) return;
    ilInit();
    iluInit();
}

void CImageLibrary::stop() {
    if (g_users == 0) return;
    if (--g_users == 0) ilShutDown();
}

bool CImageLibrary::isRunning() { return g_users > 0; }

} // namespace KavirelDLL
