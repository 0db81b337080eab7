#pragma once
#include <vector>

#include "display/Playable.h"
#include "media/filters/GraphFilter.h"

namespace KavirelDLL {

class CAnimo;

// ---------------------------------------------------------------- settings

class CGraphStaticFilterSettings : public CGraphFilterSettingsIfc {
public:
    explicit CGraphStaticFilterSettings(int32_t kind) : CGraphFilterSettingsIfc(kind) {}
    void setProperty(const CXString& key, const CXString& value) override;
    virtual bool canUndo() const { return m_canUndo; }

    bool m_canUndo = false;
    bool m_currentFrame = true;
};

class CGraphColorChannelFilterSettings : public CGraphStaticFilterSettings {
public:
    CGraphColorChannelFilterSettings() : CGraphStaticFilterSettings(100) {}
    void setProperty(const CXString& key, const CXString& value) override;

    CXString m_channels = "RGB";
};

class CGraphRotateSettings : public CGraphStaticFilterSettings {
public:
    CGraphRotateSettings() : CGraphStaticFilterSettings(102) {}
    void setProperty(const CXString& key, const CXString& value) override;

    double m_angle = 0.0;
    int32_t m_smooth = 0;
};

class CGraphBlurSettings : public CGraphStaticFilterSettings {
public:
    CGraphBlurSettings() : CGraphStaticFilterSettings(103) {}
    void setProperty(const CXString& key, const CXString& value) override;

    int32_t m_size = 3;
};

class CGraphScaleSettings : public CGraphStaticFilterSettings {
public:
    CGraphScaleSettings() : CGraphStaticFilterSettings(104) {}
    void setProperty(const CXString& key, const CXString& value) override;

    double m_factorX = 1.0;
    double m_factorY = 1.0;
    bool m_byCenter = false;
    int32_t m_smooth = 0;
};

class CGraphRandomJitterSettings : public CGraphStaticFilterSettings {
public:
    CGraphRandomJitterSettings() : CGraphStaticFilterSettings(200) {}
    void setProperty(const CXString& key, const CXString& value) override;

    int32_t m_maxJitter = 3;
};

class CGraphWavesSettings : public CGraphStaticFilterSettings {
public:
    CGraphWavesSettings() : CGraphStaticFilterSettings(201) {}
    void setProperty(const CXString& key, const CXString& value) override;

    int32_t m_amplitude = 4;
    double m_density = 1.0;
    int32_t m_offset = 0;
};

// ---------------------------------------------------------------- undo store

// One entry per frame of an animation (one for any other graphic): the picture as it was, whole (packed
// blocks, alpha, size, position), and whether the entry holds filtered pixels now.
class CGraphStaticFilterEnvironment : public CGraphFilterEnvironmentIfc {
public:
    bool m_prepared = false;
    std::vector<CGraphicsObject::BlockState> m_saved;
    std::vector<uint8_t> m_hasSaved;
    std::vector<uint8_t> m_filtered;
    int32_t m_lastFiltered = -1;
    // The animation the record observes (frames are filtered as they are shown).
    CAnimo* m_animo = nullptr;
    bool m_currentFrame = true;
    bool m_canUndo = false;
    // The kind changes size and position (taken at link, as the kind's destructor may have run since).
    bool m_geometry = false;
};

// ---------------------------------------------------------------- filters

// A filter that changes the pixels of a graphic once, when it is linked, and puts them back when it is
// unlinked (with CANUNDO). An animation is filtered whole, or (CURRENTFRAME) one frame at a time as it is
// shown, so that at most one frame holds filtered pixels.
class CGraphStaticFilterIfc : public CGraphFilterIfc, public CPlayableObserver {
public:
    CGraphStaticFilterIfc(CWindow* window, CGraphStaticFilterSettings* settings);
    ~CGraphStaticFilterIfc() override;

    CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) override;
    void addEntry(CGraphFilterObjectsIfc* record) override;
    void removeEntry(CGraphFilterObjectsIfc* record) override;

    // The pixel routine; the base only unpacks a packed graphic.
    virtual void applyFilter(CGraphicsObject* graphic, bool freeOld);
    virtual void applyEntry(CGraphFilterObjectsIfc* record, bool freeOld);
    virtual void applyToFrames(CGraphFilterObjectsIfc* record, bool freeOld);
    virtual void undoGraphic(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo, bool freePresent);
    virtual void undoFrame(CGraphicsObject* frame, CGraphStaticFilterEnvironment* undo);
    virtual void undoFrames(CGraphFilterObjectsIfc* record, CGraphStaticFilterEnvironment* undo,
                            bool freePresent);
    virtual void prepareUndo(CGraphFilterObjectsIfc* record);
    virtual void prepareFramesUndo(CGraphFilterObjectsIfc* record);
    virtual void saveState(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo);
    virtual bool replacesPixels() { return true; }
    virtual bool replacesAlpha() { return false; }
    virtual bool changesGeometry() { return false; }
    virtual bool freesOldAlpha() { return replacesAlpha(); }

    bool onPlayableTick(CPlayable* playable) override;
    void onDestroy(CGraphicsObject* graphic) override;

    CGraphStaticFilterSettings* staticSettings() const {
        return static_cast<CGraphStaticFilterSettings*>(getSettings());
    }

protected:
    // The 16-bit pixels of a graphic that can be filtered (unpacked first); null otherwise.
    static uint16_t* pixelsOf(CGraphicsObject* graphic);
    // A new block holding count pixels.
    static CSharedBlock newPixels(const uint16_t* pixels, size_t count);
    static CSharedBlock newAlpha(const uint8_t* alpha, size_t count);
    // Puts the entry of the environment's last-filtered index back into the graphic.
    void restoreEntry(CGraphicsObject* graphic, CGraphStaticFilterEnvironment* undo, int index);
    void filterFrame(CAnimo* animo, int index, CGraphStaticFilterEnvironment* undo);
    void detachObserver(CGraphFilterObjectsIfc* record);
};

class CGraphColorChannelFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphColorChannelFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
    bool replacesAlpha() override { return true; }
    bool freesOldAlpha() override { return false; }
};

class CGraphGrayScaleFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphGrayScaleFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
};

class CGraphRotateFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphRotateFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
    bool replacesAlpha() override { return true; }
    bool changesGeometry() override { return true; }
};

class CGraphBlurFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphBlurFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
};

class CGraphScaleFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphScaleFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
    bool replacesAlpha() override { return true; }
    bool changesGeometry() override { return true; }
};

class CGraphNegativeFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphNegativeFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
};

class CGraphRandomJitterFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphRandomJitterFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
};

class CGraphWavesFilter : public CGraphStaticFilterIfc {
public:
    explicit CGraphWavesFilter(CWindow* window);
    void applyFilter(CGraphicsObject* graphic, bool freeOld) override;
    bool replacesAlpha() override { return true; }
};

// The static filter named by a STATICFILTER's ACTION; null for another name.
CGraphStaticFilterIfc* createStaticFilter(const CXString& action, CWindow* window);

} // namespace KavirelDLL
