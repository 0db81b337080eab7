#include "objects/Image.h"

#include <cmath>
#include <cstring>

#include "core/Elements.h"
#include "core/Log.h"
#include "display/Image.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "script/Array.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

CMC_Image::CMC_Image(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicMedia(container, element, TYPE_IMAGE) {
    Keys keys = readKeys(element);
    load(keys.fileName, keys.preload);
    finishDefinition(container, element, keys);
}

CMC_Image::CMC_Image(CMC_ObjectsContainer* container)
    : CMC_GraphicMedia(container, CXString(""), TYPE_IMAGE) {}

CMC_Image::CMC_Image(CMC_ObjectsContainer* container, CImage* image)
    : CMC_GraphicMedia(container, image, image, TYPE_IMAGE) {}

CXString** CMC_Image::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCOLLISION", "ONCOLLISIONFINISHED", "ONFOCUSON",
                          "ONFOCUSOFF", "ONCLICK", "ONRELEASE"});
}

CImage* CMC_Image::getImage() const { return static_cast<CImage*>(m_graphic); }

CMC_GraphicMedia* CMC_Image::newClone(CGraphicsObject* copy) {
    auto* image = dynamic_cast<CImage*>(copy);
    if (!image) {
        delete copy;
        return nullptr;
    }
    return new CMC_Image(getContainer(), image);
}

void CMC_Image::setGraphicVisible(bool visible) {
    CImage* image = getImage();
    if (!image) return;
    // A picture whose reading was deferred is read when it is first shown.
    if (visible)
        image->show();
    else
        image->Visible(false);
}

void CMC_Image::load(CXString fileName, bool preload) {
    CResourcesManager* cache = getCache();
    int oldPriority = getDrawPriority();
    // Exactly the uses this object took go back, its clones' lookups included; the cache destroys the old
    // picture only when nobody else shows it.
    releaseGraphic();
    CImage* image = nullptr;
    if (cache && fileName.IsString()) {
        image = dynamic_cast<CImage*>(takeFromCache(fileName));
        if (!image) {
            // Another kind of resource under this name is no picture.
            giveBackUses(nullptr);
            image = new CImage(m_window);
            image->setFilename(fileName);
            if (preload) image->Load(fileName, true);
            addToCache(image);
        }
    } else {
        image = new CImage(m_window);
        image->setFilename(fileName);
        image->setFileName(fileName);
        if (preload && fileName.IsString()) image->Load(fileName, true);
        if (cache) addToCache(image);
    }
    setGraphic(image);
    replaceGraphicDone(oldPriority);
}

bool CMC_Image::link(CMC_Object* other) {
    CImage* mine = getImage();
    if (!other) return false;
    if (other->getType() != TYPE_IMAGE) {
        logMessage("IMAGE %s: LINK to %s, which is no IMAGE; nothing is shared", m_name.GetBuffer(),
                   other->getName().GetBuffer());
        return false;
    }
    CImage* theirs = static_cast<CMC_Image*>(other)->getImage();
    if (!mine || !theirs) return false;
    // A picture whose reading was deferred is read now: its size is known only then.
    for (CImage* image : {mine, theirs})
        if (!image->isLoaded() && image->getFileName().IsString()) image->Load(image->getFileName(), true);
    if (!theirs->decodePixels() || !mine->decodePixels()) {
        logMessage("IMAGE %s: LINK to %s: a picture is not loaded; nothing is shared", m_name.GetBuffer(),
                   other->getName().GetBuffer());
        return false;
    }
    if (mine->sharePixelsOf(*theirs)) return true;
    logMessage("IMAGE %s: LINK to %s needs a picture of the same width, height and depth; nothing is shared",
               m_name.GetBuffer(), other->getName().GetBuffer());
    return false;
}

CColor CMC_Image::GetPixel(int x, int y) {
    CImage* image = getImage();
    return image ? image->GetPixel(x, y) : CColor();
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_Image* objectOf(Call& call) { return call.self<CMC_Image>(); }
CImage* imageOf(Call& call) { return call.self<CMC_Image>()->getImage(); }

// The graphic of the named object of the calling container.
CGraphicsObject* named(Call& call, const CXString& name) {
    return call.container() ? call.container()->getGraphicsObject(name) : nullptr;
}

CMC_Array* namedArray(Call& call, const CXString& name) {
    CMC_Object* found = call.container() ? call.container()->getObject(name) : nullptr;
    return found && found->getType() == TYPE_ARRAY ? static_cast<CMC_Array*>(found) : nullptr;
}

// The plane's byte or the pixel's word at a screen point inside the image, or null.
const char* at(CImage* image, int x, int y, bool alpha) {
    if (!image || !image->decodePixels()) return nullptr;
    CXPoint p = image->GetPosition();
    int w = image->Width(), h = image->Height();
    if (x < p.x || y < p.y || x >= p.x + w || y >= p.y + h) return nullptr;
    size_t row = static_cast<size_t>(y - p.y), column = static_cast<size_t>(x - p.x);
    if (alpha) {
        const char* plane = image->GetChannelAlpha();
        if (!plane || image->GetChannelSize(3) < w * h) return nullptr;
        return plane + row * static_cast<size_t>(w) + column;
    }
    if (image->GetBpp() != 15 && image->GetBpp() != 16) return nullptr;
    size_t pitch = static_cast<size_t>(image->GetPitch() > 0 ? image->GetPitch() : w);
    return image->GetDataPtr() + (row * pitch + column) * 2;
}

// A colour of the screen's pixel format: 5-5-5 when the window works at 15 bits, else 5-6-5.
CColor packed(CWindow* window, int r, int g, int b) {
    if (window && window->GetBpp() == 15) {
        int word = (((r >> 3) & 31) << 10) | (((g >> 3) & 31) << 5) | ((b >> 3) & 31);
        return CColor(static_cast<int16_t>(word), COLORMODEL_RGB15);
    }
    int word = ((r >> 3) << 11) + ((g >> 2) << 5) + (b >> 3);
    return CColor(static_cast<int16_t>(word), COLORMODEL_RGB16);
}

CXPoint anchorPoint(CImage* image, const CXString& name) {
    CXPoint p = image->GetPosition();
    CXSize s = image->Size();
    const struct {
        const char* name;
        int x2, y2; // halves of the width and height added
    } anchors[] = {{"CENTER", 1, 1},    {"LEFTUPPER", 0, 0},  {"RIGHTUPPER", 2, 0},
                   {"LEFTLOWER", 0, 2}, {"RIGHTLOWER", 2, 2}, {"LEFT", 0, 1},
                   {"RIGHT", 2, 1},     {"TOP", 1, 0},        {"BOTTOM", 1, 2}};
    for (const auto& a : anchors)
        if (name.equals(a.name))
            return CXPoint(p.x + (a.x2 == 1   ? s.cx / 2
                                  : a.x2 == 2 ? s.cx
                                              : 0),
                           p.y + (a.y2 == 1   ? s.cy / 2
                                  : a.y2 == 2 ? s.cy
                                              : 0));
    return CXPoint(0, 0);
}

// Turns the step away from the picture's opaque pixels: the first of the two turned directions that leaves
// them, or the last one tried after 90 steps. The angle is 57.29577951307855 radians, as games expect.
std::pair<double, double> slideComponents(CImage* image, double vx, double vy, int x, int y) {
    const double angle = 57.29577951307855;
    const double c1 = std::cos(angle), s1 = std::sin(angle), c2 = std::cos(-angle), s2 = std::sin(-angle);
    double ax = vx, ay = vy, bx = vx, by = vy;
    for (int n = 1;; ++n) {
        double nx = (ax * c1 + ay * s1) / 1.2, ny = (ay * c1 - ax * s1) / 1.2;
        ax = nx;
        ay = ny;
        if (!image->isAt(CXPoint(x + static_cast<int>(ax), y + static_cast<int>(ay)), true)) return {ax, ay};
        nx = (bx * c2 + by * s2) / 1.2;
        ny = (by * c2 - bx * s2) / 1.2;
        bx = nx;
        by = ny;
        if (!image->isAt(CXPoint(x + static_cast<int>(bx), y + static_cast<int>(by)), true)) return {bx, by};
        if (n >= 90) return {ax, ay};
    }
}

CMC_Variable* show(Call& c) {
    if (CImage* image = imageOf(c)) image->show();
    return nullptr;
}

CMC_Variable* hide(Call& c) {
    if (CImage* image = imageOf(c)) image->Visible(false);
    return nullptr;
}

CMC_Variable* setPosition(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    if (!image) return nullptr;
    image->Invalidate();
    image->SetPosition(x, y);
    image->Invalidate();
    return nullptr;
}

CMC_Variable* move(Call& c) {
    int dx = c.integer(0), dy = c.integer(1);
    if (CImage* image = c.gone() ? nullptr : imageOf(c)) image->Move(dx, dy);
    return nullptr;
}

CMC_Variable* load(Call& c) {
    CXString file = c.string(0);
    if (!c.gone()) objectOf(c)->load(file, true);
    return nullptr;
}

CMC_Variable* clearClipping(Call& c) {
    if (CImage* image = imageOf(c)) image->SetClippingRect(CXRect(0, 0, 0, 0));
    return nullptr;
}

CMC_Variable* setClipping(Call& c) {
    CXRect rect(0, 0, 0, 0);
    if (c.count() == 1) {
        CXString name = c.string(0);
        if (c.gone()) return nullptr;
        if (CGraphicsObject* other = named(c, name)) rect = other->GetBoundingBox();
    } else {
        rect = CXRect(c.integer(0), c.integer(1), c.integer(2), c.integer(3));
    }
    if (CImage* image = c.gone() ? nullptr : imageOf(c)) image->SetClippingRect(rect);
    return nullptr;
}

CMC_Variable* isNear(Call& c) {
    CImage* image = nullptr;
    bool near = false;
    if (c.count() == 2) {
        CXString name = c.string(0);
        int distance = c.integer(1);
        image = c.gone() ? nullptr : imageOf(c);
        // A name no graphic bears is never near.
        if (CGraphicsObject* other = image ? named(c, name) : nullptr) near = image->isNear(other, distance);
    } else {
        CXRect rect(c.integer(0), c.integer(1), c.integer(2), c.integer(3));
        int distance = c.integer(4);
        image = c.gone() ? nullptr : imageOf(c);
        near = image && image->isNear(rect, distance);
    }
    return c.gone() ? nullptr : boolResult(near);
}

CMC_Variable* isInside(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool alpha = c.boolean(2);
    if (c.gone()) return nullptr;
    CImage* image = imageOf(c);
    return boolResult(image && image->isInside(x, y, alpha));
}

CMC_Variable* monitorCollision(Call& c) {
    bool alpha = c.boolean(0);
    if (!c.gone() && imageOf(c)) objectOf(c)->monitorCollisionsNow(alpha);
    return nullptr;
}

CMC_Variable* removeMonitorCollision(Call& c) {
    objectOf(c)->removeMonitoringNow();
    return nullptr;
}

CMC_Variable* setPriority(Call& c) {
    int priority = c.integer(0);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    // Only the draw priority: the object's PRIORITY and its mouse listener keep theirs.
    if (CRefreshScreen* screen = image ? objectOf(c)->getScreen() : nullptr)
        screen->SetPriority(image, priority);
    return nullptr;
}

CMC_Variable* getAlpha(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (c.gone()) return nullptr;
    const char* byte = at(imageOf(c), x, y, true);
    return integerResult(byte ? static_cast<int8_t>(*byte) : 0);
}

CMC_Variable* getPixel(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (c.gone()) return nullptr;
    const char* word = at(imageOf(c), x, y, false);
    if (!word) return integerResult(0);
    int16_t value;
    std::memcpy(&value, word, 2);
    return integerResult(value);
}

CMC_Variable* mergeAlpha(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    CXString name = c.string(2);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    if (CGraphicsObject* other = image ? named(c, name) : nullptr) image->mergeAlpha(CXPoint(x, y), other);
    return nullptr;
}

CMC_Variable* mergeAlpha2(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    CXString name = c.string(2);
    bool flag = c.count() > 3 && c.boolean(3);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    if (CGraphicsObject* other = image ? named(c, name) : nullptr)
        image->mergeAlpha2(CXPoint(x, y), other, flag);
    return nullptr;
}

CMC_Variable* invalidate(Call& c) {
    if (CImage* image = imageOf(c)) image->Invalidate();
    return nullptr;
}

CMC_Variable* getCenter(Call& c, bool horizontal) {
    CImage* image = imageOf(c);
    if (!image) return integerResult(0);
    CXPoint p = image->GetPosition();
    // The sum halved, as games expect: not the position plus half the size.
    return integerResult(horizontal ? (p.x + image->Width()) / 2 : (p.y + image->Height()) / 2);
}

CMC_Variable* link(Call& c) {
    CXString name = c.string(0);
    if (c.gone() || !c.container()) return nullptr;
    if (CMC_Object* other = c.container()->getObject(name)) objectOf(c)->link(other);
    if (CImage* image = imageOf(c)) image->Invalidate();
    return nullptr;
}

CMC_Variable* setAsButton(Call& c) {
    bool enable = c.boolean(0), activeCursor = c.boolean(1);
    if (!c.gone()) objectOf(c)->setAsButton(enable, activeCursor);
    return nullptr;
}

CMC_Variable* setOpacity(Call& c) {
    int opacity = c.integer(0);
    if (CImage* image = c.gone() ? nullptr : imageOf(c)) image->SetOpacity(static_cast<uint8_t>(opacity));
    return nullptr;
}

CMC_Variable* save(Call& c) {
    CXString file = c.string(0);
    if (CImage* image = c.gone() ? nullptr : imageOf(c)) image->Save(file, COMPRESSION_NONE);
    return nullptr;
}

CMC_Variable* setAnchor(Call& c) {
    CXPoint anchor;
    if (c.count() == 1) {
        CXString name = c.string(0);
        if (c.gone() || !imageOf(c)) return nullptr;
        anchor = anchorPoint(imageOf(c), name);
    } else {
        anchor = CXPoint(c.integer(0), c.integer(1));
    }
    if (CImage* image = c.gone() ? nullptr : imageOf(c)) image->setAnchor(anchor.x, anchor.y);
    return nullptr;
}

template <void (CGraphicsObject::*flip)()>
CMC_Variable* flipped(Call& c) {
    if (CImage* image = imageOf(c)) {
        (image->*flip)();
        image->Invalidate();
    }
    return nullptr;
}

CMC_Variable* drawOnto(Call& c) {
    CXString name = c.string(0);
    int priority = c.count() > 1 ? c.integer(1) : 0;
    CImage* image = c.gone() ? nullptr : imageOf(c);
    CGraphicsObject* target = image ? named(c, name) : nullptr;
    // The graphics object refuses a picture drawn onto itself or onto one drawn onto it.
    if (target) target->addObject(image, priority);
    return nullptr;
}

CMC_Variable* resetPosition(Call& c) {
    CImage* image = imageOf(c);
    if (!image) return nullptr;
    CXPoint start = objectOf(c)->GetStartingPosition();
    image->Invalidate();
    image->SetPosition(start.x, start.y);
    image->Invalidate();
    return nullptr;
}

CMC_Variable* setResetPosition(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (!c.gone()) objectOf(c)->SetStartingPosition(x, y);
    return nullptr;
}

CMC_Variable* isAt(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool alpha = c.boolean(2);
    if (c.gone()) return nullptr;
    CImage* image = imageOf(c);
    return boolResult(image && image->isAt(CXPoint(x, y), alpha));
}

CMC_Variable* getOpacity(Call& c) {
    CImage* image = imageOf(c);
    return integerResult(image ? image->GetOpacity() : 0);
}

CMC_Variable* getSlideComps(Call& c) {
    double vx = c.real(0), vy = c.real(1);
    int x = c.integer(2), y = c.integer(3);
    CXString name = c.string(4);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    CMC_Array* array = image ? namedArray(c, name) : nullptr;
    if (!array) return nullptr;
    auto [sx, sy] = slideComponents(image, vx, vy, x, y);
    // The array's change handler may delete it: no add after that.
    std::shared_ptr<CMC_ObjectAnchor> alive = array->anchor();
    CMC_Double temp(CXString("temp"));
    temp.setValue(sx);
    array->add(&temp);
    temp.setValue(sy);
    if (alive->object) array->add(&temp);
    return nullptr;
}

CMC_Variable* getColorAt(Call& c) {
    // The coordinates are read (their expressions run) but not used.
    c.integer(0);
    c.integer(1);
    CXString name = c.string(2);
    CMC_Array* array = c.gone() ? nullptr : namedArray(c, name);
    if (!array) return nullptr;
    std::shared_ptr<CMC_ObjectAnchor> alive = array->anchor();
    CMC_Integer temp(CXString("temp"));
    temp.setValue(0);
    for (int i = 0; i < 4 && alive->object; ++i) array->add(&temp);
    return nullptr;
}

CMC_Variable* getColorChannel(Call& c) {
    c.integer(0);
    c.integer(1);
    // No channel is computed: the answer is 0.
    return c.gone() ? nullptr : integerResult(0);
}

CMC_Variable* replaceColor(Call& c) {
    int v[6];
    for (int i = 0; i < 6; ++i) v[i] = c.integer(i);
    CImage* image = c.gone() ? nullptr : imageOf(c);
    if (!image) return nullptr;
    CColor from = packed(objectOf(c)->getWindow(), v[0], v[1], v[2]);
    CColor to = packed(objectOf(c)->getWindow(), v[3], v[4], v[5]);
    image->replace_color(&from, &to);
    return nullptr;
}

} // namespace

void CMC_Image_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SHOW", MTH_SHOW, show);
    addMethod("HIDE", MTH_HIDE, hide);
    addMethod("SETPOSITION", MTH_SETPOSITION, setPosition);
    addMethod("MOVE", MTH_MOVE, move);
    addMethod("LOAD", MTH_LOAD, load);
    addMethod("CLEARCLIPPING", MTH_CLEARCLIPPING, clearClipping);
    addMethod("SETCLIPPING", MTH_SETCLIPPING, setClipping);
    addMethod("GETPOSITIONX", MTH_GETPOSITIONX, [](Call& c) -> CMC_Variable* {
        return integerResult(imageOf(c) ? imageOf(c)->GetPosition().x : 0);
    });
    addMethod("GETPOSITIONY", MTH_GETPOSITIONY, [](Call& c) -> CMC_Variable* {
        return integerResult(imageOf(c) ? imageOf(c)->GetPosition().y : 0);
    });
    addMethod("GETWIDTH", MTH_GETWIDTH,
              [](Call& c) -> CMC_Variable* { return integerResult(imageOf(c) ? imageOf(c)->Width() : 0); });
    addMethod("GETHEIGHT", MTH_GETHEIGHT,
              [](Call& c) -> CMC_Variable* { return integerResult(imageOf(c) ? imageOf(c)->Height() : 0); });
    addMethod("ISNEAR", MTH_ISNEAR, isNear);
    addMethod("ISINSIDE", MTH_ISINSIDE, isInside);
    addMethod("MONITORCOLLISION", MTH_MONITORCOLLISION, monitorCollision);
    addMethod("REMOVEMONITORCOLLISION", MTH_REMOVEMONITORCOLLISION, removeMonitorCollision);
    // Listed, but left to the common methods: it does nothing.
    addMethod("SETSCALEFACTOR", MTH_SETSCALEFACTOR, nullptr);
    addMethod("SETPRIORITY", MTH_SETPRIORITY, setPriority);
    addMethod("GETALPHA", MTH_GETALPHA, getAlpha);
    addMethod("GETPIXEL", MTH_GETPIXEL, getPixel);
    addMethod("MERGEALPHA", MTH_MERGEALPHA, mergeAlpha);
    addMethod("INVALIDATE", MTH_INVALIDATE, invalidate);
    addMethod("GETCENTERX", MTH_GETCENTERX, [](Call& c) { return getCenter(c, true); });
    addMethod("GETCENTERY", MTH_GETCENTERY, [](Call& c) { return getCenter(c, false); });
    addMethod("ISVISIBLE", MTH_ISVISIBLE,
              [](Call& c) -> CMC_Variable* { return boolResult(imageOf(c) && imageOf(c)->isVisible()); });
    addMethod("LINK", MTH_LINK, link);
    addMethod("SETASBUTTON", MTH_SETASBUTTON, setAsButton);
    addMethod("SETOPACITY", MTH_SETOPACITY, setOpacity);
    addMethod("SAVE", MTH_SAVE, save);
    addMethod("SETANCHOR", MTH_SETANCHOR, setAnchor);
    addMethod("FLIPH", MTH_FLIPH, flipped<&CGraphicsObject::FlipH>);
    addMethod("FLIPV", MTH_FLIPV, flipped<&CGraphicsObject::FlipV>);
    addMethod("RESETFLIPS", MTH_RESETFLIPS, flipped<&CGraphicsObject::resetFlips>);
    addMethod("DRAWONTO", MTH_DRAWONTO, drawOnto);
    addMethod("RESETPOSITION", MTH_RESETPOSITION, resetPosition);
    addMethod("SETRESETPOSITION", MTH_SETRESETPOSITION, setResetPosition);
    addMethod("ISAT", MTH_ISAT, isAt);
    addMethod("GETOPACITY", MTH_GETOPACITY, getOpacity);
    addMethod("GETSLIDECOMPS", MTH_GETSLIDECOMPS, getSlideComps);
    addMethod("GETCOLORAT", MTH_GETCOLORAT, getColorAt);
    addMethod("GETCOLORRAT", MTH_GETCOLORRAT, getColorChannel);
    addMethod("GETCOLORGAT", MTH_GETCOLORGAT, getColorChannel);
    addMethod("GETCOLORBAT", MTH_GETCOLORBAT, getColorChannel);
    addMethod("MERGEALPHA2", MTH_MERGEALPHA2, mergeAlpha2);
    addMethod("REPLACECOLOR", MTH_REPLACECOLOR, replaceColor);
    addMethod("GETPRIORITY", MTH_GETPRIORITY,
              [](Call& c) -> CMC_Variable* { return integerResult(objectOf(c)->getDrawPriority()); });
}

} // namespace KavirelDLL
