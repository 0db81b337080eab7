// Sequence files read into trees of playables, with and without a cache: the tree is played by key, walked,
// sought through and stopped, its animations stepped and its sounds mixed on the in-memory mixer. The
// scratch folder holds an animation "A.ANN" and a sound "A.WAV" that leaves may name.
#include <memory>
#include <vector>

#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "fuzz/FuzzSupport.h"
#include "media/anim/Animo6.h"
#include "media/sequences/SequenceCreator.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sound/Sound4.h"
#include "media/sound/SoundCodec.h"
#include "platform/Audio.h"

using namespace KavirelDLL;

namespace {

class Quiet : public CPlayableObserver {};

void writeMedia() {
    CAnimo6 animation(nullptr);
    CGraphicsObject image(nullptr, CXSize(1, 1), 16);
    animation.AddFrame(&image);
    for (const char* name : {"1", "2", "START", "END", "MAN_1", "MAN_STOP"}) {
        _animoEvent event;
        event.setName(name);
        event.frames = 2;
        animation.AddEvent(event);
    }
    animation.SetBpp(16);
    std::vector<uint8_t> bytes;
    animation.save3(bytes, COMPRESSION_NONE);
    KavirelFuzz::writeScratch("A.ANN", bytes.data(), bytes.size());
    const uint8_t wav[] = {'R', 'I', 'F',  'F',  44, 0, 0, 0, 'W', 'A', 'V', 'E',  'f',
                           'm', 't', ' ',  16,   0,  0, 0, 1, 0,   1,   0,   0x22, 0x56,
                           0,   0,   0x44, 0xAC, 0,  0, 2, 0, 16,  0,   'd', 'a',  't',
                           'a', 8,   0,    0,    0,  1, 0, 2, 0,   3,   0,   4,    0};
    KavirelFuzz::writeScratch("A.WAV", wav, sizeof wav);
}

void play(CPlayable* root) {
    auto* sequence = dynamic_cast<CSequencedPlayable*>(root);
    for (const char* key : {"", "GO", "1", "A"}) {
        root->play(CXString(key));
        int16_t out[2 * 256];
        for (int step = 0; step < 6; ++step) {
            CSound4::getDevice()->render(out, 256);
            if (!sequence) continue;
            std::unique_ptr<CXArray> animations(sequence->getAllAnimations());
            for (int i = 0; i < animations->getSize(); ++i)
                static_cast<CPlayable*>(animations->at(i))->next();
            sequence->next();
        }
        if (sequence) {
            sequence->get(CXString(key));
            sequence->getLastPlayedEvent(CXString(key));
            std::unique_ptr<CXArray> sounds(sequence->getAllOfType(1));
            sequence->getBoundingBox(0);
            sequence->seek(-4);
            sequence->pause();
            sequence->resume();
            sequence->seek(-3);
        }
        root->stop(true);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        CSound4::useDevice(CAudioDevice::openMemory());
        CSoundCodec::init_codecs();
        writeMedia();
        CWindow::rootPath = CXString((KavirelFuzz::scratch().string() + "/").c_str());
        return true;
    }();
    (void)ready;
    CXString name = KavirelFuzz::writeScratch("SEQ.SEQ", data, size);
    Quiet observer;
    for (bool cached : {true, false}) {
        CResourcesManager cache(nullptr);
        std::unique_ptr<CPlayable> root(
            CMultimediaSequenceCreator::load(nullptr, name, cached ? &cache : nullptr, &observer));
        if (root) play(root.get());
    }
    return 0;
}
