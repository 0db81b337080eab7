#include "objects/Pattern.h"

#include <algorithm>
#include <memory>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/Pattern.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "objects/Mouse.h"
#include "script/Array.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_Pattern::CMC_Pattern(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_PATTERN), m_window(container ? container->getWindow() : nullptr) {
    if (!element) {
        m_name = CXString("temp");
        m_gridX = m_gridY = 0;
        return;
    }
    const bool toCanvas = element->getPropertyBoolValue("TOCANVAS");
    const bool visible = element->getPropertyBoolValue("VISIBLE");
    CXString layerText = element->getPropertyValue("LAYERS");
    const int layers = layerText.IsString() ? element->getPropertyIntValue("LAYERS") : 1;
    const int priority = element->getPropertyIntValue("PRIORITY");
    m_width = element->getPropertyIntValue("WIDTH");
    m_height = element->getPropertyIntValue("HEIGHT");
    m_gridX = std::max(element->getPropertyIntValue("GRIDX"), 1);
    m_gridY = std::max(element->getPropertyIntValue("GRIDY"), 1);
    build(visible, layers);
    if (toCanvas && m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) screen->put(m_pattern, priority);
    initializeBehaviours(container, element);
}

CMC_Pattern::~CMC_Pattern() {
    releaseAnchor();
    if (m_listening && m_window) m_window->removeMouseListener(this);
    if (m_pattern) {
        if (CRefreshScreen* screen = m_pattern->GetCanvas()) *screen >> m_pattern;
        delete m_pattern;
        m_pattern = nullptr;
    }
}

void CMC_Pattern::build(bool visible, int layers) {
    m_pattern =
        new CPattern(m_window, CXSize(m_width, m_height), CXSize(m_gridX, m_gridY), std::max(layers, 1));
    m_pattern->Visible(visible);
    if (!m_window) m_pattern->Hide();
}

void CMC_Pattern::setGrid(int x, int y) {
    m_gridX = std::max(x, 1);
    m_gridY = std::max(y, 1);
    if (m_pattern) m_pattern->setGrid(CXSize(m_gridX, m_gridY));
}

bool CMC_Pattern::done(bool flag) {
    if (m_pattern) m_pattern->removeAll();
    return CMC_Object::done(flag);
}

CXString** CMC_Pattern::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONFOCUSON", "ONFOCUSOFF", "ONCLICK", "ONRELEASE"});
}

bool CMC_Pattern::verifyBehaviour(const CXString& key) {
    if (!m_listening && m_window && isMouseEvent(key)) {
        m_focused = false;
        m_listening = true;
        m_window->registerMouseListener(this, 0);
    }
    return true;
}

void CMC_Pattern::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    CMC_Object::initializeBehaviours(container, element);
    if (!element) verifyBindings(); // bindings read back from a cache register the listener
}

bool CMC_Pattern::handles(const char* event) { return hasHandler(getSignalIndex(event)); }

bool CMC_Pattern::ready() { return m_buttonMode && m_listening && m_pattern && m_pattern->isVisible(); }

bool CMC_Pattern::onMouseMove(CXPoint p) {
    if (!ready() || !(handles("ONFOCUSON") || handles("ONFOCUSOFF"))) return false;
    const bool inside = m_pattern->GetBoundingBox().IsInRect(p);
    trackFocus(this, m_focused, inside, m_activeCursor, m_window);
    return false;
}

bool CMC_Pattern::onClick(int button, CXPoint p) {
    if (!ready() || !handles("ONCLICK") || !m_pattern->GetBoundingBox().IsInRect(p)) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    raiseDetailed("ONCLICK", {CMC_Mouse::getButton(button)});
    if (self->object && m_activeCursor && m_window) m_window->EndActiveCursor();
    return true;
}

bool CMC_Pattern::onRelease(int button, CXPoint p) {
    if (!ready() || !handles("ONRELEASE") || !m_pattern->GetBoundingBox().IsInRect(p)) return false;
    raiseDetailed("ONRELEASE", {CMC_Mouse::getButton(button)});
    return false;
}

void CMC_Pattern::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        const bool visible = m_pattern && m_pattern->isVisible();
        CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
        const int32_t priority = m_pattern && screen ? screen->GetPriority(m_pattern) : -1;
        const int32_t layers = m_pattern ? m_pattern->getLayers() : 1;
        *archive << visible << priority << m_width << m_height << m_gridX << m_gridY << layers;
        return;
    }
    bool visible = false;
    int32_t priority = -1, width = 0, height = 0, gridX = 1, gridY = 1, layers = 1;
    *archive >> &visible >> &priority >> &width >> &height >> &gridX >> &gridY >> &layers;
    if (!archive->good()) return;
    if (m_pattern) {
        if (CRefreshScreen* screen = m_pattern->GetCanvas()) *screen >> m_pattern;
        delete m_pattern;
        m_pattern = nullptr;
    }
    m_width = width;
    m_height = height;
    m_gridX = std::max(gridX, 1);
    m_gridY = std::max(gridY, 1);
    build(visible, layers);
    if (priority >= 0 && m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) screen->put(m_pattern, priority);
}

// ---- CMC_Pattern_Runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_Pattern* self(Call& c) { return c.self<CMC_Pattern>(); }
CPattern* patternOf(Call& c) { return c.gone() ? nullptr : self(c)->getPattern(); }

CMC_Array* namedArray(Call& c, const CXString& name) {
    CMC_Object* found = c.container() ? c.container()->getObject(name) : nullptr;
    return found && found->getType() == TYPE_ARRAY ? static_cast<CMC_Array*>(found) : nullptr;
}

// Alias, column, row, the graphic's width and height, and the cell's centre, into the array; stops once
// the array's change handler deleted it.
void addInfo(Call& c, CPatternEntry* entry, CMC_Array* array) {
    CPattern* pattern = patternOf(c);
    if (!entry || !array || !pattern) return;
    const CXPoint at = pattern->GetPosition();
    const int w = entry->m_object->Width(), h = entry->m_object->Height();
    const int gx = self(c)->getGridX(), gy = self(c)->getGridY();
    const int values[6] = {entry->m_column,
                           entry->m_row,
                           w,
                           h,
                           gx * entry->m_column + at.x + w / 2,
                           gy * entry->m_row + at.y + h / 2};
    std::shared_ptr<CMC_ObjectAnchor> alive = array->anchor();
    CMC_String alias(CXString("temp"), entry->m_name);
    array->add(&alias);
    CMC_Integer temp(CXString("temp"));
    for (int v : values) {
        if (!alive->object) return;
        temp.setValue(v);
        array->add(&temp);
    }
}

CXString nameOrNull(const CXString& text) { return text.IsString() ? text : CXString("NULL"); }

CMC_Variable* add(Call& c) {
    CXString alias = c.string(0);
    int column = c.integer(1), row = c.integer(2);
    CXString name = c.string(3);
    int priority = c.integer(4);
    int layer = c.count() > 5 ? c.integer(5) : 0;
    CPattern* pattern = patternOf(c);
    if (!pattern) return nullptr;
    CGraphicsObject* graphic = c.container() ? c.container()->getGraphicsObject(name) : nullptr;
    // The entry's name is the alias scripts ask for.
    pattern->add(alias, column, row, layer, graphic, priority, CXString(""));
    return nullptr;
}

CMC_Variable* setGrid(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (!c.gone()) self(c)->setGrid(x, y);
    return nullptr;
}

CMC_Variable* move(Call& c) {
    int dx = c.integer(0), dy = c.integer(1);
    if (CPattern* pattern = patternOf(c)) pattern->move(dx, dy);
    return nullptr;
}

CMC_Variable* getGraphicsAt(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool hidden = c.boolean(2), boxOnly = c.boolean(3);
    int layer = c.count() > 4 ? c.integer(4) : -1;
    int threshold = c.count() > 5 ? c.integer(5) : 0;
    CPattern* pattern = patternOf(c);
    CGraphicsObject* found =
        pattern ? pattern->getGraphicsObject(x, y, hidden, boxOnly, layer, threshold) : nullptr;
    if (!found || !c.container()) return stringResult(CXString("NULL"));
    return stringResult(nameOrNull(c.container()->getGraphicsObjectName(found, true)));
}

CMC_Variable* remove(Call& c) {
    static CMC_Runner reader;
    CMC_Variable* first = reader.getParameter(c.args(), 0);
    if (!first) return nullptr;
    // Only a variable of the integer type names a cell; anything else is an alias, "12" included.
    if (first->getType() == TYPE_INTEGER) {
        int column = static_cast<CMC_Integer*>(first)->getValue();
        int row = c.integer(1);
        int layer = c.count() > 2 ? c.integer(2) : 0;
        if (CPattern* pattern = patternOf(c)) pattern->remove(column, row, layer);
        return nullptr;
    }
    CXString alias = CMC_Runner::argumentText(first);
    if (CPattern* pattern = patternOf(c)) pattern->remove(alias);
    return nullptr;
}

CMC_Variable* getAliasAt(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool hidden = c.boolean(2), boxOnly = c.boolean(3);
    CPattern* pattern = patternOf(c);
    CPatternEntry* entry = pattern ? pattern->getEntryAt(x, y, 0, hidden, boxOnly) : nullptr;
    return stringResult(entry ? nameOrNull(entry->m_name) : CXString("NULL"));
}

CMC_Variable* getInfoAt(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    bool hidden = c.boolean(2), boxOnly = c.boolean(3);
    CXString name = c.string(4);
    // The array's name is also the layer argument, which the lookup does not use.
    CPattern* pattern = patternOf(c);
    CPatternEntry* entry = pattern ? pattern->getEntryAt(x, y, name.toNumber(), hidden, boxOnly) : nullptr;
    addInfo(c, entry, entry ? namedArray(c, name) : nullptr);
    return nullptr;
}

CMC_Variable* getAliasInfo(Call& c) {
    CXString alias = c.string(0);
    CXString name = c.string(1);
    CPattern* pattern = patternOf(c);
    CPatternEntry* entry = pattern ? pattern->getAliasEntry(alias) : nullptr;
    addInfo(c, entry, entry ? namedArray(c, name) : nullptr);
    return nullptr;
}

CMC_Variable* getCellCord(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    CXString name = c.string(2);
    if (c.count() > 3) c.integer(3);
    if (c.count() > 4) c.integer(4);
    CPattern* pattern = patternOf(c);
    if (!pattern) return boolResult(false);
    CMC_Pattern* object = self(c);
    const CXPoint at = pattern->GetPosition();
    const int dx = x - at.x, dy = y - at.y;
    const bool inside = dx >= 0 && dx <= pattern->Width() && dy >= 0 && dy <= pattern->Height();
    if (CMC_Array* array = namedArray(c, name)) {
        std::shared_ptr<CMC_ObjectAnchor> alive = array->anchor();
        CMC_Integer temp(CXString("temp"));
        temp.setValue(dx / object->getGridX());
        array->add(&temp);
        temp.setValue(dy / object->getGridY());
        if (alive->object) array->add(&temp);
    }
    return boolResult(inside);
}

CMC_Variable* getAliasAtCell(Call& c) {
    int column = c.integer(0), row = c.integer(1);
    int layer = c.count() > 2 ? c.integer(2) : 0;
    CPattern* pattern = patternOf(c);
    // Outside the table, as for an empty cell.
    CPatternEntry* entry = pattern ? pattern->get(column, row, layer) : nullptr;
    return stringResult(entry ? nameOrNull(entry->m_name) : CXString("NULL"));
}

CMC_Variable* setPosition(Call& c) {
    int x = c.integer(0), y = c.integer(1);
    if (CPattern* pattern = patternOf(c)) {
        pattern->Invalidate();
        pattern->SetPosition(x, y);
        pattern->Invalidate();
    }
    return nullptr;
}

} // namespace

void CMC_Pattern_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD, add);
    addMethod("SETGRID", MTH_SETGRID, setGrid);
    addMethod("MOVE", MTH_MOVE, move);
    addMethod("GETGRAPHICSAT", MTH_GETGRAPHICSAT, getGraphicsAt);
    addMethod("REMOVE", MTH_REMOVE, remove);
    addMethod("GETALIASAT", MTH_GETALIASAT, getAliasAt);
    addMethod("GETINFOAT", MTH_GETINFOAT, getInfoAt);
    addMethod("GETALIASINFO", MTH_GETALIASINFO, getAliasInfo);
    addMethod("GETCELLCORD", MTH_GETCELLCORD, getCellCord);
    addMethod("GETALIASATCELL", MTH_GETALIASATCELL, getAliasAtCell);
    addMethod("SETPOSITION", MTH_SETPOSITION, setPosition);
}

} // namespace KavirelDLL
