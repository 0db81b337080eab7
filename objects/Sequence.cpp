#include "objects/Sequence.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/Window.h"
#include "media/controls/Unit6.h"
#include "media/sequences/SequenceCreator.h"
#include "media/sequences/SequencedPlayable.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_Sequence::CMC_Sequence(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_SEQUENCE), m_window(container ? container->getWindow() : nullptr) {
    if (!element) {
        setName("temp");
        return;
    }
    m_fileName = element->getPropertyValue("FILENAME");
    initializeBehaviours(container, element);
}

CMC_Sequence::~CMC_Sequence() {
    releaseAnchor();
    deleteSequence();
}

void CMC_Sequence::deleteSequence() {
    CPlayable* sequence = m_sequence;
    m_sequence = nullptr;
    delete sequence;
}

void CMC_Sequence::loadSequence() {
    deleteSequence();
    m_tried = true;
    if (m_fileName.GetLength() == 0) return;
    CUnit6* unit = CMC_Scene::getDefUnit();
    m_sequence = CMultimediaSequenceCreator::load(m_window, m_fileName,
                                                  unit ? unit->getResourcesManager() : nullptr, this);
}

void CMC_Sequence::init() {
    loadSequence();
    CMC_Object::init();
}

bool CMC_Sequence::done(bool release) {
    if (release) {
        deleteSequence();
        m_tried = false;
    }
    return CMC_Object::done(release);
}

CPlayable* CMC_Sequence::getSequence() {
    if (!m_sequence && !m_tried && m_fileName.GetLength() > 0) loadSequence();
    return m_sequence;
}

CXString** CMC_Sequence::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED"});
}

void CMC_Sequence::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_fileName;
        return;
    }
    CXString file;
    *archive >> &file;
    if (archive->good()) m_fileName = file;
}

bool CMC_Sequence::onPlayableStarted(CPlayable* playable) {
    if (!playable || !hasHandler(EVT_SEQUENCE_ONSTARTED)) return false;
    if (playable->isParent())
        onSignal("ONSTARTED");
    else
        onSignal("ONSTARTED^" + playable->getName());
    return false;
}

bool CMC_Sequence::onPlayableFinished(CPlayable* playable) {
    if (!playable || !hasHandler(EVT_SEQUENCE_ONFINISHED)) return false;
    if (playable == m_sequence)
        onSignal("ONFINISHED");
    else
        onSignal("ONFINISHED^" + playable->getName());
    return false;
}

// ---- runner ----

void CMC_Sequence_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("PLAY", MTH_PLAY);
    addMethod("STOP", MTH_STOP);
    addMethod("PAUSE", MTH_PAUSE);
    addMethod("RESUME", MTH_RESUME);
    addMethod("SHOW", MTH_SHOW);
    addMethod("HIDE", MTH_HIDE);
    addMethod("ISPLAYING", MTH_ISPLAYING);
    addMethod("SETVOLUME", MTH_SETVOLUME);
    addMethod("SETPAN", MTH_SETPAN);
    addMethod("SETFREQ", MTH_SETFREQ);
    addMethod("GETEVENTNAME", MTH_GETEVENTNAME);
    addMethod("GETPLAYING", MTH_GETPLAYING);
}

CXString CMC_Sequence_Runner::fillTemplate(CXString pattern, const std::vector<int>& elements) {
    const int n = std::min(pattern.GetLength(), static_cast<int>(elements.size()));
    std::string text(pattern.GetBuffer(), static_cast<size_t>(pattern.GetLength()));
    size_t next = 0;
    for (int i = 0; i < n; ++i)
        if (text[static_cast<size_t>(i)] == 'x' || text[static_cast<size_t>(i)] == 'X')
            text[static_cast<size_t>(i)] = CMultimediaSequenceCreator::getParameter(elements[next++]);
    return CXString(text.c_str());
}

int CMC_Sequence_Runner::volumeOf(int volume) {
    const int64_t v = 4 * (static_cast<int64_t>(volume) - 800);
    if (v <= -3100) return -10000;
    // Out of the voices' range it stays out of range, and they refuse it.
    return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max()));
}

int CMC_Sequence_Runner::panOf(int pan) {
    const int64_t p = 2 * (static_cast<int64_t>(pan) - 400);
    if (p <= -3100) return -10000;
    if (p >= 3100) return 10000;
    return static_cast<int>(p);
}

CMC_Variable* CMC_Sequence_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (!object || object->getType() != TYPE_SEQUENCE || id < MTH_PLAY || id > MTH_GETPLAYING)
        return CMC_Runner::run(id, object, container, args);
    auto* sequence = static_cast<CMC_Sequence*>(object);
    using namespace RunnerResults;
    CMC_ArgumentsGuard guard(sequence, nullptr, args);
    const int count = argumentCount(args);
    CXString text[2];
    int number = 0;
    bool flag = true;
    switch (id) {
    case MTH_PLAY:
    case MTH_GETEVENTNAME:
        for (int i = 0; i < std::min(count, 2); ++i) text[i] = argumentText(getParameter(args, i));
        break;
    case MTH_STOP:
        if (count > 0) flag = getParameterBool(args, 0)->getValue();
        break;
    case MTH_SETVOLUME:
    case MTH_SETPAN:
    case MTH_SETFREQ:
        number = getParameterInteger(args, 0)->getValue();
        break;
    default:
        break;
    }
    if (guard.gone()) return nullptr;
    CPlayable* root = sequence->getSequence();
    if (!root) {
        // No file, or one that did not load: nothing to act on.
        if (id == MTH_ISPLAYING) return boolResult(false);
        if (id == MTH_GETEVENTNAME || id == MTH_GETPLAYING) return stringResult("");
        return nullptr;
    }
    switch (id) {
    case MTH_PLAY:
        if (count >= 2) {
            CMC_ObjectsContainer* from = container ? container : sequence->getScene();
            CMC_Object* named = from ? from->getObject(text[1]) : nullptr;
            CXString parameter = text[1];
            // Only an ARRAY fills the key's template.
            if (named && named->getType() == TYPE_ARRAY) {
                auto* array = static_cast<CMC_Array*>(named);
                std::vector<int> elements;
                for (int i = 0; i < array->getSize(); ++i) {
                    CMC_Variable* value = array->get(i);
                    if (value && value->getType() == TYPE_INTEGER)
                        elements.push_back(static_cast<CMC_Integer*>(value)->getValue());
                    else
                        elements.push_back(argumentText(value).toNumber());
                }
                parameter = fillTemplate(root->getParameter(text[0]), elements);
            }
            root->setParameter(text[0], parameter);
        }
        root->play(text[0]);
        return nullptr;
    case MTH_STOP:
        if (root->isPlaying()) root->stop(flag);
        return nullptr;
    case MTH_PAUSE:
        root->pause();
        return nullptr;
    case MTH_RESUME:
        root->resume();
        return nullptr;
    case MTH_SHOW:
        root->show();
        return nullptr;
    case MTH_HIDE:
        root->hide();
        return nullptr;
    case MTH_ISPLAYING:
        return boolResult(root->isPlaying());
    case MTH_SETVOLUME:
        root->setVolume(volumeOf(number));
        return nullptr;
    case MTH_SETPAN:
        root->setPanning(panOf(number));
        return nullptr;
    case MTH_SETFREQ:
        root->setFrequency(number);
        return nullptr;
    case MTH_GETEVENTNAME:
        if (count > 0)
            if (auto* tree = dynamic_cast<CSequencedPlayable*>(root))
                return stringResult(tree->getLastPlayedEvent(text[0]));
        return stringResult(root->getLastPlayedEvent());
    case MTH_GETPLAYING: {
        CPlayable* playing = root->getPlaying();
        return stringResult(playing ? playing->getName() : CXString(""));
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
