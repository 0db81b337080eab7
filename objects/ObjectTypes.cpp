#include "objects/ObjectTypes.h"

#include <memory>
#include <vector>

#include "display/Playable.h"
#include "display/RefreshScreen.h"
#include "display/VirtualGraphicsObject.h"
#include "display/Window.h"
#include "media/anim/Animo6.h"
#include "media/controls/Button.h"
#include "media/controls/Unit6.h"
#include "media/sound/SoundCodec.h"
#include "media/text/MultilineText6.h"
#include "objects/Animo.h"
#include "objects/Button.h"
#include "objects/Canvas.h"
#include "objects/CanvasObserver.h"
#include "objects/Dialog.h"
#include "objects/EditBox.h"
#include "objects/Filter.h"
#include "objects/Font.h"
#include "objects/GrBuffer.h"
#include "objects/Image.h"
#include "objects/Joystick.h"
#include "objects/Keyboard.h"
#include "objects/Mouse.h"
#include "objects/Movie.h"
#include "objects/Pattern.h"
#include "objects/Scroll.h"
#include "objects/Sequence.h"
#include "objects/Sound.h"
#include "objects/Text.h"
#include "objects/VirtualGraphicsObject.h"
#include "script/Array.h"
#include "script/Groupped.h"
#include "script/Runner.h"
#include "script/Scene.h"
#include "script/Services.h"
#include "script/String.h"
#include "script/TypeRegistry.h"

namespace KavirelDLL {

namespace {

using R = CMC_TypeRegistry;

// The media unit as the scenes see it; the default unit owns it.
class CSceneUnit : public CMC_SceneUnit {
public:
    explicit CSceneUnit(CWindow* window) : m_unit(new CUnit6(window, CXString("Default"))) {}

    CUnit6* mediaUnit() override { return m_unit.get(); }
    CXString getUnitName() override { return m_unit->getUnitName(); }
    void setUnitName(CXString name) override { m_unit->setUnitName(name); }
    void setBackgroundFileName(CXString name) override { m_unit->setBackgroundFileName(name); }
    bool enterScene(CMC_Scene* scene, CMC_SceneUnit* previous) override {
        return m_unit->initialize(scene, previous ? previous->mediaUnit() : nullptr);
    }
    bool leaveScene(CMC_Scene* scene, CMC_SceneUnit* next) override {
        return m_unit->done(scene, next ? next->mediaUnit() : nullptr);
    }
    CMElements* resolveObjects(CMC_Scene* scene, CMElements* elements) override {
        return m_unit->resolveObjects(scene, elements);
    }
    void flushEditBoxes() override { m_unit->flushEditBoxes(); }
    void startMusic(const char* name, bool force) override { m_unit->startMusic(name, force); }
    void stopMusic() override { m_unit->stopMusic(); }

private:
    std::unique_ptr<CUnit6> m_unit;
};

// The scene's objects of a type, by handle: a handler run meanwhile may delete any of them.
std::vector<CMC_ObjectHandle> objectsOf(CMC_ObjectsContainer* scene, int type) {
    std::vector<CMC_ObjectHandle> handles;
    CXVector* objects = scene->getObjectsOfType(type);
    for (int i = 0; objects && i < objects->getSize(); ++i)
        handles.emplace_back(static_cast<CMC_Object*>(objects->at(i)));
    delete objects;
    return handles;
}

class CObjectsSceneMedia : public CMC_SceneMedia {
public:
    CMC_SceneUnit* makeDefaultUnit(CWindow* window) override { return new CSceneUnit(window); }

    void getPlayingSeq(CMC_Scene* scene, CMC_Array* array) override {
        CMC_ObjectHandle target(array);
        for (CMC_ObjectHandle& handle : objectsOf(scene, TYPE_SEQUENCE)) {
            auto* sequence = static_cast<CMC_Sequence*>(handle.current());
            CPlayable* playable = sequence ? sequence->getSequence() : nullptr;
            if (!playable || !playable->isPlaying()) continue;
            CMC_String name(CXString("temp"), sequence->getName());
            if (!target.current()) return;
            array->add(&name);
        }
    }

    void resumeExcept(CMC_Scene* scene, CMC_Array* array) override {
        CMC_ObjectHandle target(array);
        for (CMC_ObjectHandle& handle : objectsOf(scene, TYPE_SEQUENCE)) {
            auto* sequence = static_cast<CMC_Sequence*>(handle.current());
            if (!sequence || !target.current()) continue;
            bool listed = false;
            for (int i = 0; i < array->getSize() && !listed; ++i)
                listed = CMC_Runner::argumentText(array->get(i)).equals(sequence->getName());
            CPlayable* playable = listed ? sequence->getSequence() : nullptr;
            if (playable && playable->isPaused()) playable->resume();
        }
    }

    void getPlayingAnimo(CMC_Scene* scene, CMC_Groupped* group) override {
        group->removeAll();
        for (CMC_ObjectHandle& handle : objectsOf(scene, TYPE_ANIMO)) {
            auto* animo = static_cast<CMC_Animo*>(handle.current());
            if (animo && animo->getAnimo() && animo->getAnimo()->IsPlaying()) group->add(animo);
        }
    }

    CMC_Object* createObject(CMC_Scene* scene, const CXString& type, const CXString& name) override {
        CWindow* window = scene->getWindow();
        if (type.equals("BUTTON")) {
            // An empty button: enabled, heard by the unit, reacting once a script gives it a rectangle or
            // shape.
            CUnit6* unit = CMC_Scene::getDefUnit();
            auto* button = new CButton(window, CXRect(), 0, nullptr);
            if (unit) button->addNotifier(unit);
            button->Enable(true);
            button->setUnit(unit);
            auto* object = new CMC_Button(scene, button, name);
            object->initializeBehaviours(scene, nullptr);
            scene->addObject(object);
            return object;
        }
        if (type.equals("VGO")) {
            // A visible virtual graphics object on the screen at priority 0, with nothing to show until a
            // script gives it a source.
            auto* graphic = new CVirtualGraphicsObject(window);
            graphic->Visible(true);
            if (CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr)
                screen->put(graphic, 0);
            auto* object = new CMC_VirtualGraphicsObject(scene, graphic);
            object->setName(name);
            object->initializeBehaviours(scene, nullptr);
            scene->addObject(object);
            return object;
        }
        return nullptr;
    }

    void sceneLeaving(CMC_Scene*) override { CMC_Mouse::reset(true); }

    void applicationStarts(CWindow* window) override { CSoundCodec_ADPCM::initialize(window); }
    void applicationEnds() override { CSoundCodec_ADPCM::done(); }
};

template <typename T>
CMC_Object* blankOf(CMC_Scene* scene) {
    return new T(scene);
}

template <typename T>
CMC_Object* blankWithoutElement(CMC_Scene* scene) {
    return new T(scene, nullptr);
}

} // namespace

void registerObjectTypes() {
    static CObjectsSceneMedia media;
    CMC_SceneMedia::install(&media);

    // The pointer, the keys and the screen: one object of each serves every container.
    R::add({.id = TYPE_MOUSE,
            .name = "MOUSE",
            .fromDefinition = &makeFromDefinition<CMC_Mouse>,
            .pass = 6,
            .sharedName = "MOUSE",
            .sharedOnlyByName = true,
            .blank = &blankWithoutElement<CMC_Mouse>,
            .makeRunner = &R::runner<CMC_Mouse_Runner>});
    R::add({.id = TYPE_KEYBOARD,
            .name = "KEYBOARD",
            .fromDefinition = &makeFromDefinition<CMC_Keyboard>,
            .pass = 6,
            .sharedName = "KEYBOARD",
            .blank = &blankWithoutElement<CMC_Keyboard>,
            .makeRunner = &R::runner<CMC_Keyboard_Runner>});
    R::add({.id = TYPE_CANVASOBSERVER,
            .name = "CANVAS_OBSERVER",
            .fromDefinition = &makeFromDefinition<CMC_CanvasObserver>,
            .pass = 6,
            .sharedName = "CANVASOBSERVER",
            .blank = &blankWithoutElement<CMC_CanvasObserver>,
            .makeRunner = &R::runner<CMC_CanvasObserver_Runner>});
    R::add({.id = TYPE_JOYSTICK,
            .name = "JOYSTICK",
            .fromDefinition = &makeFromDefinition<CMC_Joystick>,
            .pass = 6,
            .makeRunner = &R::runner<CMC_Joystick_Runner>});

    // ANIMO, IMAGE, SOUND and BUTTON are also the types CREATEOBJECT makes.
    R::add({.id = TYPE_ANIMO,
            .name = "ANIMO",
            .fromDefinition = &makeFromDefinition<CMC_Animo>,
            .pass = 5,
            .blank = &blankOf<CMC_Animo>,
            .created = [](CMC_ObjectsContainer* container) -> CMC_Object* { return new CMC_Animo(container); },
            .makeRunner = &R::runner<CMC_Animo_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_Animo*>(object)->getAnimo();
            },
            .frame = [](CMC_Object* object, const CXString& frame) -> CGraphicsObject* {
                return static_cast<CMC_Animo*>(object)->getFrame(frame);
            }});
    R::add({.id = TYPE_IMAGE,
            .name = "IMAGE",
            .fromDefinition = &makeFromDefinition<CMC_Image>,
            .pass = 5,
            .blank = &blankOf<CMC_Image>,
            .created = [](CMC_ObjectsContainer* container) -> CMC_Object* { return new CMC_Image(container); },
            .makeRunner = &R::runner<CMC_Image_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_Image*>(object)->getImage();
            }});
    R::add({.id = TYPE_SOUND,
            .name = "SOUND",
            .fromDefinition = &makeFromDefinition<CMC_Sound>,
            .pass = 5,
            .blank = &blankOf<CMC_Sound>,
            .created = [](CMC_ObjectsContainer* container) -> CMC_Object* { return new CMC_Sound(container); },
            .makeRunner = &R::runner<CMC_Sound_Runner>});
    R::add({.id = TYPE_BUTTON,
            .name = "BUTTON",
            .fromDefinition = &makeFromDefinition<CMC_Button>,
            .pass = 6,
            .blank = &blankOf<CMC_Button>,
            .created = [](CMC_ObjectsContainer* container) -> CMC_Object* { return new CMC_Button(container); },
            .makeRunner = &R::runner<CMC_Button_Runner>});

    R::add({.id = TYPE_FONT,
            .name = "FONT",
            .fromDefinition = &makeFromDefinition<CMC_Font>,
            .pass = 5,
            .blank = &blankOf<CMC_Font>,
            .makeRunner = &R::runner<CMC_Font_Runner>});
    R::add({.id = TYPE_SEQUENCE,
            .name = "SEQUENCE",
            .fromDefinition = &makeFromDefinition<CMC_Sequence>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_Sequence>,
            .makeRunner = &R::runner<CMC_Sequence_Runner>});
    R::add({.id = TYPE_TEXT,
            .name = "TEXT",
            .fromDefinition = &makeFromDefinition<CMC_Text>,
            .pass = 6,
            .blank = &blankOf<CMC_Text>,
            .makeRunner = &R::runner<CMC_Text_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_Text*>(object)->getText();
            }});
    R::add({.id = TYPE_EDITBOX,
            .name = "EDITBOX",
            .fromDefinition = &makeFromDefinition<CMC_EditBox>,
            .pass = 6,
            .blank = &blankOf<CMC_EditBox>,
            .makeRunner = &R::runner<CMC_EditBox_Runner>});
    R::add({.id = TYPE_DIALOG,
            .name = "DIALOG",
            .fromDefinition = &makeFromDefinition<CMC_Dialog>,
            .pass = 6,
            .blank = &blankOf<CMC_Dialog>,
            .makeRunner = &R::runner<CMC_Dialog_Runner>});
    R::add({.id = TYPE_FILTER,
            .name = "FILTER",
            .fromDefinition = &makeFromDefinition<CMC_Filter>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_Filter>,
            .makeRunner = &R::runner<CMC_Filter_Runner>});
    R::add({.id = TYPE_STATICFILTER,
            .name = "STATICFILTER",
            .fromDefinition = &makeFromDefinition<CMC_StaticFilter>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_StaticFilter>,
            .makeRunner = &R::runner<CMC_StaticFilter_Runner>});
    R::add({.id = TYPE_CANVAS,
            .name = "CANVAS",
            .fromDefinition = &makeFromDefinition<CMC_Canvas>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_Canvas>,
            .makeRunner = &R::runner<CMC_Canvas_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_Canvas*>(object)->getCanvas();
            }});
    R::add({.id = TYPE_PATTERN,
            .name = "PATTERN",
            .fromDefinition = &makeFromDefinition<CMC_Pattern>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_Pattern>,
            .makeRunner = &R::runner<CMC_Pattern_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_Pattern*>(object)->getPattern();
            }});
    R::add({.id = TYPE_SCROLL,
            .name = "SCROLL",
            .fromDefinition = &makeFromDefinition<CMC_Scroll>,
            .pass = 6,
            .blank = &blankWithoutElement<CMC_Scroll>,
            .makeRunner = &R::runner<CMC_Scroll_Runner>});

    // Made in the scene by CNVLOADER; no cache holds them.
    R::add({.id = TYPE_MOVIE,
            .name = "MOVIE",
            .fromDefinition = &makeFromDefinition<CMC_Movie>,
            .pass = 6,
            .sceneInResolve = true,
            .makeRunner = &R::runner<CMC_Movie_Runner>});
    R::add({.id = TYPE_GRBUFFER,
            .name = "GRBUFFER",
            .fromDefinition = &makeFromDefinition<CMC_GrBuffer>,
            .pass = 5,
            .sceneInResolve = true,
            .makeRunner = &R::runner<CMC_GrBuffer_Runner>});
    R::add({.id = TYPE_VIRTUALGRAPHICSOBJECT,
            .name = "VIRTUALGRAPHICSOBJECT",
            .fromDefinition = &makeFromDefinition<CMC_VirtualGraphicsObject>,
            .pass = 5,
            .sceneInResolve = true,
            .makeRunner = &R::runner<CMC_VirtualGraphicsObject_Runner>,
            .graphics = [](CMC_Object* object) -> CGraphicsObject* {
                return static_cast<CMC_VirtualGraphicsObject*>(object)->getGraphicsObject();
            }});
}

} // namespace KavirelDLL
