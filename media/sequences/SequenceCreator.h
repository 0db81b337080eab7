#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/Containers.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CResourcesManager;
class CWindow;

// One element declared by a sequence file.
struct _tse_entry {
    CXString name;
    int32_t type = 0; // 0 none yet, 1 SIMPLE, 2 SEQUENCE, 3 SPEAKING
    CXString fileName;
    CXString event;
    CPlayable* playable = nullptr; // made at the TYPE line; not owned here
};

// The elements of a sequence file while it is read, and the playables they make.
class CTreeSequenceElements : public CXObject {
public:
    enum : int32_t { TYPE_NONE = 0, TYPE_SIMPLE = 1, TYPE_SEQUENCE = 2, TYPE_SPEAKING = 3 };

    CTreeSequenceElements(CWindow* window, CResourcesManager* resources);
    // Frees the records, never the playables.
    ~CTreeSequenceElements() override;
    CTreeSequenceElements(const CTreeSequenceElements&) = delete;
    CTreeSequenceElements& operator=(const CTreeSequenceElements&) = delete;

    // Declares an element; a name declared before is ignored.
    void add(CXString name);
    // The child's playable becomes the parent's last child.
    void add(CXString child, CXString parent);
    bool contains(CXString name);
    _tse_entry* find(CXString name);
    // The element's playable by its type and source; null when none can be made.
    CPlayable* create(_tse_entry* element, CPlayableObserver* observer);

    // Each takes the element's name and the line's value.
    void setType(CXString name, CXString type, CPlayableObserver* observer);
    void setFileName(CXString name, CXString fileName);
    void setEvent(CXString name, CXString event);
    void setMode(CXString name, CXString mode);
    void addSequenceEvent(CXString name, CXString key, CXString event);
    void setAnimoFN(CXString name, CXString animation);
    void setWAVFN(CXString name, CXString voice);
    void setStarting(CXString name, CXString value);
    void setEnding(CXString name, CXString value);
    void setPrefix(CXString name, CXString prefix);
    void setWaitMode(CXString name, CXString value);
    void show(CXString name);
    void hide(CXString name);
    void setSequence(CXString, CXString) {}
    void setToSay(CXString, CXString) {}

    // The most links a chain of holders (sequences holding children, speaking animations holding their
    // voice) may have: trees are walked, played and destroyed level by level.
    static constexpr int kMaxNesting = 64;
    // The most links a file may make: each one walks the tree it joins.
    static constexpr int kMaxLinks = 4096;

    int getCount() const { return m_entries.getSize(); }
    // A link was refused for nesting too deep, or for one link too many: the file is damaged.
    bool isRefused() const { return m_refused; }
    _tse_entry* at(int index) const { return static_cast<_tse_entry*>(m_entries.at(index)); }
    CResourcesManager* getResources() const { return m_resources; }

private:
    CPlayable* createSimple(_tse_entry* element, CPlayableObserver* observer);
    CPlayable* playableOf(const CXString& name);
    // False, marking the file too deep, when holding held would nest links deeper than kMaxNesting or make
    // more than kMaxLinks.
    bool fits(CPlayable* holder, CPlayable* held);
    // The longest chain of links below, and above through the links this file made.
    int heightBelow(CPlayable* playable, std::unordered_map<CPlayable*, int>& memo);
    int depthAbove(CPlayable* playable, std::unordered_map<CPlayable*, int>& memo);

    CWindow* m_window;
    CResourcesManager* m_resources;
    CXArray m_entries{101, 0.75f};
    // The same records by name: files may declare many.
    std::unordered_map<std::string, _tse_entry*> m_byName;
    // Who holds each playable (its parents and the speaking animations it is the voice of).
    std::unordered_map<CPlayable*, std::unordered_set<CPlayable*>> m_holders;
    int m_links = 0;
    bool m_refused = false;
};

// Reads sequence files: text lines "NAME n" declaring elements and "n KEY value" setting them (separators
// space, '=', ':'; '#' in the first column comments a line). The root is the element named as the file
// without folder and extension.
class CMultimediaSequenceCreator : public CXObject {
public:
    // The file's root playable (the caller deletes it), or null (also for a file whose elements nest deeper
    // than CTreeSequenceElements::kMaxNesting, with a log line). The observer hears every playable of the
    // tree start and finish. Playables the root does not hold are let go at once.
    static CPlayable* load(CWindow* window, CXString file, CResourcesManager* resources,
                           CPlayableObserver* observer);
    // Writes nothing: false.
    static bool save(CPlayable* playable, CXString file);
    // The character that selects child index in a PARAMETER sequence.
    static char getParameter(int index);

    // Without keep, the root goes with the creator.
    CMultimediaSequenceCreator(CWindow* window, CXString file, CResourcesManager* resources,
                               CPlayableObserver* observer, bool keep);
    ~CMultimediaSequenceCreator() override;
    CMultimediaSequenceCreator(const CMultimediaSequenceCreator&) = delete;
    CMultimediaSequenceCreator& operator=(const CMultimediaSequenceCreator&) = delete;

    CPlayable* get() { return m_result; }

private:
    // As load; error is ERR_FILE_NOT_FOUND when the file cannot be opened, ERR_FILE_DAMAGED when its elements
    // nest too deep (the creator's LastError).
    static CPlayable* read(CWindow* window, CXString file, CResourcesManager* resources,
                           CPlayableObserver* observer, int& error);

    CPlayable* m_result = nullptr;
    bool m_keep;
};

} // namespace KavirelDLL
