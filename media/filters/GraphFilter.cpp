#include "media/filters/GraphFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/Window.h"
#include "script/ObjectsContainer.h"
#include "script/Path.h"
#include "script/TypeIds.h"
#include "script/Vector.h"

namespace KavirelDLL {

// ---------------------------------------------------------------- settings

void CGraphFilterSettingsIfc::setProperty(const CXString& key, const CXString& value) {
    if (key == "ONEATTIME") m_oneAtTime = CXString::toBool(value);
}

void CGraphFilterSettings_Fade::setProperty(const CXString& key, const CXString& value) {
    if (key == "SPEED")
        m_speed = CXString::toDouble(value);
    else if (key == "START")
        m_start = CXString::toDouble(value);
    else if (key == "END")
        m_end = CXString::toDouble(value);
    else
        CGraphFilterSettingsIfc::setProperty(key, value);
}

void CGraphFilterSettings_Path::setProperty(const CXString& key, const CXString& value) {
    if (key == "SPEED")
        m_speed = CXString::toNumber(value);
    else if (key == "PATHDEF")
        m_pathDef = value;
    else if (key == "LOOPED")
        m_looped = CXString::toBool(value);
    else
        CGraphFilterSettingsIfc::setProperty(key, value);
}

void CGraphFilterSettings_Water::setProperty(const CXString& key, const CXString& value) {
    if (key == "FACTOR")
        m_factor = CXString::toDouble(value);
    else
        CGraphFilterSettingsIfc::setProperty(key, value);
}

void CGraphFilterSettings_Waving::setProperty(const CXString& key, const CXString& value) {
    if (key == "AMPLITUDE")
        m_amplitude = CXString::toNumber(value);
    else if (key == "DENSITY")
        m_density = CXString::toDouble(value);
    else
        CGraphFilterSettingsIfc::setProperty(key, value);
}

// ---------------------------------------------------------------- records

CGraphFilterObjectsIfc::CGraphFilterObjectsIfc(CGraphicsObject* graphic,
                                               CGraphFilterEnvironmentIfc* environment, CMC_Object* linker)
    : m_graphic(graphic), m_environment(environment), m_linker(linker),
      m_linkerName(linker ? linker->getName() : CXString("")), m_linkerType(linker ? linker->getType() : 0) {}

CXString CGraphFilterObjectsIfc::getScriptObjectName() const {
    CMC_Object* linker = m_linker.current();
    return linker ? linker->getName() : m_linkerName;
}

void CGraphDynamicFilterObjectsIfc::setRunning(CGraphFilterSettingsIfc*, bool running) {
    m_running = running;
}

void CGraphFilterObjects_Fade::setRunning(CGraphFilterSettingsIfc* settings, bool running) {
    CGraphDynamicFilterObjectsIfc::setRunning(settings, running);
    auto* fade = dynamic_cast<CGraphFilterSettings_Fade*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Fade*>(getEnvironment());
    if (!running || !fade || !env) return;
    env->m_current = fade->m_start;
    getGraphic()->SetOpacity(static_cast<uint8_t>(static_cast<int64_t>(fade->m_start) & 0xFF));
}

void CGraphFilterObjects_Path::setRunning(CGraphFilterSettingsIfc* settings, bool running) {
    CGraphDynamicFilterObjectsIfc::setRunning(settings, running);
    auto* env = static_cast<CGraphFilterEnvironment_Path*>(getEnvironment());
    if (!running || !env) return;
    CXPoint p = getGraphic()->getPosition();
    env->m_startX = p.x;
    env->m_startY = p.y;
}

CGraphFilterEnvironment_Water::CGraphFilterEnvironment_Water(CGraphicsObject* graphic, double factor) {
    prepare(graphic, factor);
}

void CGraphFilterEnvironment_Water::prepare(CGraphicsObject* graphic, double factor) {
    // A run-length graphic is unpacked for good first; its pixels are then the copy.
    if (graphic->GetCompression() != COMPRESSION_NONE) graphic->decodePixels();
    const int w = graphic->Width(), h = graphic->Height();
    if (w == m_width && h == m_height && factor == m_factor) return;
    const bool sized = w != m_width || h != m_height;
    m_width = w;
    m_height = h;
    m_factor = factor;
    const size_t n = w > 0 && h > 0 ? size_t(w) * size_t(h) : 0;
    m_sin.assign(n, 0.0f);
    m_cos.assign(n, 0.0f);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int a = h / 2 - j, b = w / 2 - i;
            const float d = std::sqrt(float(a * a + b * b));
            m_sin[size_t(j) * w + i] = std::sin(d);
            m_cos[size_t(j) * w + i] = std::cos(d);
        }
    if (!sized) return;
    m_copy.assign(n, 0);
    const char* data = graphic->GetDataPtr();
    if (data && graphic->GetCompression() == COMPRESSION_NONE && graphic->GetPixelSize() == 2)
        std::memcpy(m_copy.data(), data, n * 2);
}

// ---------------------------------------------------------------- framework

CGraphFilterIfc::CGraphFilterIfc(CWindow* window, CGraphFilterSettingsIfc* settings)
    : m_window(window), m_settings(settings) {}

CGraphFilterIfc::~CGraphFilterIfc() {
    *m_alive = false;
    // The kinds' own detaching ran in their destructors; what is left only leaves.
    for (CGraphFilterObjectsIfc* record : m_entries) {
        record->getGraphic()->removeInvalidateObserver(this);
        delete record;
    }
    m_entries.clear();
    for (CGraphFilterObjectsIfc* record : m_deleted) delete record;
}

int CGraphFilterIfc::getBpp(CGraphicsObject* graphic) const {
    const int display = m_window ? m_window->GetBpp() : 0;
    if (display == 15 || display == 16) return display;
    return graphic && graphic->GetBpp() == 15 ? 15 : 16;
}

CGraphFilterObjectsIfc* CGraphFilterIfc::getEntry(int index) const {
    return index >= 0 && index < getCount() ? m_entries[size_t(index)] : nullptr;
}

void CGraphFilterIfc::removeAllObjects() {
    std::vector<CGraphFilterObjectsIfc*> copy = m_entries;
    for (CGraphFilterObjectsIfc* record : copy)
        if (std::find(m_entries.begin(), m_entries.end(), record) != m_entries.end()) removeEntry(record);
}

void CGraphFilterIfc::link(CGraphicsObject* graphic, CMC_Object* scriptObject) {
    if (!graphic) return;
    CGraphFilterObjectsIfc* found = findEntry(graphic);
    if (m_settings && m_settings->m_oneAtTime) {
        std::vector<CGraphFilterObjectsIfc*> copy = m_entries;
        for (CGraphFilterObjectsIfc* record : copy)
            if (record != found && std::find(m_entries.begin(), m_entries.end(), record) != m_entries.end())
                removeEntry(record);
    }
    if (!found) addEntry(getOrCreateEntry(graphic, scriptObject));
}

void CGraphFilterIfc::addEntry(CGraphFilterObjectsIfc* record) {
    if (!record) return;
    m_entries.push_back(record);
    record->getGraphic()->addInvalidateObserver(this);
}

void CGraphFilterIfc::unlink(CGraphicsObject* graphic) { removeEntry(findEntry(graphic)); }

void CGraphFilterIfc::removeEntry(CGraphFilterObjectsIfc* record) {
    if (!record) return;
    record->getGraphic()->removeInvalidateObserver(this);
    dropRecord(record);
}

void CGraphFilterIfc::dropRecord(CGraphFilterObjectsIfc* record) {
    auto at = std::find(m_entries.begin(), m_entries.end(), record);
    if (at == m_entries.end()) return;
    m_entries.erase(at);
    deleteRecord(record);
}

void CGraphFilterIfc::deleteRecord(CGraphFilterObjectsIfc* record) {
    if (m_walking > 0)
        m_deleted.push_back(record);
    else
        delete record;
}

void CGraphFilterIfc::flushDeleted() {
    if (m_walking > 0) return;
    std::vector<CGraphFilterObjectsIfc*> deleted;
    deleted.swap(m_deleted);
    for (CGraphFilterObjectsIfc* record : deleted) delete record;
}

CGraphFilterObjectsIfc* CGraphFilterIfc::getOrCreateEntry(CGraphicsObject* graphic,
                                                          CMC_Object* scriptObject) {
    CGraphFilterObjectsIfc* record = findEntry(graphic);
    return record ? record : createEntry(graphic, scriptObject);
}

CGraphFilterObjectsIfc* CGraphFilterIfc::findEntry(CGraphicsObject* graphic) {
    for (CGraphFilterObjectsIfc* record : m_entries)
        if (record->getGraphic() == graphic) return record;
    return nullptr;
}

void CGraphFilterIfc::setProperty(const CXString& key, const CXString& value) {
    if (m_settings) m_settings->setProperty(key, value);
}

void CGraphFilterIfc::onDestroy(CGraphicsObject* graphic) {
    // The graphic is going: its records leave without touching it.
    for (;;) {
        CGraphFilterObjectsIfc* record = findEntry(graphic);
        if (!record) break;
        dropRecord(record);
    }
}

// ---------------------------------------------------------------- dynamic filters

CGraphDynamicFilterIfc::CGraphDynamicFilterIfc(CWindow* window, CGraphFilterSettingsIfc* settings)
    : CGraphFilterIfc(window, settings) {
    CXTimer* timers = window ? window->GetTimerInterface() : nullptr;
    if (timers) {
        m_timerId = CXTimer::newObjectId();
        timers->add(m_timerId, 1, static_cast<CTimerNotificator*>(this));
    }
}

CGraphDynamicFilterIfc::~CGraphDynamicFilterIfc() {
    CXTimer* timers = m_window ? m_window->GetTimerInterface() : nullptr;
    if (timers && m_timerId) timers->remove(m_timerId);
    m_notifiers.clear();
}

void CGraphDynamicFilterIfc::addNotifier(CGraphFilterNotifierIfc* notifier) {
    if (notifier) m_notifiers.push_back(notifier);
}

void CGraphDynamicFilterIfc::removeNotifier(CGraphFilterNotifierIfc* notifier) {
    m_notifiers.erase(std::remove(m_notifiers.begin(), m_notifiers.end(), notifier), m_notifiers.end());
}

bool CGraphDynamicFilterIfc::isRunning(CGraphicsObject* graphic) {
    auto* record = dynamic_cast<CGraphDynamicFilterObjectsIfc*>(findEntry(graphic));
    return record && record->isRunning();
}

void CGraphDynamicFilterIfc::startEntry(CGraphFilterObjectsIfc* record) {
    if (record) start(record->getGraphic());
}

void CGraphDynamicFilterIfc::stopEntry(CGraphFilterObjectsIfc* record) {
    if (record) stop(record->getGraphic());
}

void CGraphDynamicFilterIfc::start(CGraphicsObject* graphic) {
    auto* record = dynamic_cast<CGraphDynamicFilterObjectsIfc*>(findEntry(graphic));
    if (!record || record->isRunning()) return;
    std::shared_ptr<bool> alive = m_alive;
    ++m_walking;
    std::vector<CGraphFilterNotifierIfc*> notifiers = m_notifiers;
    for (CGraphFilterNotifierIfc* n : notifiers) {
        n->onFilterStarted(record, this);
        if (!*alive) return;
    }
    --m_walking;
    // A handler may have unlinked the graphic meanwhile.
    if (std::find(m_entries.begin(), m_entries.end(), record) != m_entries.end())
        record->setRunning(m_settings.get(), true);
    flushDeleted();
}

void CGraphDynamicFilterIfc::stop(CGraphicsObject* graphic) {
    auto* record = dynamic_cast<CGraphDynamicFilterObjectsIfc*>(findEntry(graphic));
    if (!record || !record->isRunning()) return;
    record->setRunning(m_settings.get(), false);
    std::shared_ptr<bool> alive = m_alive;
    ++m_walking;
    std::vector<CGraphFilterNotifierIfc*> notifiers = m_notifiers;
    for (CGraphFilterNotifierIfc* n : notifiers) {
        n->onFilterFinished(record, this);
        if (!*alive) return;
    }
    --m_walking;
    flushDeleted();
}

void CGraphDynamicFilterIfc::onTimer(int) {
    std::shared_ptr<bool> alive = m_alive;
    ++m_walking;
    // Handlers may link, unlink, stop or delete: the pass walks a copy and skips records that left.
    std::vector<CGraphFilterObjectsIfc*> copy = m_entries;
    for (CGraphFilterObjectsIfc* entry : copy) {
        if (std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end()) continue;
        auto* record = static_cast<CGraphDynamicFilterObjectsIfc*>(entry);
        if (!record->isRunning()) continue;
        record->getEnvironment()->tick();
        if (step(record, m_settings.get())) {
            stopEntry(record);
        } else {
            std::vector<CGraphFilterNotifierIfc*> notifiers = m_notifiers;
            for (CGraphFilterNotifierIfc* n : notifiers) {
                if (std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end()) break;
                n->onFilterTick(record, this);
                if (!*alive) return;
            }
        }
        if (!*alive) return;
    }
    --m_walking;
    flushDeleted();
}

// ---------------------------------------------------------------- fades

CGraphFilter_FadeIn::CGraphFilter_FadeIn(CWindow* window)
    : CGraphDynamicFilterIfc(window, new CGraphFilterSettings_FadeIn()) {}

CGraphFilter_FadeIn::CGraphFilter_FadeIn(CWindow* window, CGraphFilterSettingsIfc* settings)
    : CGraphDynamicFilterIfc(window, settings) {}

CGraphFilter_FadeOut::CGraphFilter_FadeOut(CWindow* window)
    : CGraphFilter_FadeIn(window, new CGraphFilterSettings_FadeOut()) {}

CGraphFilter_FadeInOut::CGraphFilter_FadeInOut(CWindow* window)
    : CGraphFilter_FadeIn(window, new CGraphFilterSettings_FadeIn()) {}

CGraphFilterObjectsIfc* CGraphFilter_FadeIn::createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) {
    return new CGraphFilterObjects_Fade(graphic, new CGraphFilterEnvironment_Fade(), scriptObject);
}

void CGraphFilter_FadeIn::apply(CGraphFilterObjectsIfc* record, double value) {
    auto* env = static_cast<CGraphFilterEnvironment_Fade*>(record->getEnvironment());
    if (value != std::trunc(env->m_current)) {
        record->getGraphic()->SetOpacity(static_cast<uint8_t>(static_cast<int64_t>(value) & 0xFF));
        record->getGraphic()->Invalidate();
    }
    env->m_current = value;
}

bool CGraphFilter_FadeIn::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Fade*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Fade*>(record->getEnvironment());
    const double next = env->m_current + s->m_speed;
    apply(record, std::min(s->m_end, next));
    return s->m_end <= next;
}

bool CGraphFilter_FadeOut::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Fade*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Fade*>(record->getEnvironment());
    const double next = env->m_current - s->m_speed;
    apply(record, std::max(s->m_end, next));
    return next <= s->m_end;
}

bool CGraphFilter_FadeInOut::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Fade*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Fade*>(record->getEnvironment());
    double v;
    if (env->m_direction == 1) {
        v = env->m_current + s->m_speed;
        if (s->m_end <= v) {
            v = s->m_end;
            env->m_direction = 0;
        }
    } else {
        v = env->m_current - s->m_speed;
        if (s->m_start >= v) {
            v = s->m_start;
            env->m_direction = 1;
        }
    }
    apply(record, v);
    return false;
}

// ---------------------------------------------------------------- path

CGraphFilter_Path::CGraphFilter_Path(CWindow* window, CMC_ObjectsContainer* container)
    : CGraphDynamicFilterIfc(window, new CGraphFilterSettings_Path()), m_container(container) {}

CGraphFilterObjectsIfc* CGraphFilter_Path::createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) {
    return new CGraphFilterObjects_Path(graphic, new CGraphFilterEnvironment_Path(), scriptObject);
}

bool CGraphFilter_Path::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Path*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Path*>(record->getEnvironment());
    CGraphicsObject* graphic = record->getGraphic();
    // A SPEED below 1 acts as 1.
    const int speed = std::max(1, s->m_speed);
    if (env->getTicks() % speed != 0) return false;
    auto* container = static_cast<CMC_ObjectsContainer*>(m_container.get());
    CMC_Object* found = container && s->m_pathDef.IsString() ? container->getObject(s->m_pathDef) : nullptr;
    auto* path = found && found->getType() == TYPE_PATH ? static_cast<CMC_Path*>(found) : nullptr;
    // No path, or an empty one: finished where it stands.
    if (!path || path->getSize() <= 0) return true;
    const int count = path->getSize();
    // An index past a shortened path is its end.
    if (env->m_index >= count) env->m_index = count - 1;
    if (env->m_index < 0) env->m_index = 0;
    const bool last = env->m_index == count - 1;
    auto nextSegment = [&]() {
        CXPoint p = graphic->getPosition();
        env->m_startX = p.x;
        env->m_startY = p.y;
        env->m_dx = env->m_dy = 0.0;
        if (!last) {
            ++env->m_index;
            return false;
        }
        if (s->m_looped) {
            env->m_index = 0;
            return false;
        }
        return true;
    };
    CMC_Object* node = path->getNode(env->m_index);
    auto* segment = node && node->getType() == TYPE_VECTOR ? static_cast<CMC_Vector*>(node) : nullptr;
    const double vx = segment ? segment->get(0) : 0.0, vy = segment ? segment->get(1) : 0.0;
    const double length = segment ? segment->length() : 0.0;
    const double density = path->getDensity() > 0.0 ? path->getDensity() : 1.0;
    const double steps = length / density;
    // A node that is no VECTOR, or a segment of no length, passes without moving.
    if (!segment || !(steps > 0.0) || !std::isfinite(steps)) {
        if (!last) {
            ++env->m_index;
            env->m_dx = env->m_dy = 0.0;
            return false;
        }
        if (s->m_looped) {
            env->m_index = 0;
            env->m_dx = env->m_dy = 0.0;
            return false;
        }
        return true;
    }
    env->m_dx += vx / steps;
    env->m_dy += vy / steps;
    const int ix = static_cast<int>(env->m_dx), iy = static_cast<int>(env->m_dy);
    CXPoint at = graphic->getPosition();
    if (ix == at.x - env->m_startX && iy == at.y - env->m_startY) return false;
    graphic->Invalidate();
    graphic->setPosition(env->m_startX + ix, env->m_startY + iy);
    graphic->Invalidate();
    if (std::abs(ix) < std::abs(static_cast<int>(vx)) || std::abs(iy) < std::abs(static_cast<int>(vy)))
        return false;
    return nextSegment();
}

// ---------------------------------------------------------------- water

CGraphFilter_Water::CGraphFilter_Water(CWindow* window)
    : CGraphDynamicFilterIfc(window, new CGraphFilterSettings_Water()) {
    for (int i = 0; i <= 50; ++i) {
        m_sin[i] = std::sin(float(i));
        m_cos[i] = std::cos(float(i));
    }
}

CGraphFilterObjectsIfc* CGraphFilter_Water::createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) {
    auto* s = static_cast<CGraphFilterSettings_Water*>(getSettings());
    return new CGraphDynamicFilterObjectsIfc(graphic, new CGraphFilterEnvironment_Water(graphic, s->m_factor),
                                             scriptObject);
}

bool CGraphFilter_Water::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Water*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Water*>(record->getEnvironment());
    CGraphicsObject* graphic = record->getGraphic();
    env->prepare(graphic, s->m_factor);
    if (graphic->GetPixelSize() != 2 || graphic->GetCompression() != COMPRESSION_NONE) return false;
    auto* pixels = reinterpret_cast<uint16_t*>(graphic->GetDataPtr());
    const int w = env->m_width, h = env->m_height;
    if (!pixels || w <= 0 || h <= 0) return false;
    CSharedBlock alphaBlock = graphic->alphaBlock();
    const auto* alpha = reinterpret_cast<const uint8_t*>(alphaBlock.get());
    const int t = env->getTicks() % 51;
    const float st = m_sin[t < 0 ? t + 51 : t], ct = m_cos[t < 0 ? t + 51 : t];
    const double factor = s->m_factor;
    const uint16_t* copy = env->m_copy.data();
    for (int r = 0; r < h; ++r) {
        const size_t row = size_t(r) * size_t(w);
        for (int c = 0; c < w; ++c) {
            const size_t i = row + size_t(c);
            if (alpha && alpha[i] == 0) continue;
            const double wave = factor * double(st * env->m_cos[i] + ct * env->m_sin[i]);
            const int o = std::isfinite(wave) ? static_cast<int>(std::clamp(wave, -1e9, 1e9)) : 0;
            const int sc = std::clamp(c + o, 0, w - 1), sr = std::clamp(r + o, 0, h - 1);
            pixels[i] = copy[size_t(sr) * size_t(w) + size_t(sc)];
        }
    }
    graphic->Invalidate();
    return false;
}

// ---------------------------------------------------------------- waving

CGraphFilter_Waving::CGraphFilter_Waving(CWindow* window)
    : CGraphDynamicFilterIfc(window, new CGraphFilterSettings_Waving()) {}

CGraphFilterObjectsIfc* CGraphFilter_Waving::createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) {
    return new CGraphFilterObjects_Waving(graphic, new CGraphFilterEnvironment_Waving(), scriptObject);
}

bool CGraphFilter_Waving::step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) {
    auto* s = static_cast<CGraphFilterSettings_Waving*>(settings);
    auto* env = static_cast<CGraphFilterEnvironment_Waving*>(record->getEnvironment());
    CGraphicsObject* graphic = record->getGraphic();
    if (env->m_phase % 10 == 0) {
        // The unaltered picture is taken once and put back before every rebuild, so a waved picture is
        // never waved again; a picture whose size changed is taken anew.
        if (env->m_taken && graphic->Width() == env->m_unaltered.width &&
            graphic->Height() == env->m_unaltered.height)
            graphic->restoreBlocks(env->m_unaltered, false);
        if (graphic->decodePixels()) {
            env->m_unaltered = graphic->saveBlocks();
            env->m_taken = true;
            const int w = graphic->Width(), h = graphic->Height();
            std::vector<CXPoint> points(size_t(w) * size_t(h));
            const int p10 = env->m_phase / 10;
            for (int r = 0; r < h; ++r)
                for (int k = 0; k < w; ++k)
                    points[size_t(r) * size_t(w) + size_t(k)] =
                        CXPoint(0, static_cast<int>(s->m_amplitude * std::sin(p10 + k * s->m_density)));
            graphic->displacementFilter(points.data(), true, true);
            graphic->Invalidate();
        }
    }
    env->m_phase = env->m_phase >= 100 ? 0 : env->m_phase + 1;
    return false;
}

} // namespace KavirelDLL
