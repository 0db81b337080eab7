#pragma once
#include "display/Color.h"
#include "display/Image.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

enum : int {
    EVT_IMAGE_ONCOLLISION = 3,
    EVT_IMAGE_ONCOLLISIONFINISHED = 4,
    EVT_IMAGE_ONFOCUSON = 5,
    EVT_IMAGE_ONFOCUSOFF = 6,
    EVT_IMAGE_ONCLICK = 7,
    EVT_IMAGE_ONRELEASE = 8,
};

// IMAGE: one still picture on the screen. In a scene, images of one file are shared through the scene
// unit's resource cache.
class CMC_Image : public CMC_GraphicMedia {
public:
    // Definition form.
    CMC_Image(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form (caches read these, then serialize).
    explicit CMC_Image(CMC_ObjectsContainer* container);
    // Clone form: takes the image over.
    CMC_Image(CMC_ObjectsContainer* container, CImage* image);

    CXString** getBehavioursList() override;
    void load(CXString fileName, bool preload) override;

    CImage* getImage() const;
    CColor GetPixel(int x, int y);
    // Shares the named IMAGE's pixels and alpha plane when its picture has this one's size and depth;
    // false (and a log line) otherwise.
    bool link(CMC_Object* other);

protected:
    CMC_GraphicMedia* newClone(CGraphicsObject* copy) override;
    void setGraphicVisible(bool visible) override;
};

// IMAGE methods.
class CMC_Image_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_SHOW = 1,
        MTH_HIDE = 2,
        MTH_SETPOSITION = 5,
        MTH_MOVE = 6,
        MTH_LOAD = 7,
        MTH_CLEARCLIPPING = 8,
        MTH_SETCLIPPING = 9,
        MTH_GETPOSITIONX = 15,
        MTH_GETPOSITIONY = 16,
        MTH_GETWIDTH = 17,
        MTH_GETHEIGHT = 18,
        MTH_ISNEAR = 23,
        MTH_ISINSIDE = 24,
        MTH_MONITORCOLLISION = 26,
        MTH_REMOVEMONITORCOLLISION = 27,
        MTH_SETSCALEFACTOR = 28,
        MTH_SETPRIORITY = 32,
        MTH_GETALPHA = 33,
        MTH_GETPIXEL = 34,
        MTH_MERGEALPHA = 36,
        MTH_INVALIDATE = 37,
        MTH_GETCENTERX = 40,
        MTH_GETCENTERY = 41,
        MTH_ISVISIBLE = 48,
        MTH_LINK = 49,
        MTH_SETASBUTTON = 50,
        MTH_SETOPACITY = 51,
        MTH_SAVE = 52,
        MTH_SETANCHOR = 53,
        MTH_FLIPH = 54,
        MTH_FLIPV = 55,
        MTH_RESETFLIPS = 56,
        MTH_DRAWONTO = 57,
        MTH_RESETPOSITION = 58,
        MTH_SETRESETPOSITION = 59,
        MTH_ISAT = 63,
        MTH_GETOPACITY = 64,
        MTH_GETSLIDECOMPS = 65,
        MTH_GETCOLORAT = 66,
        MTH_GETCOLORRAT = 67,
        MTH_GETCOLORGAT = 68,
        MTH_GETCOLORBAT = 69,
        MTH_MERGEALPHA2 = 70,
        MTH_REPLACECOLOR = 71,
        MTH_GETPRIORITY = 72,
    };

    CMC_Image_Runner() : CMC_MediaRunner(TYPE_IMAGE) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
