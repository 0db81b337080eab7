// Layered picture files: every layer read into a 24-bit graphics object with its alpha plane, then named
// and selected.
#include "display/PSD.h"
#include "core/File.h"
#include "fuzz/FuzzSupport.h"
#include "harness/ImageFiles.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static KavirelTest::ImageWindow window;
    CFile file;
    if (file.OpenDirect(KavirelFuzz::writeScratch("layers.psd", data, size),
                        CFile::MODE_READ | CFile::MODE_BINARY))
        return 0;
    CPSD psd(&window);
    if (psd.Load(&file) != 0) return 0;
    for (int i = 0; i < psd.GetLayerNo(); ++i) {
        psd.SelectLayer(i);
        psd.SelectLayer(psd.GetLayerName(i));
        psd.GetLayerRect(i);
    }
    psd.SetPosition(3, 4);
    return 0;
}
