#include <string>
#include <vector>

#include "core/Log.h"
#include "core/XTimer.h"
#include "display/Window.h"
#include "input/HotSpot.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Groupped.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/Services.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

CXString textOf(CMC_Runner* runner, CXVector* args, int index) {
    return runner->getParameterString(args, index)->getValue();
}

int intOf(CMC_Runner* runner, CXVector* args, int index) {
    return runner->getParameterInteger(args, index)->getValue();
}

CMC_Object* objectOfType(CMC_ObjectsContainer* container, const CXString& name, int type) {
    CMC_Object* object = container ? container->getObject(name) : nullptr;
    return object && object->getType() == type ? object : nullptr;
}

// Hundredths of a decibel are -10000 at the bottom, where the linear map no longer reaches.
int clampQuiet(int value) { return value <= -3100 ? -10000 : value; }

// Copies of the argument texts from index first on, for a behaviour's $1, $2, ...
void appendArgumentTexts(CMC_Runner* runner, CXVector* args, int first, CXArray* params) {
    for (int i = first; i < CMC_Runner::argumentCount(args); ++i)
        params->add(new CXString(textOf(runner, args, i)));
}

void freeParams(CXArray* params) {
    for (int i = 0; i < params->getSize(); ++i) delete static_cast<CXString*>(params->at(i));
    delete params;
}

} // namespace

void CMC_Scene_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("STARTMUSIC", MTH_STARTMUSIC);
    addMethod("STOPMUSIC", MTH_STOPMUSIC);
    addMethod("GETDRAGGEDNAME", MTH_GETDRAGGEDNAME);
    addMethod("GETPLAYINGSEQ", MTH_GETPLAYINGSEQ);
    addMethod("RUN", MTH_RUN);
    addMethod("RUNCLONES", MTH_RUNCLONES);
    addMethod("CREATEOBJECT", MTH_CREATEOBJECT);
    addMethod("REMOVE", MTH_REMOVE);
    addMethod("REMOVECLONES", MTH_REMOVECLONES);
    addMethod("SETMUSICVOLUME", MTH_SETMUSICVOLUME);
    addMethod("GETMUSICVOLUME", MTH_GETMUSICVOLUME);
    addMethod("SETMUSICPAN", MTH_SETMUSICPAN);
    addMethod("SETMUSICFREQ", MTH_SETMUSICFREQ);
    addMethod("PAUSE", MTH_PAUSE);
    addMethod("RESUME", MTH_RESUME);
    addMethod("SETMINHSPRIORITY", MTH_SETMINHSPRIORITY);
    addMethod("SETMAXHSPRIORITY", MTH_SETMAXHSPRIORITY);
    addMethod("GETELEMENTSNO", MTH_GETELEMENTSNO);
    addMethod("TOTIME", MTH_TOTIME);
    addMethod("ISPAUSED", MTH_ISPAUSED);
    addMethod("GETPLAYINGANIMO", MTH_GETPLAYINGANIMO);
    addMethod("RESUMEONLY", MTH_RESUMEONLY);
    addMethod("GETMINHSPRIORITY", MTH_GETMINHSPRIORITY);
    addMethod("GETMAXHSPRIORITY", MTH_GETMAXHSPRIORITY);
    addMethod("GETRUNNINGTIMER", MTH_GETRUNNINGTIMER);
    addMethod("GETOBJECTS", MTH_GETOBJECTS);
    addMethod("RESUMESEQONLY", MTH_RESUMESEQONLY);
}

CXString CMC_Scene_Runner::toTime(int s) {
    CXString text = CXString::toString(s / 600);
    text += CXString::toString((s / 60) % 10);
    text += CXString::toString((s % 60) / 10);
    text += CXString::toString(s % 10);
    return text;
}

int CMC_Scene_Runner::volumeToDb(int volume) { return clampQuiet((volume - 800) * 3200 / 800); }

int CMC_Scene_Runner::panToDb(int pan) {
    int value = (pan - 400) * 3200 / 1600;
    if (value >= 3100) return 10000;
    return clampQuiet(value);
}

CMC_Variable* CMC_Scene_Runner::reflectiveRun(CMC_Runner* self, CMC_Object* receiver,
                                              CMC_ObjectsContainer* lookIn, CXVector* args, bool ignoreCase) {
    int count = argumentCount(args);
    if (count < 2 || !lookIn) return nullptr;
    CXString targetName = textOf(self, args, 0);
    CXString method = textOf(self, args, 1);
    CMC_Object* target = lookIn->getObject(targetName);
    if (!target) return nullptr;
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(target->getType());
    if (!runner) runner = target->getRunner();

    if (target->getType() == TYPE_BEHAVIOUR) {
        bool isRun = ignoreCase ? method.equalsIgnoreCase("run") : method.equals("RUN");
        bool isRunC = ignoreCase ? method.equalsIgnoreCase("runC") : method.equals("RUNC");
        if (isRun || isRunC) {
            CXArray* params = nullptr;
            if (count >= 3) {
                params = new CXArray(count, 0.75f);
                appendArgumentTexts(self, args, 2, params);
            }
            static_cast<CMC_Behaviour*>(target)->run(receiver, params, isRunC);
            if (params) freeParams(params);
            return nullptr;
        }
    }
    if (!runner) return nullptr;
    CXVector values(101, 0.75f);
    // The method's arguments, watched as the line's own are.
    CMC_ArgumentsWatch watch(&values);
    for (int i = 2; i < count; ++i) values.add(static_cast<CXObject*>(args->at(i)));
    CMC_Variable* result = runner->run(method, target, lookIn, &values);
    values.removeAll();
    return result;
}

CMC_Variable* CMC_Scene_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (!object) return nullptr;
    int type = object->getType();
    if (type < TYPE_APPLICATION || type > TYPE_SCENE) return CMC_Runner::run(id, object, container, args);
    auto* scene = static_cast<CMC_Scene*>(object);
    CWindow* window = scene->getWindow();
    int count = argumentCount(args);

    switch (id) {
    case MTH_STARTMUSIC: {
        if (count > 0) {
            CXString name = textOf(this, args, 0);
            scene->startMusic(name.GetBuffer(), true);
        } else {
            scene->startMusic(nullptr, true);
        }
        return nullptr;
    }
    case MTH_STOPMUSIC:
        scene->stopMusic();
        return nullptr;
    case MTH_GETDRAGGEDNAME: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(scene->getDraggedName());
        return result;
    }
    case MTH_GETPLAYINGSEQ:
        if (count > 0)
            scene->getPlayingSeq(
                static_cast<CMC_Array*>(objectOfType(scene, textOf(this, args, 0), TYPE_ARRAY)));
        return nullptr;
    case MTH_RUN:
        return reflectiveRun(this, scene, scene, args, false);
    case MTH_RUNCLONES: {
        if (count < 4) return nullptr;
        CMC_Object* target = scene->getObject(textOf(this, args, 0));
        if (!target) return nullptr;
        CXString targetName = target->getName();
        int from = intOf(this, args, 1);
        int to = intOf(this, args, 2);
        CXString behaviourName = textOf(this, args, 3);
        CMC_Object* found = scene->getObject(behaviourName);
        CMC_Behaviour* made = nullptr;
        CMC_ObjectHandle behaviour;
        if (found && found->getType() == TYPE_BEHAVIOUR) {
            behaviour.set(found);
        } else {
            made = new CMC_Behaviour(scene, CXString("temp"), behaviourName);
            made->init();
            behaviour.set(made);
        }
        if (from <= 0) from = 1;
        if (to <= 0) to = target->getClonesNo();
        std::vector<CXString> extra;
        for (int i = 4; i < count; ++i) extra.push_back(textOf(this, args, i));
        for (int i = from; i <= to; ++i) {
            CMC_Object* current = behaviour.current();
            if (!current) break;
            auto* params = new CXArray(101, 0.75f);
            params->add(new CXString(targetName + "_" + CXString::toString(i)));
            for (const CXString& text : extra) params->add(new CXString(text));
            static_cast<CMC_Behaviour*>(current)->run(scene, params, false);
            freeParams(params);
        }
        if (made && behaviour.current() == made) delete made;
        return nullptr;
    }
    case MTH_CREATEOBJECT:
        if (count >= 2) scene->createObject(textOf(this, args, 0), textOf(this, args, 1));
        return nullptr;
    case MTH_REMOVE: {
        if (count < 1) return nullptr;
        CMC_Object* target = scene->getObject(textOf(this, args, 0));
        // Only what this scene holds, and never a container: those have owners of their own.
        if (!target || !CMC_ObjectsContainer::isOwnedType(target->getType())) return nullptr;
        std::shared_ptr<CMC_ObjectAnchor> gone = target->anchor();
        if (!scene->removeObject(target)) return nullptr;
        if (gone->object && !target->isHeld()) delete target;
        return nullptr;
    }
    case MTH_REMOVECLONES: {
        if (count < 3) return nullptr;
        CMC_Object* target = scene->getObject(textOf(this, args, 0));
        if (!target) return nullptr;
        CXString targetName = target->getName();
        int from = intOf(this, args, 1);
        int to = intOf(this, args, 2);
        if (to == -1) to = target->getClonesNo();
        if (from == -1) from = 1;
        for (int i = from; i <= to; ++i) {
            CMC_Object* clone = scene->getObject(targetName + "_" + CXString::toString(i));
            if (!clone || clone == target || !CMC_ObjectsContainer::isOwnedType(clone->getType())) continue;
            std::shared_ptr<CMC_ObjectAnchor> gone = clone->anchor();
            if (!scene->removeObject(clone)) continue;
            clone->done(false);
            if (gone->object && !clone->isHeld()) delete clone;
        }
        return nullptr;
    }
    case MTH_SETMUSICVOLUME:
        if (window && count > 0) window->setMusicVolume(volumeToDb(intOf(this, args, 0)));
        return nullptr;
    case MTH_GETMUSICVOLUME: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(window ? volumeToDb(window->getMusicVolume()) : 0);
        return result;
    }
    case MTH_SETMUSICPAN:
        if (window && count > 0) window->setMusicPan(panToDb(intOf(this, args, 0)));
        return nullptr;
    case MTH_SETMUSICFREQ:
        if (window && count > 0) window->setMusicFreq(intOf(this, args, 0));
        return nullptr;
    case MTH_PAUSE: {
        if (m_paused) return nullptr;
        m_paused = true;
        bool keepTimers = count > 0 && getParameterBool(args, 0)->getValue();
        if (CMC_Host* host = CMC_Host::get()) {
            host->pauseAnimations(window);
            host->pauseSounds(window);
        }
        CWindow::pause();
        CXTimer* timers = window ? window->GetTimerInterface() : nullptr;
        if (!keepTimers && timers) timers->pause();
        CXTimer::enable(keepTimers);
        return nullptr;
    }
    case MTH_RESUME:
    case MTH_RESUMEONLY: {
        if (!m_paused) return nullptr;
        m_paused = false;
        int timerArgument = id == MTH_RESUME ? 0 : 1;
        bool resumeTimers = count <= timerArgument || getParameterBool(args, timerArgument)->getValue();
        CMC_Host* host = CMC_Host::get();
        if (host && host->hasAnimations(window))
            host->resumeAnimations(window, id == MTH_RESUME || count < 1
                                               ? nullptr
                                               : static_cast<CMC_Groupped*>(
                                                     objectOfType(scene, textOf(this, args, 0), TYPE_GROUP)));
        if (host) host->resumeSounds(window);
        CWindow::resume();
        CXTimer* timers = window ? window->GetTimerInterface() : nullptr;
        if (resumeTimers && timers) timers->resume();
        CXTimer::enable(resumeTimers);
        return nullptr;
    }
    case MTH_SETMINHSPRIORITY:
        if (count > 0) CHotSpot::setMinPriority(intOf(this, args, 0));
        return nullptr;
    case MTH_SETMAXHSPRIORITY:
        if (count > 0) CHotSpot::setMaxPriority(intOf(this, args, 0));
        return nullptr;
    case MTH_GETMINHSPRIORITY:
    case MTH_GETMAXHSPRIORITY: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(id == MTH_GETMINHSPRIORITY ? CHotSpot::getMinPriority()
                                                    : CHotSpot::getMaxPriority());
        return result;
    }
    case MTH_GETELEMENTSNO: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(scene->getElementsNo());
        return result;
    }
    case MTH_TOTIME: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(toTime(count > 0 ? intOf(this, args, 0) : 0));
        return result;
    }
    case MTH_ISPAUSED: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(m_paused);
        return result;
    }
    case MTH_GETPLAYINGANIMO:
        if (count > 0)
            scene->getPlayingAnimo(
                static_cast<CMC_Groupped*>(objectOfType(scene, textOf(this, args, 0), TYPE_GROUP)));
        return nullptr;
    case MTH_GETRUNNINGTIMER:
        if (count > 0)
            scene->getRunningTimers(
                static_cast<CMC_Groupped*>(objectOfType(scene, textOf(this, args, 0), TYPE_GROUP)));
        return nullptr;
    case MTH_GETOBJECTS: {
        if (count < 2) return nullptr;
        CXString typeName = textOf(this, args, 0);
        auto* group = static_cast<CMC_Groupped*>(objectOfType(scene, textOf(this, args, 1), TYPE_GROUP));
        if (group) scene->getObjects(typeName, group);
        return nullptr;
    }
    case MTH_RESUMESEQONLY:
        if (count > 0)
            scene->resumeExcept(
                static_cast<CMC_Array*>(objectOfType(scene, textOf(this, args, 0), TYPE_ARRAY)));
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
