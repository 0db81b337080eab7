#pragma once
#include "media/anim/Animo.h"

namespace KavirelDLL {

class CWindow;
class CMElement;

// The animation scripts use: built from a definition element, drawn at its global position, flipped and
// rotated as a whole, with volume, pan and frequency for every frame sound.
class CAnimo6 : public CAnimo {
public:
    explicit CAnimo6(CWindow* window);
    CAnimo6(CWindow* window, CXString fileName);
    CAnimo6(CAnimo6& other);
    // RELEASEAFTERUSE, PRELOAD (true when absent), FILENAME and VISIBLE (false when absent).
    CAnimo6(CWindow* window, CMElement* element);

    virtual void flush() { Flush(); }

    CXObject* clone() override;
    void pack(bool freeWorking) override;
    void unpack() override;
    int getGfxType() override { return 2; }
    void FlipH() override;
    void FlipV() override;
    void resetFlips() override;
    void redraw(CGraphicsObject* destination) override;
    CXRect getRect() override;
    CXPoint ClientCoords(CXPoint p) override;
    CXPoint rotateRZ(float angle) override;
    void show() override;
    void hide() override;
    void setVolume(int volume) override;
    void setPanning(int panning) override;
    void setFrequency(int frequency) override;

    using CPlayable::isPlaying;
    bool isPlaying() override { return CAnimo::isPlaying(); }
    bool isPlaying(CXString event);
    bool isAt(int x, int y, bool alpha);
    void replace_color(CColor* from, CColor* to);
    int GetMaxWidth();
    int GetMaxHeight();

private:
    // Every frame sound, once each.
    template <typename Op>
    void forEachSound(Op op);
};

} // namespace KavirelDLL
