#include "media/filters/StaticFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "media/anim/Animo.h"
#include "media/anim/Frame.h"
#include "media/filters/PixelRoutines.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// ---------------------------------------------------------------- settings

void CGraphStaticFilterSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "CANUNDO")
        m_canUndo = CXString::toBool(value);
    else if (key == "CURRENTFRAME")
        m_currentFrame = CXString::toBool(value);
    else
        CGraphFilterSettingsIfc::setProperty(key, value);
}

void CGraphColorChannelFilterSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "CHANNELS")
        m_channels = value;
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

void CGraphRotateSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "ANGLE")
        m_angle = CXString::toDouble(value);
    else if (key == "SMOOTH")
        m_smooth = CXString::toNumber(value);
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

void CGraphBlurSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "SIZE")
        m_size = CXString::toNumber(value);
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

void CGraphScaleSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "FACTORX")
        m_factorX = CXString::toDouble(value);
    else if (key == "FACTORY")
        m_factorY = CXString::toDouble(value);
    else if (key == "BYCENTER")
        m_byCenter = CXString::toBool(value);
    else if (key == "SMOOTH")
        m_smooth = CXString::toNumber(value);
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

void CGraphRandomJitterSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "MAXJITTER")
        m_maxJitter = CXString::toNumber(value);
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

void CGraphWavesSettings::setProperty(const CXString& key, const CXString& value) {
    if (key == "AMPLITUDE")
        m_amplitude = CXString::toNumber(value);
    else if (key == "DENSITY")
        m_density = CXString::toDouble(value);
    else if (key == "OFFSET")
        m_offset = CXString::toNumber(value);
    else
        CGraphStaticFilterSettings::setProperty(key, value);
}

// ---------------------------------------------------------------- framework

CGraphStaticFilterIfc::CGraphStaticFilterIfc(CWindow* window, CGraphStaticFilterSettings* settings)
    : CGraphFilterIfc(window, settings) {}

CGraphStaticFilterIfc::~CGraphStaticFilterIfc() { removeAllObjects(); }

CGraphFilterObjectsIfc* CGraphStaticFilterIfc::createEntry(CGraphicsObject* graphic,
                                                           CMC_Object* scriptObject) {
    return new CGraphFilterObjectsIfc(graphic, new CGraphStaticFilterEnvironment(), scriptObject);
}

uint16_t* CGraphStaticFilterIfc::pixelsOf(CGraphicsObject* graphic) {
    if (!graphic || !graphic->decodePixels() || graphic->GetPixelSize() != 2) return nullptr;
    return reinterpret_cast<uint16_t*>(graphic->GetDataPtr());
}

CSharedBlock CGraphStaticFilterIfc::newPixels(const uint16_t* pixels, size_t count) {
    return CSharedBlock::allocateCopy(reinterpret_cast<const char*>(pixels), count * 2);
}

CSharedBlock CGraphStaticFilterIfc::newAlpha(const uint8_t* alpha, size_t count) {
    return CSharedBlock::allocateCopy(reinterpret_cast<const char*>(alpha), count);
}

void CGraphStaticFilterIfc::saveState(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo) {
    const int i = undo->m_lastFiltered;
    if (!graphic || i < 0 || i >= static_cast<int>(undo->m_saved.size())) return;
    undo->m_saved[size_t(i)] = graphic->saveBlocks();
    undo->m_hasSaved[size_t(i)] = 1;
}

void CGraphStaticFilterIfc::prepareUndo(CGraphFilterObjectsIfc* record) {
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    undo->m_prepared = true;
    undo->m_saved.assign(1, CGraphicsObject::BlockState());
    undo->m_hasSaved.assign(1, 0);
    undo->m_filtered.assign(1, 0);
    undo->m_lastFiltered = 0;
    saveState(record->getGraphic(), undo);
    undo->m_filtered[0] = 1;
}

void CGraphStaticFilterIfc::prepareFramesUndo(CGraphFilterObjectsIfc* record) {
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    const size_t n = undo->m_animo ? size_t(std::max(0, undo->m_animo->GetNOF())) : 0;
    undo->m_prepared = true;
    undo->m_saved.assign(n, CGraphicsObject::BlockState());
    undo->m_hasSaved.assign(n, 0);
    undo->m_filtered.assign(n, 0);
    undo->m_lastFiltered = -1;
}

void CGraphStaticFilterIfc::applyFilter(CGraphicsObject* graphic, bool) {
    if (graphic && graphic->GetCompression() == COMPRESSION_RLE) graphic->decodePixels();
}

void CGraphStaticFilterIfc::applyEntry(CGraphFilterObjectsIfc* record, bool freeOld) {
    applyFilter(record->getGraphic(), freeOld);
}

void CGraphStaticFilterIfc::filterFrame(CAnimo* animo, int index, CGraphStaticFilterEnvironment* undo) {
    CFrame* frame = animo->GetFrame(index);
    if (!frame || index < 0 || index >= static_cast<int>(undo->m_filtered.size())) return;
    undo->m_lastFiltered = index;
    if (undo->m_canUndo) saveState(frame, undo);
    undo->m_filtered[size_t(index)] = 1;
    const CXRect own = frame->GetClippingRect();
    frame->SetClippingRect(animo->GetClippingRect());
    applyFilter(frame, !undo->m_canUndo);
    frame->SetClippingRect(own);
}

void CGraphStaticFilterIfc::applyToFrames(CGraphFilterObjectsIfc* record, bool) {
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    CAnimo* animo = undo->m_animo;
    if (!animo) return;
    if (undo->m_currentFrame) {
        filterFrame(animo, animo->Current(), undo);
    } else {
        for (int i = 0; i < animo->GetNOF(); ++i) filterFrame(animo, i, undo);
    }
    animo->updateWithCurrentFrame();
    animo->Invalidate();
}

void CGraphStaticFilterIfc::addEntry(CGraphFilterObjectsIfc* record) {
    if (!record) return;
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    CGraphStaticFilterSettings* s = staticSettings();
    undo->m_canUndo = s->m_canUndo;
    undo->m_currentFrame = s->m_currentFrame;
    undo->m_geometry = changesGeometry();
    CAnimo* animo =
        record->getScriptObjectType() == TYPE_ANIMO ? dynamic_cast<CAnimo*>(record->getGraphic()) : nullptr;
    if (animo) {
        undo->m_animo = animo;
        // The store always knows which frames are filtered; the pictures are kept only with CANUNDO.
        prepareFramesUndo(record);
        applyToFrames(record, !undo->m_canUndo);
        animo->addNotifier(this);
    } else {
        if (undo->m_canUndo)
            prepareUndo(record);
        else
            undo->m_lastFiltered = 0;
        applyEntry(record, !undo->m_canUndo);
    }
    CGraphFilterIfc::addEntry(record);
}

void CGraphStaticFilterIfc::restoreEntry(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo,
                                         int index) {
    if (!graphic || index < 0 || index >= static_cast<int>(undo->m_saved.size()) ||
        !undo->m_hasSaved[size_t(index)])
        return;
    const CGraphicsObject::BlockState& saved = undo->m_saved[size_t(index)];
    const CXPoint now = graphic->GetPosition();
    graphic->restoreBlocks(saved, false);
    if (undo->m_geometry && (now.x != saved.x || now.y != saved.y))
        graphic->Move(saved.x - now.x, saved.y - now.y);
    undo->m_saved[size_t(index)] = CGraphicsObject::BlockState();
    undo->m_hasSaved[size_t(index)] = 0;
}

void CGraphStaticFilterIfc::undoGraphic(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo, bool) {
    restoreEntry(graphic, undo, undo->m_lastFiltered < 0 ? 0 : undo->m_lastFiltered);
    graphic->Invalidate();
    undo->m_saved.clear();
    undo->m_hasSaved.clear();
    undo->m_prepared = false;
}

void CGraphStaticFilterIfc::undoFrame(CGraphicsObject* frame, CGraphStaticFilterEnvironment* undo) {
    restoreEntry(frame, undo, undo->m_lastFiltered);
}

void CGraphStaticFilterIfc::undoFrames(CGraphFilterObjectsIfc* record, CGraphStaticFilterEnvironment* undo,
                                       bool) {
    CAnimo* animo = undo->m_animo;
    if (!animo) return;
    for (int i = 0; i < static_cast<int>(undo->m_filtered.size()); ++i) {
        if (!undo->m_filtered[size_t(i)]) continue;
        restoreEntry(animo->GetFrame(i), undo, i);
        undo->m_filtered[size_t(i)] = 0;
    }
    undo->m_saved.clear();
    undo->m_hasSaved.clear();
    undo->m_prepared = false;
    animo->updateWithCurrentFrame();
    (void)record;
}

bool CGraphStaticFilterIfc::onPlayableTick(CPlayable* playable) {
    CGraphStaticFilterEnvironment* undo = nullptr;
    for (CGraphFilterObjectsIfc* record : m_entries) {
        auto* env = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
        if (env->m_animo && static_cast<CPlayable*>(env->m_animo) == playable) undo = env;
    }
    if (!undo || !undo->m_currentFrame || !undo->m_canUndo || !undo->m_prepared) return false;
    CAnimo* animo = undo->m_animo;
    const int shown = animo->Current();
    if (shown < 0 || shown >= static_cast<int>(undo->m_filtered.size()) || undo->m_filtered[size_t(shown)])
        return false;
    const int last = undo->m_lastFiltered;
    if (last >= 0 && last < static_cast<int>(undo->m_filtered.size()) && undo->m_filtered[size_t(last)]) {
        undoFrame(animo->GetFrame(last), undo);
        undo->m_filtered[size_t(last)] = 0;
    }
    filterFrame(animo, shown, undo);
    // The animation took the frame's old blocks before it told its observers.
    animo->updateWithCurrentFrame();
    return false;
}

void CGraphStaticFilterIfc::detachObserver(CGraphFilterObjectsIfc* record) {
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    if (undo->m_animo) undo->m_animo->removeNotifier(this);
}

void CGraphStaticFilterIfc::removeEntry(CGraphFilterObjectsIfc* record) {
    if (!record || std::find(m_entries.begin(), m_entries.end(), record) == m_entries.end()) return;
    auto* undo = static_cast<CGraphStaticFilterEnvironment*>(record->getEnvironment());
    CGraphicsObject* graphic = record->getGraphic();
    if (undo->m_animo) {
        undo->m_animo->Invalidate();
        detachObserver(record);
        if (undo->m_canUndo) undoFrames(record, undo, true);
    } else if (undo->m_canUndo && undo->m_prepared) {
        undoGraphic(graphic, undo, true);
    }
    graphic->Invalidate();
    CGraphFilterIfc::removeEntry(record);
}

void CGraphStaticFilterIfc::onDestroy(CGraphicsObject* graphic) {
    // Nothing is put back into a graphic that is going.
    CGraphFilterIfc::onDestroy(graphic);
}

// ---------------------------------------------------------------- kinds

CGraphColorChannelFilter::CGraphColorChannelFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphColorChannelFilterSettings()) {}

void CGraphColorChannelFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    auto* s = static_cast<CGraphColorChannelFilterSettings*>(getSettings());
    const size_t n = size_t(graphic->Width()) * size_t(graphic->Height());
    CSharedBlock out = CSharedBlock::allocate(n * 2);
    if (!out) return;
    FilterPixels::mask(px, reinterpret_cast<uint16_t*>(out.get()), int64_t(n),
                       FilterPixels::channelMask(s->m_channels.GetBuffer(), getBpp(graphic)));
    graphic->installPixels(out, graphic->Width(), graphic->Height());
}

CGraphGrayScaleFilter::CGraphGrayScaleFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphStaticFilterSettings(101)) {}

void CGraphGrayScaleFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    const size_t n = size_t(graphic->Width()) * size_t(graphic->Height());
    CSharedBlock out = CSharedBlock::allocate(n * 2);
    if (!out) return;
    // The engine's grey, written into the new buffer in one pass; 15-bit pictures keep their own fields.
    FilterPixels::grayScale(px, reinterpret_cast<uint16_t*>(out.get()), int64_t(n),
                            graphic->GetBpp() == 15 ? 15 : 16);
    graphic->installPixels(out, graphic->Width(), graphic->Height());
}

CGraphBlurFilter::CGraphBlurFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphBlurSettings()) {}

void CGraphBlurFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    auto* s = static_cast<CGraphBlurSettings*>(getSettings());
    const size_t n = size_t(graphic->Width()) * size_t(graphic->Height());
    CSharedBlock out = CSharedBlock::allocate(n * 2);
    if (!out) return;
    FilterPixels::blur(px, reinterpret_cast<uint16_t*>(out.get()), graphic->Width(), graphic->Height(),
                       s->m_size, getBpp(graphic));
    graphic->installPixels(out, graphic->Width(), graphic->Height());
}

CGraphNegativeFilter::CGraphNegativeFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphStaticFilterSettings(105)) {}

void CGraphNegativeFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    const size_t n = size_t(graphic->Width()) * size_t(graphic->Height());
    CSharedBlock out = CSharedBlock::allocate(n * 2);
    if (!out) return;
    CSharedBlock alpha = graphic->alphaBlock();
    FilterPixels::negative(px, reinterpret_cast<const uint8_t*>(alpha.get()),
                           reinterpret_cast<uint16_t*>(out.get()), graphic->Width(), graphic->Height(),
                           graphic->GetClippingRect(), getBpp(graphic));
    graphic->installPixels(out, graphic->Width(), graphic->Height());
}

CGraphRandomJitterFilter::CGraphRandomJitterFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphRandomJitterSettings()) {}

void CGraphRandomJitterFilter::applyFilter(CGraphicsObject* graphic, bool) {
    if (!pixelsOf(graphic)) return;
    auto* s = static_cast<CGraphRandomJitterSettings*>(getSettings());
    // A MAXJITTER below 1 acts as 1.
    const int m = std::max(1, s->m_maxJitter);
    const size_t n = size_t(graphic->Width()) * size_t(graphic->Height());
    std::vector<CXPoint> points(n);
    for (size_t i = 0; i < n; ++i) {
        const int x = m / 2 - std::rand() % m;
        const int y = m / 2 - std::rand() % m;
        points[i] = CXPoint(x, y);
    }
    graphic->displacementFilter(points.data(), false, true);
}

CGraphWavesFilter::CGraphWavesFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphWavesSettings()) {}

void CGraphWavesFilter::applyFilter(CGraphicsObject* graphic, bool) {
    if (!pixelsOf(graphic)) return;
    auto* s = static_cast<CGraphWavesSettings*>(getSettings());
    const int w = graphic->Width(), h = graphic->Height();
    std::vector<CXPoint> points(size_t(w) * size_t(h));
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            points[size_t(r) * size_t(w) + size_t(c)] =
                CXPoint(s->m_offset, static_cast<int>(s->m_amplitude * std::sin(c * s->m_density)));
    graphic->displacementFilter(points.data(), true, true);
}

CGraphRotateFilter::CGraphRotateFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphRotateSettings()) {}

namespace {

// Installs a picture of a new size (an empty graphic for 0 x 0) with its alpha plane, if any.
void installResized(CGraphicsObject* graphic, const std::vector<uint16_t>& px,
                    const std::vector<uint8_t>& alpha, int w, int h) {
    const size_t n = size_t(w) * size_t(h);
    CSharedBlock pixels =
        n ? CSharedBlock::allocateCopy(reinterpret_cast<const char*>(px.data()), n * 2) : CSharedBlock();
    graphic->installPixels(pixels, w, h);
    graphic->installAlpha(n && !alpha.empty()
                              ? CSharedBlock::allocateCopy(reinterpret_cast<const char*>(alpha.data()), n)
                              : CSharedBlock());
}

} // namespace

void CGraphRotateFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    auto* s = static_cast<CGraphRotateSettings*>(getSettings());
    const int w = graphic->Width(), h = graphic->Height();
    CSharedBlock alpha = graphic->alphaBlock();
    std::vector<uint16_t> outPx;
    std::vector<uint8_t> outAlpha;
    int W = 0, H = 0;
    FilterPixels::rotate(px, reinterpret_cast<const uint8_t*>(alpha.get()), w, h, s->m_angle, s->m_smooth,
                         getBpp(graphic), outPx, outAlpha, W, H);
    installResized(graphic, outPx, outAlpha, W, H);
    graphic->Move(w / 2 - W / 2, h / 2 - H / 2);
}

CGraphScaleFilter::CGraphScaleFilter(CWindow* window)
    : CGraphStaticFilterIfc(window, new CGraphScaleSettings()) {}

void CGraphScaleFilter::applyFilter(CGraphicsObject* graphic, bool) {
    uint16_t* px = pixelsOf(graphic);
    if (!px) return;
    auto* s = static_cast<CGraphScaleSettings*>(getSettings());
    const int w = graphic->Width(), h = graphic->Height();
    const double fw = s->m_factorX * w, fh = s->m_factorY * h;
    int W = 0, H = 0;
    // Factors of 0 or less, and sizes past what a picture may hold, give an empty graphic.
    if (s->m_factorX > 0 && s->m_factorY > 0 && fw >= 1 && fh >= 1 && fw <= 16384 && fh <= 16384 &&
        fw * fh <= double(1 << 26)) {
        W = int(fw);
        H = int(fh);
    }
    CSharedBlock alpha = graphic->alphaBlock();
    const auto* a = reinterpret_cast<const uint8_t*>(alpha.get());
    std::vector<uint16_t> outPx;
    std::vector<uint8_t> outAlpha;
    if (W > 0 && H > 0) {
        if (s->m_smooth <= 0 ||
            !FilterPixels::scaleSmooth(px, a, w, h, s->m_smooth, getBpp(graphic), W, H, outPx, outAlpha))
            FilterPixels::scaleNearest(px, a, w, h, s->m_factorX, s->m_factorY, W, H, outPx, outAlpha);
    }
    installResized(graphic, outPx, outAlpha, W, H);
    if (s->m_byCenter) graphic->Move((w - W) / 2, (h - H) / 2);
}

CGraphStaticFilterIfc* createStaticFilter(const CXString& action, CWindow* window) {
    if (action == "COLORCHANNEL") return new CGraphColorChannelFilter(window);
    if (action == "GRAYSCALE") return new CGraphGrayScaleFilter(window);
    if (action == "ROTATE") return new CGraphRotateFilter(window);
    if (action == "BLUR") return new CGraphBlurFilter(window);
    if (action == "SCALE") return new CGraphScaleFilter(window);
    if (action == "NEGATIVE") return new CGraphNegativeFilter(window);
    if (action == "RANDOMJITTER") return new CGraphRandomJitterFilter(window);
    if (action == "WAVES") return new CGraphWavesFilter(window);
    return nullptr;
}

} // namespace KavirelDLL
