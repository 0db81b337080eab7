#include "display/ResourcesManager.h"

#include <algorithm>

#include "core/Containers.h"
#include "display/GraphicsObject.h"
#include "display/Playable.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

// Every cache that exists, so that a borrower can find its lender and a cache that goes away can leave
// every chain and loan that names it. Caches live on the main thread.
std::vector<CResourcesManager*>& liveManagers() {
    static std::vector<CResourcesManager*> managers;
    return managers;
}

} // namespace

int CResourcesManager::Entry::lent() const {
    int total = 0;
    for (const Loan& l : loans) total += l.uses;
    return total;
}

CResourcesManager::CResourcesManager(CWindow* window)
    : m_entries(new CXArray(101, 0.75f)), m_chained(new CXVector(101, 0.75f)), m_window(window) {
    liveManagers().push_back(this);
}

CResourcesManager::~CResourcesManager() {
    flush();
    auto& live = liveManagers();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    // Copied: giving back borrowed uses may destroy resources, and a resource may own a cache.
    std::vector<CResourcesManager*> others(live);
    for (CResourcesManager* m : others) {
        if (std::find(liveManagers().begin(), liveManagers().end(), m) == liveManagers().end()) continue;
        while (m->m_chained->contains(this)) m->m_chained->remove(this);
        m->forgetBorrower(this);
    }
    delete m_entries;
    delete m_chained;
}

int CResourcesManager::getSize() const { return m_entries->getSize(); }

CResourcesManager::Entry* CResourcesManager::entryAt(int index) const {
    return index >= 0 && index < m_entries->getSize() ? static_cast<Entry*>(m_entries->at(index)) : nullptr;
}

CResourcesManager::Entry* CResourcesManager::entryOf(CFileResolver* resource) const {
    for (int i = 0; i < m_entries->getSize(); ++i)
        if (Entry* e = entryAt(i); e->resource == resource) return e;
    return nullptr;
}

void CResourcesManager::insertEntry(CFileResolver* resource, int index) {
    if (!resource) return;
    // A second entry of the same resource would destroy it twice.
    if (Entry* e = entryOf(resource)) {
        ++e->uses;
        return;
    }
    Entry* e = new Entry{resource->getFileName(), resource, 1, {}};
    index = std::clamp(index, 0, m_entries->getSize());
    m_entries->insertAt(index, e);
}

void CResourcesManager::add(CFileResolver* resource) { insertEntry(resource, m_entries->getSize()); }

void CResourcesManager::insertAt(CFileResolver* resource, int index) { insertEntry(resource, index); }

CFileResolver* CResourcesManager::get(CXString name) {
    name.Lower();
    std::vector<CResourcesManager*> visited;
    return find(name, this, visited);
}

CFileResolver* CResourcesManager::find(const CXString& lowerName, CResourcesManager* asker,
                                       std::vector<CResourcesManager*>& visited) {
    // Chains may loop back.
    if (std::find(visited.begin(), visited.end(), this) != visited.end()) return nullptr;
    visited.push_back(this);
    for (int i = 0; i < m_entries->getSize(); ++i) {
        Entry* e = entryAt(i);
        if (!e->name.equalsIgnoreCase(lowerName)) continue;
        ++e->uses;
        if (asker != this) {
            auto loan = std::find_if(e->loans.begin(), e->loans.end(),
                                     [&](const Loan& l) { return l.borrower == asker; });
            if (loan != e->loans.end())
                ++loan->uses;
            else
                e->loans.push_back(Loan{asker, 1});
        }
        return e->resource;
    }
    for (int i = 0; i < m_chained->getSize(); ++i) {
        auto* chained = static_cast<CResourcesManager*>(m_chained->at(i));
        if (CFileResolver* found = chained->find(lowerName, asker, visited)) return found;
    }
    return nullptr;
}

bool CResourcesManager::contains(CFileResolver* resource) { return resource && entryOf(resource); }

int CResourcesManager::uses(CFileResolver* resource) const {
    if (!resource) return 0;
    if (Entry* e = entryOf(resource)) return e->uses;
    for (CResourcesManager* m : liveManagers())
        if (Entry* e = m != this ? m->entryOf(resource) : nullptr) return e->uses;
    return 0;
}

bool CResourcesManager::remove(CFileResolver* resource) {
    if (!resource) return false;
    if (Entry* e = entryOf(resource)) {
        // The uses that remain belong to other caches' users.
        if (e->uses - e->lent() <= 0) return false;
        if (--e->uses > 0) return false;
        destroy(e);
        return true;
    }
    // Borrowed through the chain: the use goes back to the lender.
    std::vector<CResourcesManager*> live(liveManagers());
    for (CResourcesManager* m : live) {
        if (m == this) continue;
        Entry* e = m->entryOf(resource);
        if (!e) continue;
        auto loan =
            std::find_if(e->loans.begin(), e->loans.end(), [&](const Loan& l) { return l.borrower == this; });
        if (loan == e->loans.end()) continue;
        if (--loan->uses == 0) e->loans.erase(loan);
        if (--e->uses > 0) return false;
        m->destroy(e);
        return true;
    }
    return false;
}

void CResourcesManager::destroy(Entry* entry) {
    m_entries->remove(entry);
    CFileResolver* resource = entry->resource;
    delete entry;
    if (auto* playable = dynamic_cast<CPlayable*>(resource)) playable->hide();
    if (auto* graphics = dynamic_cast<CGraphicsObject*>(resource))
        if (m_window)
            if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) *screen >> graphics;
    delete resource;
}

void CResourcesManager::add(CResourcesManager* chained) {
    if (!chained || chained == this || m_chained->contains(chained)) return;
    m_chained->add(chained);
}

void CResourcesManager::remove(CResourcesManager* chained) {
    while (chained && m_chained->contains(chained)) m_chained->remove(chained);
}

void CResourcesManager::flush() {
    m_chained->removeAll();
    std::vector<Entry*> entries;
    for (int i = 0; i < m_entries->getSize(); ++i) entries.push_back(entryAt(i));
    m_entries->removeAll();
    for (Entry* e : entries) {
        if (!e->loans.empty()) {
            Loan first = e->loans.front();
            first.borrower->adoptFrom(e, first);
            delete e;
            continue;
        }
        CFileResolver* resource = e->resource;
        delete e;
        delete resource;
    }
}

void CResourcesManager::adoptFrom(Entry* entry, Loan loan) {
    int uses = entry->lent();
    std::vector<Loan> others;
    for (const Loan& l : entry->loans)
        if (l.borrower != loan.borrower) others.push_back(l);
    if (Entry* own = entryOf(entry->resource)) {
        own->uses += uses;
        own->loans.insert(own->loans.end(), others.begin(), others.end());
        return;
    }
    m_entries->add(new Entry{entry->name, entry->resource, uses, others});
}

void CResourcesManager::forgetBorrower(CResourcesManager* borrower) {
    // Searched afresh after each change: destroying a resource may change the entries.
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 0; i < m_entries->getSize() && !changed; ++i) {
            Entry* e = entryAt(i);
            auto loan = std::find_if(e->loans.begin(), e->loans.end(),
                                     [&](const Loan& l) { return l.borrower == borrower; });
            if (loan == e->loans.end()) continue;
            e->uses -= loan->uses;
            e->loans.erase(loan);
            if (e->uses <= 0) destroy(e);
            changed = true;
        }
    }
}

} // namespace KavirelDLL
