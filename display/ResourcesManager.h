#pragma once
#include <cstdint>
#include <vector>

#include "core/FileResolver.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;
class CXArray;
class CXVector;

// The shared cache of loaded images, animations and sounds: one per application and one per scene unit.
// A resource is found by its file name without regard to case, counted once for each user, and destroyed
// when its last user lets it go. A cache that lacks a name asks the caches chained to it.
//
// Uses that one cache lends to another through the chain are remembered: the borrower's remove gives them
// back to the lender, and a lender that is flushed while such uses are out hands the resource over to the
// borrower instead of destroying it. Flushing a cache never flushes the caches chained to it.
class CResourcesManager : public CXObject {
public:
    explicit CResourcesManager(CWindow* window);
    ~CResourcesManager() override;
    // A copy would free the same resources twice.
    CResourcesManager(const CResourcesManager&) = delete;
    CResourcesManager& operator=(const CResourcesManager&) = delete;

    // Takes the resource, named by its file name, with one use. A resource already held gains a use.
    void add(CFileResolver* resource);
    void insertAt(CFileResolver* resource, int index);
    // One more use of the resource of that name, here or in a chained cache; null when none has it.
    CFileResolver* get(CXString name);
    // Own entries only.
    bool contains(CFileResolver* resource);
    // One use less; true when that was the last use and the resource was destroyed.
    bool remove(CFileResolver* resource);
    // The uses the resource has in all, here or in the cache that lent it; 0 when no cache holds it.
    int uses(CFileResolver* resource) const;
    void add(CResourcesManager* chained);
    void remove(CResourcesManager* chained);
    // Forgets the chained caches and destroys every own resource, except those lent to another cache.
    void flush();

    CWindow* getWindow() const { return m_window; }
    // Own entries.
    int getSize() const;

private:
    struct Loan {
        CResourcesManager* borrower;
        int32_t uses;
    };
    struct Entry {
        CXString name;
        CFileResolver* resource;
        int32_t uses;
        std::vector<Loan> loans;
        int lent() const;
    };

    Entry* entryOf(CFileResolver* resource) const;
    Entry* entryAt(int index) const;
    void insertEntry(CFileResolver* resource, int index);
    CFileResolver* find(const CXString& lowerName, CResourcesManager* asker,
                        std::vector<CResourcesManager*>& visited);
    // Drops the entry and destroys its resource as remove does.
    void destroy(Entry* entry);
    // Takes over an entry another cache lent to this one (the borrower's own uses become its own).
    void adoptFrom(Entry* entry, Loan loan);
    // A borrower goes away: its borrowed uses are given back.
    void forgetBorrower(CResourcesManager* borrower);

    CXArray* m_entries;
    CXVector* m_chained;
    CWindow* m_window;
};

} // namespace KavirelDLL
