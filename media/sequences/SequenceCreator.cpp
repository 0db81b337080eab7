#include "media/sequences/SequenceCreator.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/File.h"
#include "core/Log.h"
#include "core/StringTokenizer.h"
#include "display/ResourcesManager.h"
#include "display/ShellServices.h"
#include "display/Window.h"
#include "media/anim/Animo6.h"
#include "media/sequences/SequenceSupport.h"
#include "media/sequences/SequencedPlayable.h"
#include "media/sequences/SimpleAnimation.h"
#include "media/sequences/SpeakingAnimation.h"
#include "media/sound/Sound4.h"

namespace KavirelDLL {

namespace {

// TRUE or FALSE exactly; anything else leaves the setting.
bool readBool(const CXString& value, bool& out) {
    if (value == "TRUE")
        out = true;
    else if (value == "FALSE")
        out = false;
    else
        return false;
    return true;
}

// The name without folders, as either separator writes them.
CXString lastPart(const CXString& fileName) {
    const int cut = std::max(fileName.FindLast('\\', -1), fileName.FindLast('/', -1));
    return fileName.Right(cut + 1);
}

CXString extensionOf(const CXString& fileName) {
    const CXString name = lastPart(fileName);
    const int dot = name.FindLast('.', -1);
    return dot < 0 ? CXString("") : name.Right(dot + 1);
}

CXString pureNameOf(const CXString& fileName) {
    const CXString name = lastPart(fileName);
    const int dot = name.FindLast('.', -1);
    return dot < 0 ? name : name.Left(dot);
}

} // namespace

// ---------------------------------------------------------------- the elements

CTreeSequenceElements::CTreeSequenceElements(CWindow* window, CResourcesManager* resources)
    : m_window(window), m_resources(resources) {}

CTreeSequenceElements::~CTreeSequenceElements() {
    for (int i = 0; i < m_entries.getSize(); ++i) delete at(i);
    m_entries.removeAll();
    m_byName.clear();
}

void CTreeSequenceElements::add(CXString name) {
    if (contains(name)) return;
    auto* entry = new _tse_entry;
    entry->name = name;
    m_entries.add(entry);
    m_byName.emplace(std::string(name.GetBuffer(), size_t(name.GetLength())), entry);
}

bool CTreeSequenceElements::contains(CXString name) { return find(name) != nullptr; }

_tse_entry* CTreeSequenceElements::find(CXString name) {
    auto found = m_byName.find(std::string(name.GetBuffer(), size_t(name.GetLength())));
    return found == m_byName.end() ? nullptr : found->second;
}

CPlayable* CTreeSequenceElements::playableOf(const CXString& name) {
    _tse_entry* entry = find(name);
    return entry ? entry->playable : nullptr;
}

void CTreeSequenceElements::add(CXString child, CXString parent) {
    CPlayable* childPlayable = playableOf(child);
    CPlayable* parentPlayable = playableOf(parent);
    if (!childPlayable || !parentPlayable || !fits(parentPlayable, childPlayable)) return;
    auto* sequence = dynamic_cast<CSequencedPlayable*>(parentPlayable);
    const int before = sequence ? sequence->getChildrenCount() : -1;
    parentPlayable->addChild(childPlayable);
    if (sequence && sequence->getChildrenCount() > before) {
        m_holders[childPlayable].insert(parentPlayable);
        ++m_links;
    }
}

bool CTreeSequenceElements::fits(CPlayable* holder, CPlayable* held) {
    std::unordered_map<CPlayable*, int> below, above;
    if (m_links < kMaxLinks && depthAbove(holder, above) + 1 + heightBelow(held, below) <= kMaxNesting)
        return true;
    m_refused = true;
    return false;
}

int CTreeSequenceElements::heightBelow(CPlayable* playable, std::unordered_map<CPlayable*, int>& memo) {
    auto known = memo.find(playable);
    if (known != memo.end()) return known->second;
    int height = 0;
    // The links made so far never nest deeper than the limit, so neither does this walk.
    if (auto* sequence = dynamic_cast<CSequencedPlayable*>(playable))
        for (int i = 0; i < sequence->getChildrenCount(); ++i)
            height = std::max(height, 1 + heightBelow(sequence->getChild(i), memo));
    if (auto* speaking = dynamic_cast<CSpeakingAnimation*>(playable))
        if (CPlayable* voice = speaking->getVoice()) height = std::max(height, 1 + heightBelow(voice, memo));
    memo[playable] = height;
    return height;
}

int CTreeSequenceElements::depthAbove(CPlayable* playable, std::unordered_map<CPlayable*, int>& memo) {
    auto known = memo.find(playable);
    if (known != memo.end()) return known->second;
    int depth = 0;
    auto holders = m_holders.find(playable);
    if (holders != m_holders.end())
        for (CPlayable* holder : holders->second) depth = std::max(depth, 1 + depthAbove(holder, memo));
    memo[playable] = depth;
    return depth;
}

CPlayable* CTreeSequenceElements::createSimple(_tse_entry* element, CPlayableObserver* observer) {
    CAnimo* animation = nullptr;
    CSimpleAnimation* leaf = nullptr;
    CMC_Object* object = SequenceSupport::sceneObject(m_window, element->fileName);
    CAnimationLender* lender = SequenceSupport::animationLender(object);
    if (lender && lender->getAnimo()) {
        leaf = new CSimpleAnimation(m_window, object);
        animation = leaf->getAnimation();
    } else {
        const CXString extension = extensionOf(element->fileName);
        if (extension.equalsIgnoreCase("ANN")) {
            bool made = false;
            animation = SequenceSupport::takeAnimation(m_window, m_resources, element->fileName, made);
            if (made) SequenceSupport::putOnScreen(m_window, animation);
            leaf = new CSimpleAnimation(m_window, animation);
            leaf->holdAnimation(m_resources);
        } else if (extension.equalsIgnoreCase("WAV")) {
            CShellServices* shell = m_window ? m_window->getShellServices() : nullptr;
            const CXString path = shell ? shell->getWAVPath(element->fileName) : element->fileName;
            CSound4* sound = SequenceSupport::takeSound(m_window, m_resources, path);
            if (!m_resources) return sound;
            // Elements of one file share its sound: one use of the cache serves them all.
            for (int i = 0; i < m_entries.getSize(); ++i)
                if (at(i)->playable == sound) {
                    m_resources->remove(sound);
                    return sound;
                }
            // A leaf is named and heard by its own tree: a sound another tree plays as a leaf stays that
            // tree's, and this one plays a sound of its own.
            if (SequenceSupport::claim(sound, observer, element->name)) return sound;
            m_resources->remove(sound);
            return SequenceSupport::ownSound(m_window, path);
        } else {
            return nullptr;
        }
    }
    int index = animation ? animation->resolveEventName(element->event) : -1;
    if (index < 0) index = element->event.toNumber();
    leaf->setEventIndex(index);
    return leaf;
}

CPlayable* CTreeSequenceElements::create(_tse_entry* element, CPlayableObserver* observer) {
    if (!element) return nullptr;
    CPlayable* made = nullptr;
    switch (element->type) {
    case TYPE_SEQUENCE: {
        auto* sequence = new CSequencedPlayable(m_window);
        sequence->setResources(m_resources);
        made = sequence;
        break;
    }
    case TYPE_SPEAKING:
        made = new CSpeakingAnimation(m_window, m_resources);
        break;
    case TYPE_SIMPLE:
        made = createSimple(element, observer);
        break;
    default:
        break;
    }
    if (made) made->setGenericNotifier(observer);
    return made;
}

void CTreeSequenceElements::setType(CXString name, CXString type, CPlayableObserver* observer) {
    _tse_entry* entry = find(name);
    if (!entry) return;
    int32_t kind = TYPE_NONE;
    if (type == "SIMPLE")
        kind = TYPE_SIMPLE;
    else if (type == "SEQUENCE")
        kind = TYPE_SEQUENCE;
    else if (type == "SPEAKING")
        kind = TYPE_SPEAKING;
    // One element, one playable: a second TYPE line would leave the first playable to nobody.
    if (kind == TYPE_NONE || entry->playable) return;
    entry->type = kind;
    entry->playable = create(entry, observer);
    if (!entry->playable) return;
    entry->playable->setName(entry->name);
    // The file's own hold while it is read: a holder letting go (a voice given again) never disposes of it.
    entry->playable->addParent();
}

void CTreeSequenceElements::setFileName(CXString name, CXString fileName) {
    if (_tse_entry* entry = find(name)) entry->fileName = fileName;
}

void CTreeSequenceElements::setEvent(CXString name, CXString event) {
    if (_tse_entry* entry = find(name)) entry->event = event;
}

void CTreeSequenceElements::setMode(CXString name, CXString mode) {
    _tse_entry* entry = find(name);
    if (!entry || entry->type != TYPE_SEQUENCE || !entry->playable) return;
    if (mode == "SEQUENCE")
        entry->playable->setMode(CSequencedPlayable::MODE_SEQUENCE);
    else if (mode == "RANDOM")
        entry->playable->setMode(CSequencedPlayable::MODE_RANDOM);
    else if (mode == "PARAMETER")
        entry->playable->setMode(CSequencedPlayable::MODE_PARAMETER);
}

void CTreeSequenceElements::addSequenceEvent(CXString name, CXString key, CXString event) {
    if (CPlayable* playable = playableOf(name)) playable->addEvent(key, event);
}

void CTreeSequenceElements::setAnimoFN(CXString name, CXString animation) {
    if (auto* speaking = dynamic_cast<CSpeakingAnimation*>(playableOf(name)))
        speaking->setAnimation(animation);
}

void CTreeSequenceElements::setWAVFN(CXString name, CXString voice) {
    auto* speaking = dynamic_cast<CSpeakingAnimation*>(playableOf(name));
    if (!speaking) return;
    if (_tse_entry* element = find(voice)) {
        if (element->playable && !fits(speaking, element->playable)) return;
        // The voice it had is let go.
        if (CPlayable* old = speaking->getVoice()) {
            auto holders = m_holders.find(old);
            if (holders != m_holders.end()) holders->second.erase(speaking);
        }
        speaking->apply(element->playable);
        if (element->playable && speaking->getVoice() == element->playable) {
            m_holders[element->playable].insert(speaking);
            ++m_links;
        }
        return;
    }
    CMC_Object* object = SequenceSupport::sceneObject(m_window, voice);
    CSoundLender* lender = SequenceSupport::soundLender(object);
    if (lender && lender->getSound()) {
        speaking->apply(voice);
        return;
    }
    CShellServices* shell = m_window ? m_window->getShellServices() : nullptr;
    speaking->apply(shell ? shell->getWAVPath(voice) : voice);
}

void CTreeSequenceElements::setStarting(CXString name, CXString value) {
    bool on = false;
    auto* speaking = dynamic_cast<CSpeakingAnimation*>(playableOf(name));
    if (speaking && readBool(value, on)) speaking->setStarting(on);
}

void CTreeSequenceElements::setEnding(CXString name, CXString value) {
    bool on = false;
    auto* speaking = dynamic_cast<CSpeakingAnimation*>(playableOf(name));
    if (speaking && readBool(value, on)) speaking->setEnding(on);
}

void CTreeSequenceElements::setPrefix(CXString name, CXString prefix) {
    if (auto* speaking = dynamic_cast<CSpeakingAnimation*>(playableOf(name))) speaking->setPrefix(prefix);
}

void CTreeSequenceElements::setWaitMode(CXString name, CXString value) {
    bool wait = true;
    CPlayable* playable = playableOf(name);
    if (playable && readBool(value, wait)) playable->setWaitMode(wait);
}

void CTreeSequenceElements::show(CXString name) {
    _tse_entry* entry = find(name);
    if (entry && entry->playable && (entry->type == TYPE_SIMPLE || entry->type == TYPE_SPEAKING))
        entry->playable->show();
}

void CTreeSequenceElements::hide(CXString name) {
    _tse_entry* entry = find(name);
    if (entry && entry->playable && (entry->type == TYPE_SIMPLE || entry->type == TYPE_SPEAKING))
        entry->playable->hide();
}

// ---------------------------------------------------------------- the file

namespace {

void readLine(CTreeSequenceElements& elements, const CXString& line, CPlayableObserver* observer) {
    if (line.GetAt(0) == '#') return;
    std::vector<CXString> tokens;
    CStringTokenizer words(line, CXString(" =:\n"));
    while (words.hasMoreTokens()) {
        CXString token = words.nextToken();
        if (token.IsString()) tokens.push_back(token);
    }
    if (tokens.size() < 2) return;
    if (tokens[0] == "NAME") {
        elements.add(tokens[1]);
        return;
    }
    if (!elements.contains(tokens[0])) return;
    const CXString& name = tokens[0];
    const CXString& key = tokens[1];
    const CXString value = tokens.size() > 2 ? tokens[2] : CXString("");
    if (key == "ADD") {
        elements.add(name, tokens.size() > 2 ? value : CXString("ROOT"));
        return;
    }
    if (key == "SHOW")
        elements.show(name);
    else if (key == "HIDE")
        elements.hide(name);
    if (tokens.size() < 3) return;
    if (key == "TYPE")
        elements.setType(name, value, observer);
    else if (key == "FILENAME")
        elements.setFileName(name, value);
    else if (key == "EVENT")
        elements.setEvent(name, value);
    else if (key == "MODE")
        elements.setMode(name, value);
    else if (key == "SEQEVENT" && tokens.size() > 3)
        elements.addSequenceEvent(name, value, tokens[3]);
    else if (key == "ANIMOFN")
        elements.setAnimoFN(name, value);
    else if (key == "WAVFN")
        elements.setWAVFN(name, value);
    else if (key == "STARTING")
        elements.setStarting(name, value);
    else if (key == "ENDING")
        elements.setEnding(name, value);
    else if (key == "PREFIX")
        elements.setPrefix(name, value);
    else if (key == "SEQUENCE")
        elements.setSequence(name, value);
    else if (key == "WAIT")
        elements.setWaitMode(name, value);
}

} // namespace

CPlayable* CMultimediaSequenceCreator::load(CWindow* window, CXString file, CResourcesManager* resources,
                                            CPlayableObserver* observer) {
    int error = ERR_NONE;
    return read(window, file, resources, observer, error);
}

CPlayable* CMultimediaSequenceCreator::read(CWindow* window, CXString file, CResourcesManager* resources,
                                            CPlayableObserver* observer, int& error) {
    error = ERR_NONE;
    CFile input;
    if (input.Open(window, file, CFile::MODE_READ | CFile::MODE_TEXT) != 0) {
        error = ERR_FILE_NOT_FOUND;
        return nullptr;
    }
    CTreeSequenceElements elements(window, resources);
    for (CXString line = input.getLine(); line.IsString() && !elements.isRefused(); line = input.getLine())
        readLine(elements, line, observer);
    input.Close();

    _tse_entry* rootEntry = elements.find(pureNameOf(file));
    CPlayable* root = rootEntry ? rootEntry->playable : nullptr;
    if (elements.isRefused()) {
        // Every walk, play and destruction of a tree goes down it level by level.
        logMessage("sequence file %s: elements nested deeper than %d levels, or more than %d links; the file "
                   "is refused",
                   file.GetBuffer(), CTreeSequenceElements::kMaxNesting, CTreeSequenceElements::kMaxLinks);
        error = ERR_FILE_DAMAGED;
        root = nullptr;
    }
    if (root && root->getType() == 1) {
        if (SequenceSupport::isOwned(root)) {
            // Made for this tree alone: the caller's now.
            SequenceSupport::disown(root);
        } else {
            // A cached sound is the cache's: the caller, who deletes the root, gets a sound of its own.
            auto* own = new CSound4(window, root->getFileName(), true, false);
            own->setName(root->getName());
            own->setGenericNotifier(observer);
            root = own;
        }
    }
    // A sound's file name is the one it plays.
    if (root && root->getType() != 1) root->setFilename(file);
    // What the root does not hold is let go now; a playable another one holds goes with its holder.
    for (int i = 0; i < elements.getCount(); ++i)
        if (CPlayable* p = elements.at(i)->playable) p->subParent();
    const std::unordered_set<CPlayable*> held = SequenceSupport::heldBy(root);
    std::vector<CPlayable*> loose;
    std::unordered_set<CPlayable*> seen;
    for (int i = 0; i < elements.getCount(); ++i) {
        CPlayable* p = elements.at(i)->playable;
        if (!p || p->getParentsNo() > 0 || held.count(p) || !seen.insert(p).second) continue;
        loose.push_back(p);
    }
    // A loose playable may hold the root (as its voice, or a child): the caller's hold keeps it.
    if (root) root->addParent();
    for (CPlayable* p : loose) SequenceSupport::release(p, resources, false);
    if (root) {
        root->subParent();
        root->setParent(nullptr);
    }
    return root;
}

bool CMultimediaSequenceCreator::save(CPlayable*, CXString) { return false; }

char CMultimediaSequenceCreator::getParameter(int index) {
    if (index < 9) return static_cast<char>('1' + index);
    if (index < 35) return static_cast<char>(index + 56);
    return static_cast<char>(index + 62);
}

CMultimediaSequenceCreator::CMultimediaSequenceCreator(CWindow* window, CXString file,
                                                       CResourcesManager* resources,
                                                       CPlayableObserver* observer, bool keep)
    : m_keep(keep) {
    int error = ERR_NONE;
    m_result = read(window, file, resources, observer, error);
    setErrorCode(error);
}

CMultimediaSequenceCreator::~CMultimediaSequenceCreator() {
    if (!m_keep) delete m_result;
}

} // namespace KavirelDLL
