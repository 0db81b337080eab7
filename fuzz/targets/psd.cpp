// Layered picture files: every layer read into a 24-bit graphics object with its alpha plane, then named
// and selected.
#include "display/PSD.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<CPSD> psd = KavirelFuzz::loadPicture<CPSD>("layers.psd", data, size);
    if (!psd) return 0;
    for (int i = 0; i < psd->GetLayerNo(); ++i) {
        psd->SelectLayer(i);
        psd->SelectLayer(psd->GetLayerName(i));
        psd->GetLayerRect(i);
    }
    psd->SetPosition(3, 4);
    return 0;
}
