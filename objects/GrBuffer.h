#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Geometry.h"
#include "display/InvalidateObserver.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CGraphicsObject;

// One stamp: where it went, the part of the source stamped, and the destination pixels it covered.
struct grbuffer__entry {
    int32_t x = 0;
    int32_t y = 0;
    CXRect part;
    std::vector<uint16_t> backup;

    CXRect getBoundingBox() const;
    bool isAt(CXPoint p) const;
};

// GRBUFFER: stamps parts of one graphic (SOURCE) onto the pixels of another (DESTINY, or the screen's
// "BACKGROUND") and takes stamps back. Up to 1000 stamps; each keeps the pixels it covered.
class CMC_GrBuffer : public CMC_MediaObject, public CInvalidateObserver {
public:
    static constexpr int kSlots = 1000;

    CMC_GrBuffer(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_GrBuffer() override;

    void init() override;
    CXString** getBehavioursList() override;

    // The stamp's index, or -1: outside the destination, a reversed part, no graphics, or a full table.
    virtual int create(CXPoint point, CXRect part);
    virtual void draw(int index, bool invalidate);
    virtual void undo(int index, bool invalidate);
    // Index -1: every stamp, from the highest slot down.
    virtual void flush(int index, bool undo, bool invalidate);
    virtual int findAt(CXPoint point);
    using CMC_Object::flush;

    // A destroyed source or destination is forgotten.
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    CGraphicsObject* getSource() const { return m_source; }
    CGraphicsObject* getDestination() const { return m_destination; }
    const grbuffer__entry* entry(int index) const;

private:
    void watch(CGraphicsObject*& field, CGraphicsObject* graphic);
    std::vector<uint16_t> createBackup(CXPoint point, CXRect part);
    // The destination's 16-bit pixels and row length, or null.
    uint16_t* destinationPixels(int* pitch);
    void invalidate(const grbuffer__entry& e);

    CXString m_sourceName;
    CXString m_destinationName;
    CGraphicsObject* m_source = nullptr;
    CGraphicsObject* m_destination = nullptr;
    std::array<std::unique_ptr<grbuffer__entry>, kSlots> m_entries;
};

// GRBUFFER methods.
class CMC_GrBuffer_Runner : public CMC_MediaRunner {
public:
    CMC_GrBuffer_Runner() : CMC_MediaRunner(TYPE_GRBUFFER) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
