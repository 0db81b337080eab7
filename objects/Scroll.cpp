#include "objects/Scroll.h"

#include <algorithm>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "script/ObjectsContainer.h"

namespace KavirelDLL {

CScrollList::~CScrollList() {
    for (CGraphicsObject* graphic : m_graphics) graphic->removeInvalidateObserver(this);
}

bool CScrollList::add(CGraphicsObject* graphic) {
    if (!graphic || contains(graphic)) return false;
    m_graphics.push_back(graphic);
    graphic->addInvalidateObserver(this);
    return true;
}

bool CScrollList::remove(CGraphicsObject* graphic) {
    auto it = std::find(m_graphics.begin(), m_graphics.end(), graphic);
    if (it == m_graphics.end()) return false;
    m_graphics.erase(it);
    graphic->removeInvalidateObserver(this);
    return true;
}

bool CScrollList::contains(CGraphicsObject* graphic) const {
    return std::find(m_graphics.begin(), m_graphics.end(), graphic) != m_graphics.end();
}

void CScrollList::onDestroy(CGraphicsObject* source) {
    m_graphics.erase(std::remove(m_graphics.begin(), m_graphics.end(), source), m_graphics.end());
}

CMC_Scroll::CMC_Scroll(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_SCROLL) {
    m_window = container ? container->getWindow() : nullptr;
    if (!element) {
        setName(CXString("temp"));
        return;
    }
    m_viewport = element->getPropertyRectValue("VIEWPORT");
    initializeBehaviours(container, element);
}

CMC_Scroll::~CMC_Scroll() = default;

CXString** CMC_Scroll::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONTOP", "ONBOTTOM", "ONLEFT", "ONRIGHT"});
}

void CMC_Scroll::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << m_viewport;
        return;
    }
    CXRect viewport(0, 0, 0, 0);
    *archive >> &viewport;
    if (archive->good()) m_viewport = viewport;
}

void CMC_Scroll::fit(CGraphicsObject* graphic) {
    graphic->SetClippingRect(CXRect(0, 0, 0, 0));
    CXRect box = graphic->GetBoundingBox();
    box.Common(m_viewport);
    if (!box.IsEmpty()) {
        box -= graphic->GetPosition();
        graphic->SetClippingRect(box);
        if (!graphic->isVisible()) graphic->Visible(true);
    } else if (graphic->isVisible()) {
        graphic->Visible(false);
    }
}

void CMC_Scroll::fitAll() {
    for (CGraphicsObject* graphic : m_list->graphics())
        if (m_list->contains(graphic)) fit(graphic);
}

void CMC_Scroll::invalidateScreen() {
    if (m_window) m_window->Invalidate();
}

void CMC_Scroll::add(const CXString& name) {
    CMC_ObjectsContainer* container = getScene();
    CGraphicsObject* graphic = container ? container->getGraphicsObject(name) : nullptr;
    if (!graphic || m_list->contains(graphic)) return;
    fit(graphic);
    m_list->add(graphic);
    // The part now cut away was drawn before.
    invalidateScreen();
}

void CMC_Scroll::remove(const CXString& name) {
    CMC_ObjectsContainer* container = getScene();
    CGraphicsObject* graphic = container ? container->getGraphicsObject(name) : nullptr;
    if (!graphic || !m_list->remove(graphic)) return;
    graphic->SetClippingRect(CXRect(0, 0, 0, 0));
    // The whole picture is shown again.
    graphic->Invalidate();
}

void CMC_Scroll::scroll(int dx, int dy) {
    for (CGraphicsObject* graphic : m_list->graphics()) {
        if (!m_list->contains(graphic)) continue;
        graphic->Move(dx, dy);
        fit(graphic);
        invalidateScreen();
    }
}

void CMC_Scroll::setViewport(const CXRect& viewport) {
    m_viewport = viewport;
    fitAll();
    invalidateScreen();
}

void CMC_Scroll::moveViewport(int dx, int dy) {
    m_viewport += CXPoint(dx, dy);
    fitAll();
    invalidateScreen();
}

void CMC_Scroll::move(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    m_viewport += CXPoint(dx, dy);
    for (CGraphicsObject* graphic : m_list->graphics())
        if (m_list->contains(graphic)) graphic->Move(dx, dy);
    invalidateScreen();
}

void CMC_Scroll::invalidate() {
    fitAll();
    invalidateScreen();
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;

template <void (CMC_Scroll::*Step)(int, int), int SX, int SY>
CMC_Variable* scrollBy(Call& c) {
    int n = c.integer(0);
    if (!c.gone()) (c.self<CMC_Scroll>()->*Step)(SX * n, SY * n);
    return nullptr;
}

template <void (CMC_Scroll::*Step)(int, int)>
CMC_Variable* byDelta(Call& c) {
    int dx = c.integer(0);
    int dy = c.integer(1);
    if (!c.gone()) (c.self<CMC_Scroll>()->*Step)(dx, dy);
    return nullptr;
}

} // namespace

void CMC_Scroll_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        if (!c.gone()) c.self<CMC_Scroll>()->add(name);
        return nullptr;
    });
    addMethod("REMOVE", MTH_REMOVE, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        if (!c.gone()) c.self<CMC_Scroll>()->remove(name);
        return nullptr;
    });
    addMethod("SCROLLUP", MTH_SCROLLUP, scrollBy<&CMC_Scroll::scroll, 0, -1>);
    addMethod("SCROLLDOWN", MTH_SCROLLDOWN, scrollBy<&CMC_Scroll::scroll, 0, 1>);
    addMethod("SCROLLLEFT", MTH_SCROLLLEFT, scrollBy<&CMC_Scroll::scroll, -1, 0>);
    addMethod("SCROLLRIGHT", MTH_SCROLLRIGHT, scrollBy<&CMC_Scroll::scroll, 1, 0>);
    addMethod("SETVIEWPORT", MTH_SETVIEWPORT, [](Call& c) -> CMC_Variable* {
        int left = c.integer(0);
        int top = c.integer(1);
        int right = c.integer(2);
        int bottom = c.integer(3);
        if (!c.gone()) c.self<CMC_Scroll>()->setViewport(CXRect(left, top, right, bottom));
        return nullptr;
    });
    addMethod("MOVEVIEWPORT", MTH_MOVEVIEWPORT, byDelta<&CMC_Scroll::moveViewport>);
    addMethod("MOVE", MTH_MOVE, byDelta<&CMC_Scroll::move>);
    addMethod("INVALIDATE", MTH_INVALIDATE, [](Call& c) -> CMC_Variable* {
        c.self<CMC_Scroll>()->invalidate();
        return nullptr;
    });
}

} // namespace KavirelDLL
