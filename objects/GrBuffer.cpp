#include "objects/GrBuffer.h"

#include <cstring>

#include "core/Elements.h"
#include "core/Log.h"
#include "display/DirectDrawSurface.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CXRect grbuffer__entry::getBoundingBox() const {
    return CXRect(x, y, x + (part.right - part.left), y + (part.bottom - part.top));
}

bool grbuffer__entry::isAt(CXPoint p) const { return getBoundingBox().IsInRect(p); }

CMC_GrBuffer::CMC_GrBuffer(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_GRBUFFER) {
    if (element) {
        m_sourceName = element->getPropertyValue("SOURCE");
        m_destinationName = element->getPropertyValue("DESTINY");
    }
    initializeBehaviours(container, element);
}

CMC_GrBuffer::~CMC_GrBuffer() {
    releaseAnchor();
    watch(m_source, nullptr);
    watch(m_destination, nullptr);
}

CXString** CMC_GrBuffer::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_GrBuffer::watch(CGraphicsObject*& field, CGraphicsObject* graphic) {
    if (field == graphic) return;
    CGraphicsObject* old = field;
    CGraphicsObject* other = &field == &m_source ? m_destination : m_source;
    field = graphic;
    // One registration serves both fields when they hold the same graphic.
    if (old && old != other) old->removeInvalidateObserver(this);
    if (graphic && graphic != other) graphic->addInvalidateObserver(this);
}

void CMC_GrBuffer::onDestroy(CGraphicsObject* source) {
    if (source == m_source) m_source = nullptr;
    if (source == m_destination) m_destination = nullptr;
}

void CMC_GrBuffer::init() {
    CMC_ObjectsContainer* container = getContainer();
    CGraphicsObject* source = container ? container->getGraphicsObject(m_sourceName) : nullptr;
    CGraphicsObject* destination = nullptr;
    if (m_destinationName.equals("BACKGROUND")) {
        CRefreshScreen* screen = m_window ? m_window->GetRefreshScreenInterface() : nullptr;
        destination = screen ? screen->getBackgroundIfc() : nullptr;
    } else if (container) {
        destination = container->getGraphicsObject(m_destinationName);
    }
    watch(m_source, source);
    watch(m_destination, destination);
    if (!m_source || !m_destination)
        logMessage("GRBUFFER %s: SOURCE \"%s\" or DESTINY \"%s\" names no graphic; nothing is stamped",
                   m_name.GetBuffer(), m_sourceName.GetBuffer(), m_destinationName.GetBuffer());
    CMC_Object::init();
}

const grbuffer__entry* CMC_GrBuffer::entry(int index) const {
    return index >= 0 && index < kSlots ? m_entries[static_cast<size_t>(index)].get() : nullptr;
}

uint16_t* CMC_GrBuffer::destinationPixels(int* pitch) {
    CGraphicsObject* d = m_destination;
    if (!d || (d->GetBpp() != 15 && d->GetBpp() != 16) || !d->decodePixels()) return nullptr;
    *pitch = d->GetPitch() > 0 ? d->GetPitch() : d->Width();
    return reinterpret_cast<uint16_t*>(d->GetDataPtr());
}

std::vector<uint16_t> CMC_GrBuffer::createBackup(CXPoint point, CXRect part) {
    const int64_t w = int64_t(part.right) - part.left, h = int64_t(part.bottom) - part.top;
    std::vector<uint16_t> backup(static_cast<size_t>(w * h));
    int pitch = 0;
    const uint16_t* pixels = destinationPixels(&pitch);
    if (!pixels) return backup;
    for (int64_t row = 0; row < h; ++row)
        std::memcpy(backup.data() + row * w, pixels + (point.y + row) * int64_t(pitch) + point.x,
                    static_cast<size_t>(w) * 2);
    return backup;
}

int CMC_GrBuffer::create(CXPoint point, CXRect part) {
    if (!m_source || !m_destination) return -1;
    if (part.left == part.right || part.top == part.bottom)
        part = CXRect(0, 0, m_source->Width(), m_source->Height());
    if (part.left > part.right || part.top > part.bottom) {
        logMessage("GRBUFFER %s: CREATE with a reversed part (%d, %d, %d, %d) refused", m_name.GetBuffer(),
                   part.left, part.top, part.right, part.bottom);
        return -1;
    }
    const int64_t w = int64_t(part.right) - part.left, h = int64_t(part.bottom) - part.top;
    // Strictly inside, as games expect: a stamp ending at the right or bottom edge is refused.
    if (point.x < 0 || point.y < 0 || point.x + w >= m_destination->Width() ||
        point.y + h >= m_destination->Height())
        return -1;
    int pitch = 0;
    if (!destinationPixels(&pitch)) {
        logMessage("GRBUFFER %s: DESTINY has no 16-bit pixels; nothing is stamped", m_name.GetBuffer());
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (m_entries[static_cast<size_t>(i)]) continue;
        auto e = std::make_unique<grbuffer__entry>();
        e->x = point.x;
        e->y = point.y;
        e->part = part;
        e->backup = createBackup(point, part);
        m_entries[static_cast<size_t>(i)] = std::move(e);
        return i;
    }
    return -1;
}

void CMC_GrBuffer::invalidate(const grbuffer__entry& e) {
    if (!m_window || !m_destination) return;
    CXPoint at = m_destination->getPosition();
    CXRect rect(at.x + e.x, at.y + e.y, at.x + e.x + (e.part.right - e.part.left),
                at.y + e.y + (e.part.bottom - e.part.top));
    m_window->Invalidate(&rect);
}

void CMC_GrBuffer::draw(int index, bool invalidate) {
    grbuffer__entry* e = index >= 0 && index < kSlots ? m_entries[static_cast<size_t>(index)].get() : nullptr;
    if (!e || !m_source || !m_destination) return;
    if (m_source == m_destination) {
        // A graphic stamped onto itself is drawn from a copy of the part.
        CGraphicsObject part(m_window);
        part.Copy(m_source, e->part);
        part.SetClippingRect(CXRect());
        part.setPosition(e->x, e->y);
        part.redraw(m_destination);
    } else {
        CXPoint position = m_source->getPosition();
        CXRect clip = m_source->GetClippingRect();
        // setPosition takes the anchor off; it is added back so the part's corner lands at (x, y) and the
        // source ends where it was.
        const CXPoint anchor = m_source->getAnchor();
        m_source->SetClippingRect(e->part);
        m_source->setPosition(e->x - e->part.left + anchor.x, e->y - e->part.top + anchor.y);
        m_source->redraw(m_destination);
        m_source->setPosition(position.x + anchor.x, position.y + anchor.y);
        m_source->SetClippingRect(clip);
    }
    if (invalidate) this->invalidate(*e);
}

void CMC_GrBuffer::undo(int index, bool invalidate) {
    grbuffer__entry* e = index >= 0 && index < kSlots ? m_entries[static_cast<size_t>(index)].get() : nullptr;
    if (!e || !m_destination) return;
    const int64_t w = int64_t(e->part.right) - e->part.left, h = int64_t(e->part.bottom) - e->part.top;
    int pitch = 0;
    uint16_t* pixels = destinationPixels(&pitch);
    if (!pixels) {
        logMessage("GRBUFFER %s: UNDO of stamp %d: the destination has no 16-bit pixels; nothing restored",
                   m_name.GetBuffer(), index);
        return;
    }
    if (e->x + w > m_destination->Width() || e->y + h > m_destination->Height() ||
        static_cast<int64_t>(e->backup.size()) < w * h) {
        logMessage("GRBUFFER %s: UNDO of stamp %d no longer fits its destination; nothing restored",
                   m_name.GetBuffer(), index);
        return;
    }
    for (int64_t row = 0; row < h; ++row)
        std::memcpy(pixels + (e->y + row) * int64_t(pitch) + e->x, e->backup.data() + row * w,
                    static_cast<size_t>(w) * 2);
    if (invalidate) this->invalidate(*e);
}

void CMC_GrBuffer::flush(int index, bool undo, bool invalidate) {
    if (index == -1) {
        for (int i = kSlots - 1; i >= 0; --i) {
            if (!m_entries[static_cast<size_t>(i)]) continue;
            if (undo) this->undo(i, false);
            m_entries[static_cast<size_t>(i)].reset();
        }
        if (invalidate && m_window) m_window->Invalidate();
        return;
    }
    if (index < 0 || index >= kSlots || !m_entries[static_cast<size_t>(index)]) return;
    if (undo) this->undo(index, invalidate);
    m_entries[static_cast<size_t>(index)].reset();
}

int CMC_GrBuffer::findAt(CXPoint point) {
    for (int i = kSlots - 1; i >= 0; --i)
        if (m_entries[static_cast<size_t>(i)] && m_entries[static_cast<size_t>(i)]->isAt(point)) return i;
    return -1;
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMC_GrBuffer* self(Call& c) { return c.self<CMC_GrBuffer>(); }

} // namespace

void CMC_GrBuffer_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("CREATE", 1, [](Call& c) -> CMC_Variable* {
        int n = c.count();
        int x = c.integer(0), y = c.integer(1);
        CXRect part(0, 0, 0, 0);
        if (n > 2)
            part = CXRect(c.integer(2), n > 3 ? c.integer(3) : 0, n > 4 ? c.integer(4) : 0,
                          n > 5 ? c.integer(5) : 0);
        if (c.gone()) return nullptr;
        return integerResult(self(c)->create(CXPoint(x, y), part));
    });
    addMethod("DRAW", 2, [](Call& c) -> CMC_Variable* {
        int index = c.integer(0);
        bool invalidate = c.boolean(1);
        if (!c.gone()) self(c)->draw(index, invalidate);
        return nullptr;
    });
    addMethod("UNDO", 3, [](Call& c) -> CMC_Variable* {
        int index = c.integer(0);
        bool invalidate = c.boolean(1);
        if (!c.gone()) self(c)->undo(index, invalidate);
        return nullptr;
    });
    addMethod("FLUSH", 4, [](Call& c) -> CMC_Variable* {
        int index = c.integer(0);
        bool undo = c.boolean(1), invalidate = c.boolean(2);
        if (!c.gone()) self(c)->flush(index, undo, invalidate);
        return nullptr;
    });
    addMethod("FLUSHALL", 5, [](Call& c) -> CMC_Variable* {
        bool undo = c.boolean(0), invalidate = c.boolean(1);
        if (!c.gone()) self(c)->flush(-1, undo, invalidate);
        return nullptr;
    });
    addMethod("FINDAT", 6, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        if (c.gone()) return nullptr;
        return integerResult(self(c)->findAt(CXPoint(x, y)));
    });
}

} // namespace KavirelDLL
