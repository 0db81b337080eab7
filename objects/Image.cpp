#include "objects/Image.h"

#include "core/Elements.h"
#include "core/Log.h"
#include "display/Image.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "script/ObjectsContainer.h"
#include "script/Integer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

CMC_Image::CMC_Image(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicMedia(container, element, TYPE_IMAGE) {
    Keys keys = readKeys(element);
    m_monitorCollision = keys.monitorCollision;
    m_monitorCollisionAlpha = keys.monitorCollisionAlpha;
    m_priority = keys.priority;
    m_preload = keys.preload;
    load(keys.fileName, keys.preload);
    finishDefinition(container, element, keys);
}

CMC_Image::CMC_Image(CMC_ObjectsContainer* container) : CMC_GraphicMedia(container, CXString(""), TYPE_IMAGE) {}

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

CColor CMC_Image::GetPixel(int x, int y) {
    CImage* image = getImage();
    return image ? image->GetPixel(x, y) : CColor();
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CImage* imageOf(Call& call) { return call.self<CMC_Image>()->getImage(); }

} // namespace

void CMC_Image_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SHOW", MTH_SHOW, [](Call& c) -> CMC_Variable* {
        if (imageOf(c)) c.self<CMC_Image>()->getImage()->show();
        return nullptr;
    });
    addMethod("HIDE", MTH_HIDE, [](Call& c) -> CMC_Variable* {
        if (CImage* image = imageOf(c)) image->Visible(false);
        return nullptr;
    });
    addMethod("LOAD", MTH_LOAD, [](Call& c) -> CMC_Variable* {
        CXString file = c.string(0);
        if (!c.gone()) c.self<CMC_Image>()->load(file, true);
        return nullptr;
    });
    addMethod("GETWIDTH", MTH_GETWIDTH,
              [](Call& c) -> CMC_Variable* { return integerResult(imageOf(c) ? imageOf(c)->Width() : 0); });
    addMethod("GETHEIGHT", MTH_GETHEIGHT,
              [](Call& c) -> CMC_Variable* { return integerResult(imageOf(c) ? imageOf(c)->Height() : 0); });
    addMethod("MONITORCOLLISION", MTH_MONITORCOLLISION, [](Call& c) -> CMC_Variable* {
        bool alpha = c.boolean(0);
        if (!c.gone() && imageOf(c)) c.self<CMC_Image>()->monitorCollisionsNow(alpha);
        return nullptr;
    });
    addMethod("REMOVEMONITORCOLLISION", MTH_REMOVEMONITORCOLLISION, [](Call& c) -> CMC_Variable* {
        c.self<CMC_Image>()->removeCollisionsMonitoring();
        if (CImage* image = imageOf(c)) image->setMonitorCollisions(false);
        return nullptr;
    });
    addMethod("SETPRIORITY", MTH_SETPRIORITY, [](Call& c) -> CMC_Variable* {
        int priority = c.integer(0);
        if (c.gone() || !imageOf(c)) return nullptr;
        // Only the draw priority: the object's PRIORITY and its mouse listener keep theirs.
        if (CRefreshScreen* screen = c.self<CMC_Image>()->getScreen()) screen->SetPriority(imageOf(c), priority);
        return nullptr;
    });
    addMethod("GETPRIORITY", MTH_GETPRIORITY,
              [](Call& c) -> CMC_Variable* { return integerResult(c.self<CMC_Image>()->getDrawPriority()); });
}

} // namespace KavirelDLL
