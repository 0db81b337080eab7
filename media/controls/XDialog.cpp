#include "media/controls/XDialog.h"

#include <algorithm>

#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/controls/Button.h"
#include "script/ObjectsContainer.h"
#include "script/Scene.h"

namespace KavirelDLL {

namespace {
constexpr int kDragBarId = 214290;
constexpr int kDragBarHeight = 30;
constexpr int kBackgroundPriority = 100000;
constexpr int kItemPriority = 100001;
} // namespace

CXDialog::CXDialog(CMC_ObjectsContainer* container) : m_container(container) {}

CXDialog::~CXDialog() {
    if (m_background) m_background->removeInvalidateObserver(this);
    for (CGraphicsObject* g : m_graphics) g->removeInvalidateObserver(this);
    delete m_dragBar;
}

CWindow* CXDialog::window() const {
    if (!m_container) return nullptr;
    CMC_ObjectsContainer* scene = m_container->getScene();
    CWindow* w = scene ? scene->getWindow() : nullptr;
    return w ? w : m_container->getWindow();
}

CRefreshScreen* CXDialog::screen() const {
    CWindow* w = window();
    return w ? w->GetRefreshScreenInterface() : nullptr;
}

void CXDialog::place(CGraphicsObject* graphic, int priority) {
    CRefreshScreen* s = screen();
    if (!s) return;
    graphic->Invalidate();
    *s >> graphic;
    s->put(graphic, priority);
}

std::vector<CButton*> CXDialog::buttons() {
    m_buttons.erase(
        std::remove_if(m_buttons.begin(), m_buttons.end(), [](const Item& i) { return !*i.alive; }),
        m_buttons.end());
    std::vector<CButton*> live;
    for (const Item& i : m_buttons) live.push_back(i.button);
    return live;
}

int CXDialog::getButtonsCount() const {
    return static_cast<int>(
        std::count_if(m_buttons.begin(), m_buttons.end(), [](const Item& i) { return *i.alive; }));
}

void CXDialog::setBackground(CGraphicsObject* background) {
    if (!background) return;
    const CXRect box = background->GetBoundingBox();
    m_lastX = box.left;
    m_lastY = box.top;
    if (m_background && m_background != background) m_background->removeInvalidateObserver(this);
    m_background = background;
    background->addInvalidateObserver(this);
    // One drag bar at a time; the unit forgets the old one if it was being dragged.
    delete m_dragBar;
    m_dragBar = new CButton(window(), CXRect(box.left, box.top, box.right, box.top + kDragBarHeight),
                            kDragBarId, nullptr);
    m_dragBar->addNotifier(this);
    m_dragBar->setUnit(CMC_Scene::getDefUnit());
    m_dragBar->SetDeleteFlags(false, false);
    m_dragBar->Set(background, nullptr, true, false);
    m_dragBar->EnableDragging(true);
    m_dragBar->enableCursor(false);
    // The new bar takes drags, whatever hide did before.
    m_hidden = false;
    place(background, kBackgroundPriority);
}

void CXDialog::add(CGraphicsObject* graphic) {
    if (!graphic || std::find(m_graphics.begin(), m_graphics.end(), graphic) != m_graphics.end()) return;
    CRefreshScreen* s = screen();
    const int priority = s ? s->GetPriority(graphic) : -1;
    place(graphic, priority + kItemPriority);
    m_graphics.push_back(graphic);
    graphic->addInvalidateObserver(this);
}

void CXDialog::add(CButton* button) {
    if (!button) return;
    for (CButton* b : buttons())
        if (b == button) return;
    CRefreshScreen* s = screen();
    for (CGraphicsObject* g : {button->GetStandard(), button->GetOnMove(), button->GetOnClick()})
        if (g && s) place(g, s->GetPriority(g) + kItemPriority);
    m_buttons.push_back({button, button->aliveToken()});
}

void CXDialog::show() {
    for (CGraphicsObject* g : m_graphics) g->Visible(true);
    for (CButton* b : buttons()) b->Enable(true);
    m_hidden = false;
    if (!m_dragBar) return;
    // The bar takes drags again; the background keeps the visibility it has.
    const bool visible = m_background && m_background->isVisible();
    m_dragBar->Enable(true);
    if (m_background) m_background->Visible(visible);
}

void CXDialog::hide() {
    for (CGraphicsObject* g : m_graphics) g->Visible(false);
    for (CButton* b : buttons()) b->Enable(false);
    if (m_background) m_background->Visible(false);
    // A hidden panel is not dragged.
    m_hidden = true;
    if (m_dragBar) m_dragBar->Enable(false);
}

void CXDialog::move(int dx, int dy) {
    for (CGraphicsObject* g : m_graphics) g->Move(dx, dy);
    for (CButton* b : buttons()) b->Move(dx, dy);
}

void CXDialog::onStartDragging(CControl*, CXPoint p) {
    m_lastX = p.x;
    m_lastY = p.y;
}

void CXDialog::onDragging(CControl*, CXPoint p) {
    move(p.x - m_lastX, p.y - m_lastY);
    m_lastX = p.x;
    m_lastY = p.y;
}

void CXDialog::onEndDragging(CControl*, CXPoint) {
    // Hidden during the drag: the unit's drop enabled the bar and showed the background again.
    if (m_hidden && m_dragBar) m_dragBar->Enable(false);
    if (!m_background || !m_dragBar) return;
    const CXRect box = m_background->GetBoundingBox();
    m_dragBar->SetActiveRect(CXRect(box.left, box.top, box.right, box.top + kDragBarHeight));
}

void CXDialog::onDestroy(CGraphicsObject* source) {
    m_graphics.erase(std::remove(m_graphics.begin(), m_graphics.end(), source), m_graphics.end());
    if (source == m_background) m_background = nullptr;
}

} // namespace KavirelDLL
