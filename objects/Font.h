#pragma once
#include <vector>

#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CFontCollection;
class CSimpleFont6;

// FONT: bitmap fonts declared under family, style and size ("DEF_family_style_size" = FNT file), offered to
// the texts and edit boxes that name the object. The first font declared is the collection's base font.
class CMC_Font : public CMC_MediaObject {
public:
    CMC_Font(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form (the scene cache's reader).
    explicit CMC_Font(CMC_ObjectsContainer* container);
    ~CMC_Font() override;

    CXString** getBehavioursList() override;
    // The fonts' family, style and size (no file names: a cached font has no letters, and says so).
    void serialize(CXArchive* archive) override;

    CFontCollection* getFont() const { return m_collection; }
    const std::vector<CSimpleFont6*>& getFontsList() const { return m_fonts; }
    // The base font's height; 0 without fonts.
    int getHeight();
    // The default colour of the collection and every font, packed for the screen.
    void setDefColor(int color);

    // r, g, b (0..255) packed for the window's screen: 5-5-5 at 15 bits, else 5-6-5.
    static int packColor(CWindow* window, int r, int g, int b);

private:
    void clear();
    void addFont(CSimpleFont6* font, const CXString& family, const CXString& style, int size);

    CFontCollection* m_collection = nullptr;
    std::vector<CSimpleFont6*> m_fonts;
};

class CMC_Font_Runner : public CMC_MediaRunner {
public:
    enum : int { MTH_SETCOLOR = 1, MTH_SETSTYLE = 2, MTH_SETFAMILY = 3, MTH_SETSIZE = 4, MTH_GETHEIGHT = 5 };
    CMC_Font_Runner() : CMC_MediaRunner(TYPE_FONT) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
