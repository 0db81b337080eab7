#include "objects/Sound.h"

#include <algorithm>
#include <climits>

#include "core/Archive.h"
#include "core/Elements.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "script/Bool.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

CMC_Sound::CMC_Sound(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_SOUND) {
    m_fileName = element ? element->getPropertyValue("FILENAME") : CXString("");
    m_preload = element && element->getPropertyBoolValue("PRELOAD");
    m_flushAfterPlayed = element && element->getPropertyBoolValue("FLUSHAFTERPLAYED");
    create(m_fileName);
    initializeBehaviours(container, element);
}

CMC_Sound::CMC_Sound(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString("temp"), TYPE_SOUND, false) {}

CMC_Sound::~CMC_Sound() {
    releaseAnchor();
    releaseSound(true);
}

CXString** CMC_Sound::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONRESUMED"});
}

void CMC_Sound::create(const CXString& fileName) {
    CXString path = fileName;
    if (CShellServices* application = m_window ? m_window->getShellServices() : nullptr)
        path = application->getWAVPath(fileName);
    if (getCache()) {
        m_sound = dynamic_cast<CSound4*>(takeFromCache(path));
        if (!m_sound) {
            // Another kind of resource under this name is no sound.
            giveBackUses(nullptr);
            m_sound = new CSound4(m_window, path, m_flushAfterPlayed, m_preload);
            addToCache(m_sound);
        }
    } else {
        m_sound = new CSound4(m_window, path, m_flushAfterPlayed, m_preload);
    }
    m_sound->addNotifier(this);
}

void CMC_Sound::addWatcher(CSoundWatcher* watcher) {
    if (watcher && std::find(m_watchers.begin(), m_watchers.end(), watcher) == m_watchers.end())
        m_watchers.push_back(watcher);
}

void CMC_Sound::removeWatcher(CSoundWatcher* watcher) {
    m_watchers.erase(std::remove(m_watchers.begin(), m_watchers.end(), watcher), m_watchers.end());
}

void CMC_Sound::releaseSound(bool destroyOwn) {
    if (!m_sound) {
        giveBackUses(nullptr);
        return;
    }
    CSound4* sound = m_sound;
    bool cached = holdsUseOf(sound);
    if (!cached && !destroyOwn) return;
    // Whoever kept the bare sound forgets it before it may go.
    std::vector<CSoundWatcher*> watchers = m_watchers;
    for (CSoundWatcher* watcher : watchers)
        if (std::find(m_watchers.begin(), m_watchers.end(), watcher) != m_watchers.end())
            watcher->onSoundGone(this, sound);
    // A sound the cache keeps must not tell this object of its plays any more.
    sound->removeNotifier(this);
    m_sound = nullptr;
    giveBackUses(sound);
    if (!cached) delete sound;
}

bool CMC_Sound::done(bool flag) {
    // The cache's sound goes back; an own sound stays until the object goes.
    releaseSound(false);
    return CMC_Object::done(flag);
}

void CMC_Sound::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        // The name as the definition gave it: the sound-effects folder is added where the cache is read, so
        // a game folder may move.
        *archive << m_fileName << m_preload << m_flushAfterPlayed;
        return;
    }
    CXString fileName;
    *archive >> &fileName >> &m_preload >> &m_flushAfterPlayed;
    if (!archive->good()) return;
    releaseSound(true);
    m_fileName = fileName;
    create(m_fileName);
}

bool CMC_Sound::onPlayableStarted(CPlayable*) {
    if (hasHandler(EVT_SOUND_ONSTARTED)) onSignal("ONSTARTED");
    return false;
}

bool CMC_Sound::onPlayableFinished(CPlayable*) {
    if (hasHandler(EVT_SOUND_ONFINISHED)) onSignal("ONFINISHED");
    return false;
}

bool CMC_Sound::onPlayableResumed(CPlayable*) {
    if (hasHandler(EVT_SOUND_ONRESUMED)) onSignal("ONRESUMED");
    return false;
}

int CMC_Sound::volumeOf(int value) {
    int64_t volume = (static_cast<int64_t>(value) - 800) * 3200 / 800;
    if (volume <= -3100) return -10000;
    // Anything above 0 is refused by the sound as it is.
    return static_cast<int>(std::min<int64_t>(volume, INT_MAX));
}

int CMC_Sound::panOf(int value) {
    int64_t pan = (static_cast<int64_t>(value) - 400) * 3200 / 1600;
    if (pan <= -3100) return -10000;
    if (pan >= 3100) return 10000;
    return static_cast<int>(pan);
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CSound4* soundOf(Call& call) { return call.self<CMC_Sound>()->getSound(); }

} // namespace

void CMC_Sound_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("PLAY", MTH_PLAY, [](Call& c) -> CMC_Variable* {
        if (CSound4* sound = soundOf(c)) sound->play();
        return nullptr;
    });
    addMethod("STOP", MTH_STOP, [](Call& c) -> CMC_Variable* {
        bool notify = c.count() < 1 || c.boolean(0);
        if (CSound4* sound = c.gone() ? nullptr : soundOf(c)) sound->stop(notify);
        return nullptr;
    });
    addMethod("PAUSE", MTH_PAUSE, [](Call& c) -> CMC_Variable* {
        if (CSound4* sound = soundOf(c)) sound->pause();
        return nullptr;
    });
    addMethod("RESUME", MTH_RESUME, [](Call& c) -> CMC_Variable* {
        if (CSound4* sound = soundOf(c)) sound->resume();
        return nullptr;
    });
    addMethod("LOAD", MTH_LOAD, [](Call& c) -> CMC_Variable* {
        CXString file = c.string(0);
        if (c.gone()) return nullptr;
        CSound4* sound = soundOf(c);
        // The name as given, without the sound-effects folder.
        return boolResult(sound && sound->Load(file));
    });
    addMethod("SETVOLUME", MTH_SETVOLUME, [](Call& c) -> CMC_Variable* {
        int value = c.integer(0);
        if (CSound4* sound = c.gone() ? nullptr : soundOf(c)) sound->setVolume(CMC_Sound::volumeOf(value));
        return nullptr;
    });
    addMethod("SETPAN", MTH_SETPAN, [](Call& c) -> CMC_Variable* {
        int value = c.integer(0);
        if (CSound4* sound = c.gone() ? nullptr : soundOf(c)) sound->setPanning(CMC_Sound::panOf(value));
        return nullptr;
    });
    addMethod("SETFREQ", MTH_SETFREQ, [](Call& c) -> CMC_Variable* {
        int value = c.integer(0);
        if (CSound4* sound = c.gone() ? nullptr : soundOf(c)) sound->setFrequency(value);
        return nullptr;
    });
    addMethod("ISPLAYING", MTH_ISPLAYING, [](Call& c) -> CMC_Variable* {
        CSound4* sound = soundOf(c);
        return boolResult(sound && sound->isPlaying());
    });
}

} // namespace KavirelDLL
