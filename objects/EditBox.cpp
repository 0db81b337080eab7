#include "objects/EditBox.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "media/controls/Unit6.h"
#include "media/text/SimpleFont6.h"
#include "objects/Font.h"
#include "objects/Text.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_EditBox::CMC_EditBox(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_EDITBOX) {
    CXRect rect(0, 0, 0, 0);
    int priority = 0;
    CXString text;
    if (element) {
        CXString rectKey = element->getPropertyValue("RECT");
        CGraphicsObject* graphic =
            container && rectKey.IsString() ? container->getGraphicsObject(rectKey) : nullptr;
        rect = graphic ? graphic->GetBoundingBox() : element->getPropertyRectValue("RECT");
        priority = element->getPropertyIntValue("PRIORITY");
        text = element->getPropertyValue("TEXT");
        m_fontName = element->getPropertyValue("FONT");
        m_cursorName = element->getPropertyValue("CURSOR");
    }
    makeBox(container, rect, priority, text);
    initializeBehaviours(container, element);
}

CMC_EditBox::CMC_EditBox(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString("temp"), TYPE_EDITBOX, false) {}

CMC_EditBox::~CMC_EditBox() {
    releaseAnchor();
    if (!m_box) return;
    CEditBox6* box = m_box;
    box->removeNotifier(this);
    box->removeHolder(&m_box);
    m_box = nullptr;
    if (CUnit6* unit = box->getUnit()) unit->removeEditBox(box);
    delete box;
}

CXString** CMC_EditBox::getBehavioursList() {
    return makeEventList(
        {"ONINIT", "ONDONE", "ONSIGNAL", "ONFOCUSON", "ONFOCUSOFF", "ONCHANGED", "ONENTER", "ONESC"});
}

void CMC_EditBox::makeBox(CMC_ObjectsContainer* container, CXRect rect, int priority, const CXString& text) {
    CSimpleFont6* font = CMC_Text::fontOf(container, m_fontName, CXString("EDITBOX ") + m_name);
    if (!font) return;
    CUnit6* unit = CMC_Scene::getDefUnit();
    m_box = unit ? unit->addEditBox(font, rect, priority, text) : nullptr;
    if (!m_box) {
        logMessage("EDITBOX %s: no scene unit makes its box", m_name.GetBuffer());
        return;
    }
    // The unit may delete the box first (flushing its boxes): the slot is nulled then.
    m_box->addHolder(&m_box);
    m_box->addNotifier(this);
    if (CGraphicsObject* cursor =
            container && m_cursorName.IsString() ? container->getGraphicsObject(m_cursorName) : nullptr)
        m_box->setCursor(cursor);
}

void CMC_EditBox::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    if (!element && m_cached && !m_box) {
        m_cached = false;
        makeBox(container, m_cachedRect, 0, m_cachedText);
    }
    CMC_MediaObject::initializeBehaviours(container, element);
}

void CMC_EditBox::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        CXRect rect = m_box ? m_box->getBoundingRect() : CXRect(0, 0, 0, 0);
        CXString text = m_box ? m_box->getText() : CXString("");
        *archive << m_fontName << rect << text << m_cursorName;
        return;
    }
    *archive >> &m_fontName >> &m_cachedRect >> &m_cachedText >> &m_cursorName;
    // The FONT and the cursor may come later in the cache: the box is made once the scene is read.
    m_cached = archive->good();
}

void CMC_EditBox::raise(int index, const char* event) {
    if (hasHandler(index)) onSignal(CXString(event));
}

void CMC_EditBox::onFocusOn(CEditBox6*) { raise(EVT_EDITBOX_ONFOCUSON, "ONFOCUSON"); }
void CMC_EditBox::onFocusOff(CEditBox6*) { raise(EVT_EDITBOX_ONFOCUSOFF, "ONFOCUSOFF"); }
void CMC_EditBox::onChanged(CEditBox6*) { raise(EVT_EDITBOX_ONCHANGED, "ONCHANGED"); }
void CMC_EditBox::onEnter(CEditBox6*) { raise(EVT_EDITBOX_ONENTER, "ONENTER"); }
void CMC_EditBox::onEsc(CEditBox6*) { raise(EVT_EDITBOX_ONESC, "ONESC"); }

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CEditBox6* boxOf(Call& c) { return c.gone() ? nullptr : c.self<CMC_EditBox>()->getEditBox(); }

} // namespace

void CMC_EditBox_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETTEXT", 1, [](Call& c) -> CMC_Variable* {
        CXString text = c.string(0);
        if (CEditBox6* b = boxOf(c)) b->setText(text);
        return nullptr;
    });
    addMethod("GETTEXT", 2, [](Call& c) -> CMC_Variable* {
        CEditBox6* b = boxOf(c);
        return stringResult(b ? b->getText() : CXString(""));
    });
    addMethod("ACTIVE", 3, [](Call& c) -> CMC_Variable* {
        if (CEditBox6* b = boxOf(c)) b->activate(true);
        return nullptr;
    });
    addMethod("DEACTIVE", 4, [](Call& c) -> CMC_Variable* {
        if (CEditBox6* b = boxOf(c)) b->activate(false);
        return nullptr;
    });
    addMethod("ENABLE", 5, [](Call& c) -> CMC_Variable* {
        if (CEditBox6* b = boxOf(c)) b->enable(true);
        return nullptr;
    });
    addMethod("DISABLE", 6, [](Call& c) -> CMC_Variable* {
        if (CEditBox6* b = boxOf(c)) b->enable(false);
        return nullptr;
    });
    addMethod("ADDTEXT", 7, [](Call& c) -> CMC_Variable* {
        CXString text = c.string(0);
        if (CEditBox6* b = boxOf(c)) b->setText(b->getText() + text);
        return nullptr;
    });
    addMethod("MOVE", 8, [](Call& c) -> CMC_Variable* {
        int dx = c.integer(0), dy = c.integer(1);
        if (CEditBox6* b = boxOf(c)) b->move(CXPoint(dx, dy));
        return nullptr;
    });
    addMethod("SETPOSITION", 9, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        if (CEditBox6* b = boxOf(c)) b->setPosition(CXPoint(x, y));
        return nullptr;
    });
    addMethod("SETPRIORITY", 10, [](Call& c) -> CMC_Variable* {
        int priority = c.integer(0);
        if (CEditBox6* b = boxOf(c)) b->setPriority(priority);
        return nullptr;
    });
    addMethod("SETCURSORPOS", 11, [](Call& c) -> CMC_Variable* {
        int pos = c.integer(0);
        if (CEditBox6* b = boxOf(c)) b->setCursorPos(pos);
        return nullptr;
    });
    addMethod("SETRECT", 12, [](Call& c) -> CMC_Variable* {
        CXRect rect(c.integer(0), c.integer(1), c.integer(2), c.integer(3));
        if (CEditBox6* b = boxOf(c)) b->setRect(rect);
        return nullptr;
    });
    addMethod("SETCOLOR", 13, [](Call& c) -> CMC_Variable* {
        int r = c.integer(0), g = c.integer(1), bl = c.integer(2);
        if (CEditBox6* b = boxOf(c))
            b->setColor(CMC_Font::packColor(c.self<CMC_EditBox>()->getWindow(), r, g, bl));
        return nullptr;
    });
    addMethod("SETREADONLY", 14, [](Call& c) -> CMC_Variable* {
        bool on = c.boolean(0);
        if (CEditBox6* b = boxOf(c)) b->setReadOnly(on);
        return nullptr;
    });
    addMethod("ENABLENL", 15, [](Call& c) -> CMC_Variable* {
        bool on = c.boolean(0);
        if (CEditBox6* b = boxOf(c)) b->setSingleLine(!on);
        return nullptr;
    });
}

} // namespace KavirelDLL
