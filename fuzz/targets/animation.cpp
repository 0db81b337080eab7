// Animation files of every generation ("NVI", "NV+", "NVP", "PAK", "PIK", "PI2", "PI3" and unknown magics)
// read into a window of 16-bit pixels; then every image is drawn, the first event plays a few steps and the
// animation is written again.
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "media/anim/Animo6.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<CAnimo6> animation = KavirelFuzz::loadPicture<CAnimo6>("ANIMATION.ANN", data, size);
    if (!animation) return 0;
    CGraphicsObject target(KavirelFuzz::pictureWindow(), CXSize(64, 64), 16);
    for (int i = 0; i < animation->GetNOF() && i < 64; ++i) {
        animation->Seek(i);
        animation->redraw(&target);
    }
    animation->Play(animation->getFirstEvent(), 0);
    for (int step = 0; step < 16 && animation->IsPlaying(); ++step) {
        animation->next();
        animation->redraw(&target);
    }
    std::vector<uint8_t> bytes;
    animation->save3(bytes, COMPRESSION_RLE);
    return 0;
}
