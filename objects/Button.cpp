#include "objects/Button.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/controls/Button.h"
#include "media/controls/Unit6.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

CGraphicsObject* graphicOf(CMC_ObjectsContainer* container, const CXString& name) {
    return container && name.IsString() ? container->getGraphicsObject(name) : nullptr;
}

} // namespace

CMC_Button::CMC_Button(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_BUTTON) {
    if (element) {
        m_accent = element->getPropertyValue("ACCENT");
        m_gfxStandard = element->getPropertyValue("GFXSTANDARD");
        m_gfxOnMove = element->getPropertyValue("GFXONMOVE");
        m_gfxOnClick = element->getPropertyValue("GFXONCLICK");
        m_sndStandard = element->getPropertyValue("SNDSTANDARD");
        m_sndOnMove = element->getPropertyValue("SNDONMOVE");
        m_sndOnClick = element->getPropertyValue("SNDONCLICK");
        m_drag = element->getPropertyValue("DRAG");
        m_rect = element->getPropertyValue("RECT");
        m_enable = element->getPropertyBoolValue("ENABLE");
        m_draggable = element->getPropertyBoolValue("DRAGGABLE");
        m_priority = element->getPropertyIntValue("PRIORITY");
    }
    build(container);
    m_button->SYN();
    initializeBehaviours(container, element);
}

CMC_Button::CMC_Button(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString(""), TYPE_BUTTON, false) {}

CMC_Button::CMC_Button(CMC_ObjectsContainer* container, CButton* button, const CXString& name)
    : CMC_MediaObject(container, name, TYPE_BUTTON, true), m_button(button) {
    if (!m_button) return;
    // The graphics and sounds are the scene objects'.
    m_button->SetDeleteFlags(false, false);
    m_button->setMCButton(this);
    m_button->addNotifier(this);
}

CMC_Button::~CMC_Button() {
    releaseAnchor();
    // Removed during its own drag: no ONENDDRAGGING comes, so the scene forgets the dragged name here.
    if (m_dragging)
        if (CMC_Object* scene = m_dragScene.current())
            static_cast<CMC_Scene*>(scene)->setDraggedName(CXString(""));
    unwatchSounds();
    delete m_button;
}

void CMC_Button::unwatchSounds() {
    for (CMC_ObjectHandle& handle : m_soundObjects)
        if (CMC_Object* sound = handle.current()) static_cast<CMC_Sound*>(sound)->removeWatcher(this);
    m_soundObjects.clear();
    m_soundFrom[0] = m_soundFrom[1] = nullptr;
}

void CMC_Button::watchSound(CMC_Sound* sound, int role) {
    sound->addWatcher(this);
    m_soundObjects.emplace_back(sound);
    m_soundFrom[role] = sound;
}

CXString** CMC_Button::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONFOCUSON", "ONFOCUSOFF", "ONPAUSED", "ONCLICKED",
                          "ONRELEASED", "ONACTION", "ONSTARTDRAGGING", "ONDRAGGING", "ONENDDRAGGING"});
}

CSound4* CMC_Button::soundOf(CMC_ObjectsContainer* container, const CXString& name, const char* key,
                             int role) {
    CMC_Object* object = container && name.IsString() ? container->getObject(name) : nullptr;
    if (!object) return nullptr;
    if (object->getType() != TYPE_SOUND) {
        logMessage("BUTTON %s: %s \"%s\" is no SOUND object; the button plays nothing there",
                   m_name.GetBuffer(), key, name.GetBuffer());
        return nullptr;
    }
    auto* sound = static_cast<CMC_Sound*>(object);
    watchSound(sound, role);
    return sound->getSound();
}

void CMC_Button::onSoundGone(CMC_Sound* from, CSound4* sound) {
    // Only the roles this very SOUND object gave: another one may hold the same shared sound.
    for (int role = 0; role < 2; ++role) {
        if (!from || m_soundFrom[role] != from) continue;
        m_soundFrom[role] = nullptr;
        if (!m_button || !sound) continue;
        if ((role == 0 ? m_button->GetSOOnMove() : m_button->GetSOOnClick()) == sound)
            m_button->SetSound(role, nullptr);
    }
}

void CMC_Button::build(CMC_ObjectsContainer* container) {
    CXRect rect;
    if (m_rect.IsString()) {
        if (CGraphicsObject* graphic = graphicOf(container, m_rect)) {
            rect = graphic->GetBoundingBox();
            CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
            if (screen) m_priority = screen->GetPriority(graphic);
        } else {
            rect = m_rect.toRect();
        }
    }
    CUnit6* unit = CMC_Scene::getDefUnit();
    m_button = new CButton(m_window, rect, -1, this);
    // The button only refers to the scene's graphics and sounds.
    m_button->SetDeleteFlags(false, false);
    m_button->addNotifier(this);
    if (unit) m_button->addNotifier(unit);
    m_button->EnableDragging(m_draggable);
    m_button->setUnit(unit);
    m_button->setPriority(m_priority);
    if (m_draggable) m_button->SetDragging(graphicOf(container, m_drag));
    if (m_gfxStandard.IsString()) m_button->Set(graphicOf(container, m_gfxStandard), nullptr, true, false);
    CMC_Object* onMoveObject =
        container && m_sndOnMove.IsString() ? container->getObject(m_sndOnMove) : nullptr;
    if (onMoveObject)
        m_button->SetOnMove(graphicOf(container, m_gfxOnMove),
                            soundOf(container, m_sndOnMove, "SNDONMOVE", 0));
    else if (m_gfxOnMove.IsString())
        m_button->SetOnMove(graphicOf(container, m_gfxOnMove), nullptr);
    m_button->SetOnClick(graphicOf(container, m_gfxOnClick),
                         soundOf(container, m_sndOnClick, "SNDONCLICK", 1));
    m_button->Enable(m_enable);
    if (m_accent.IsString()) m_button->Accent(graphicOf(container, m_accent), false);
}

void CMC_Button::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    if (!element && m_cached && !m_button) {
        m_cached = false;
        build(container);
    }
    CMC_MediaObject::initializeBehaviours(container, element);
}

CXObject* CMC_Button::clone() {
    auto* copy = m_button ? static_cast<CButton*>(m_button->clone()) : nullptr;
    if (!copy) return nullptr;
    auto* object = new CMC_Button(getContainer(), copy, CXString("cloned"));
    // The copy plays the same SOUND objects' sounds, role by role: it forgets each with the object that gave
    // it.
    for (int role = 0; role < 2; ++role)
        if (m_soundFrom[role]) object->watchSound(m_soundFrom[role], role);
    return object;
}

void CMC_Button::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << m_accent << m_gfxStandard << m_gfxOnMove << m_gfxOnClick << m_sndStandard << m_sndOnMove
                 << m_sndOnClick << m_drag << m_rect << m_enable << m_draggable << m_priority;
        return;
    }
    *archive >> &m_accent >> &m_gfxStandard >> &m_gfxOnMove >> &m_gfxOnClick >> &m_sndStandard >>
        &m_sndOnMove >> &m_sndOnClick >> &m_drag >> &m_rect >> &m_enable >> &m_draggable >> &m_priority;
    // The graphics and sounds it names may come later in the cache: built once the scene is read.
    m_cached = archive->good();
}

void CMC_Button::raise(int index, const char* event) {
    if (hasHandler(index)) onSignal(CXString(event));
}

void CMC_Button::onControlFocusOn(CControl*, CXPoint) { raise(EVT_BUTTON_ONFOCUSON, "ONFOCUSON"); }
void CMC_Button::onControlFocusOff(CControl*, CXPoint) { raise(EVT_BUTTON_ONFOCUSOFF, "ONFOCUSOFF"); }
void CMC_Button::onControlClicked(CControl*, CXPoint) { raise(EVT_BUTTON_ONCLICKED, "ONCLICKED"); }
void CMC_Button::onControlReleased(CControl*, CXPoint) { raise(EVT_BUTTON_ONRELEASED, "ONRELEASED"); }
void CMC_Button::onControlAction(CControl*, CXPoint) { raise(EVT_BUTTON_ONACTION, "ONACTION"); }
void CMC_Button::onDragging(CControl*, CXPoint) { raise(EVT_BUTTON_ONDRAGGING, "ONDRAGGING"); }

void CMC_Button::onStartDragging(CControl*, CXPoint) {
    CMC_ObjectsContainer* container = getContainer();
    if (CMC_Scene* scene = getContainerScene(); scene && container && m_button) {
        CGraphicsObject* dragged =
            m_button->GetDragging() ? m_button->GetDragging() : m_button->GetStandard();
        scene->setDraggedName(container->getGraphicsObjectName(dragged, false));
        m_dragging = true;
        m_dragScene.set(scene);
    }
    raise(EVT_BUTTON_ONSTARTDRAGGING, "ONSTARTDRAGGING");
}

void CMC_Button::onEndDragging(CControl*, CXPoint) {
    // The handler may delete this object: the scene is held by its handle.
    CMC_ObjectHandle scene(getContainerScene());
    m_dragging = false;
    raise(EVT_BUTTON_ONENDDRAGGING, "ONENDDRAGGING");
    if (CMC_Object* current = scene.current()) static_cast<CMC_Scene*>(current)->setDraggedName(CXString(""));
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CButton* buttonOf(Call& c) { return c.gone() ? nullptr : c.self<CMC_Button>()->getButton(); }

CXString nameOf(Call& c, CGraphicsObject* graphic) {
    return graphic && c.container() ? c.container()->getGraphicsObjectName(graphic, false) : CXString("");
}

} // namespace

void CMC_Button_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETRECT", 1, [](Call& c) -> CMC_Variable* {
        CXRect rect(0, 0, 0, 0);
        if (c.count() >= 4) {
            rect = CXRect(c.integer(0), c.integer(1), c.integer(2), c.integer(3));
        } else {
            if (c.count() > 1 && !c.gone())
                logMessage("BUTTON %s: SETRECT with %d arguments is read as a graphic's name",
                           c.self<CMC_Button>()->getName().GetBuffer(), c.count());
            CXString name = c.string(0);
            if (CGraphicsObject* g = c.gone() ? nullptr : graphicOf(c.container(), name))
                rect = g->GetBoundingBox();
        }
        if (CButton* b = buttonOf(c)) b->SetActiveRect(rect);
        return nullptr;
    });
    addMethod("ENABLE", 2, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->Enable(true);
        return nullptr;
    });
    addMethod("DISABLE", 3, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->Enable(false);
        return nullptr;
    });
    addMethod("ENABLEDRAGGING", 4, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->EnableDragging(true);
        return nullptr;
    });
    addMethod("DISABLEDRAGGING", 5, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->EnableDragging(false);
        return nullptr;
    });
    addMethod("DISABLEBUTVISIBLE", 6, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->DisableButVisible();
        return nullptr;
    });
    addMethod("ACCENT", 7, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        bool pixelTest = c.count() >= 2 && c.boolean(1);
        CGraphicsObject* g = c.gone() ? nullptr : graphicOf(c.container(), name);
        if (CButton* b = buttonOf(c); b && g) b->Accent(g, pixelTest);
        return nullptr;
    });
    addMethod("SETSTD", 8, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        bool removeOld = c.count() < 2 || c.boolean(1);
        bool pixelTest = c.count() >= 3 && c.boolean(2);
        CGraphicsObject* g = c.gone() ? nullptr : graphicOf(c.container(), name);
        if (CButton* b = buttonOf(c)) b->Set(g, nullptr, removeOld, pixelTest);
        return nullptr;
    });
    addMethod("SETONMOVE", 9, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        CGraphicsObject* g = c.gone() ? nullptr : graphicOf(c.container(), name);
        if (CButton* b = buttonOf(c)) b->SetOnMove(g, b->GetSOOnMove());
        return nullptr;
    });
    addMethod("SETONCLICK", 10, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        CGraphicsObject* g = c.gone() ? nullptr : graphicOf(c.container(), name);
        if (CButton* b = buttonOf(c)) b->SetOnClick(g, b->GetSOOnClick());
        return nullptr;
    });
    addMethod("SETPRIORITY", 11, [](Call& c) -> CMC_Variable* {
        int priority = c.integer(0);
        if (CButton* b = buttonOf(c)) b->setPriority(priority);
        return nullptr;
    });
    addMethod("GETPRIORITY", 12, [](Call& c) -> CMC_Variable* {
        CButton* b = buttonOf(c);
        return integerResult(b ? b->getPriority() : 0);
    });
    addMethod("GETSTD", 13, [](Call& c) -> CMC_Variable* {
        CButton* b = buttonOf(c);
        return stringResult(nameOf(c, b ? b->GetStandard() : nullptr));
    });
    addMethod("GETONMOVE", 14, [](Call& c) -> CMC_Variable* {
        CButton* b = buttonOf(c);
        return stringResult(nameOf(c, b ? b->GetOnMove() : nullptr));
    });
    addMethod("GETONCLICK", 15, [](Call& c) -> CMC_Variable* {
        CButton* b = buttonOf(c);
        return stringResult(nameOf(c, b ? b->GetOnClick() : nullptr));
    });
    addMethod("SYN", 16, [](Call& c) -> CMC_Variable* {
        if (CButton* b = buttonOf(c)) b->SYN();
        return nullptr;
    });
}

} // namespace KavirelDLL
