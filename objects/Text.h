#pragma once
#include <cstdint>

#include "core/Geometry.h"
#include "media/text/Text6.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CMultilineText6;
class CSimpleFont6;

// TEXT: a formatted, word-wrapped text in a FONT object's fonts, laid out in a rectangle (RECT: a graphic's
// name or four numbers). Its collision events can be bound and are never raised.
class CMC_Text : public CMC_MediaObject {
public:
    CMC_Text(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form: "temp", no text (the scene cache's reader builds the text once the scene is read).
    explicit CMC_Text(CMC_ObjectsContainer* container);
    ~CMC_Text() override;

    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;
    // With no element (a scene read from its cache) the text is built from the record first.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    CMultilineText6* getText() const { return m_text; }
    CXString getFontName() const { return m_fontName; }
    int getPriority() const { return m_priority; }

    // "LEFT" 0, "RIGHT" 1, "TOP" 3, "BOTTOM" 4, anything else 2 (exact case).
    static _justify resolveJustify(const CXString& value);
    // The font collection of the container's FONT object of that name; null (and a log line naming who
    // asked) when there is none.
    static CSimpleFont6* fontOf(CMC_ObjectsContainer* container, const CXString& name, const CXString& who);
    // SETTEXTDOUBLE's cut: digits >= 0 keeps that many digits behind the point (0 keeps the point).
    static CXString cutDigits(const CXString& value, int digits);

private:
    // Definition steps 3 to 8.
    void build(CMC_ObjectsContainer* container, bool hypertext, const CXString& text, bool toCanvas,
               bool visible);

    CMultilineText6* m_text = nullptr;
    CXString m_vJustify;
    CXString m_hJustify;
    CXString m_rect;
    int32_t m_priority = 0;
    [[maybe_unused]] int32_t m_reserved = 0;
    CXString m_fontName;
    // A record read from the cache, waiting for its scene: on screen, visible, the text.
    bool m_cached = false;
    bool m_cachedOnScreen = false;
    bool m_cachedVisible = false;
    CXString m_cachedText;
};

class CMC_Text_Runner : public CMC_MediaRunner {
public:
    CMC_Text_Runner() : CMC_MediaRunner(TYPE_TEXT) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
