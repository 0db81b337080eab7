#include "objects/Font.h"

#include <cstdlib>
#include <string>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Window.h"
#include "media/text/SimpleFont6.h"
#include "script/Integer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

// The key's size: digits read with clamping, so an over-long number stays defined.
int sizeOf(const std::string& text) {
    long size = std::strtol(text.c_str(), nullptr, 10);
    if (size > 100000) return 100000;
    if (size < 0) return 0;
    return static_cast<int>(size);
}

} // namespace

CMC_Font::CMC_Font(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_FONT) {
    m_collection = new CFontCollection(m_window);
    CMProperties* properties = element ? element->getProperties() : nullptr;
    for (int i = 0; properties && i < properties->getSize(); ++i) {
        CMProperty* property = properties->getAt(i);
        std::string key = property->getName().GetBuffer();
        if (key.rfind("DEF_", 0) != 0) continue;
        // DEF, family, style, size: split at every "_".
        std::string parts[4];
        size_t part = 0, from = 0;
        while (part < 4) {
            size_t at = key.find('_', from);
            parts[part++] = key.substr(from, at == std::string::npos ? std::string::npos : at - from);
            if (at == std::string::npos) break;
            from = at + 1;
        }
        // A missing or damaged file leaves this font empty; its reader logs the file's name.
        auto* font = new CSimpleFont6(m_window, property->getValue());
        addFont(font, CXString(parts[1].c_str()), CXString(parts[2].c_str()), sizeOf(parts[3]));
    }
    initializeBehaviours(container, element);
}

CMC_Font::CMC_Font(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString(""), TYPE_FONT, false) {}

CMC_Font::~CMC_Font() {
    releaseAnchor();
    clear();
}

void CMC_Font::clear() {
    // The collection first: the texts that show it forget it, then its fonts go.
    delete m_collection;
    m_collection = nullptr;
    for (CSimpleFont6* font : m_fonts) delete font;
    m_fonts.clear();
}

void CMC_Font::addFont(CSimpleFont6* font, const CXString& family, const CXString& style, int size) {
    font->setFamily(family);
    font->setStyle(style);
    font->setSize(size);
    m_collection->addFont(font);
    m_fonts.push_back(font);
}

CXString** CMC_Font::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

int CMC_Font::getHeight() {
    CSimpleFont6* base = m_collection ? m_collection->getBaseFont() : nullptr;
    return base ? base->Height() : 0;
}

int CMC_Font::packColor(CWindow* window, int r, int g, int b) {
    if (window && window->GetBpp() == 15) return ((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)) & 0xFFFF;
    return ((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)) & 0xFFFF;
}

void CMC_Font::setDefColor(int color) {
    if (m_collection) m_collection->setDefColor(color);
    for (CSimpleFont6* font : m_fonts) font->setDefColor(color);
    if (m_window) m_window->Invalidate();
}

void CMC_Font::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << static_cast<int32_t>(m_fonts.size());
        for (CSimpleFont6* font : m_fonts)
            *archive << font->getFamily() << font->getStyle() << static_cast<int32_t>(font->getSize());
        return;
    }
    int32_t count = 0;
    *archive >> &count;
    if (!archive->good() || count < 0) return;
    clear();
    m_collection = new CFontCollection(m_window);
    for (int32_t i = 0; i < count; ++i) {
        CXString family, style;
        int32_t size = 0;
        *archive >> &family >> &style >> &size;
        if (!archive->good()) return;
        addFont(new CSimpleFont6(m_window), family, style, size);
    }
    if (count > 0)
        logMessage(
            "FONT %s: read from the scene cache, which names no font files; its %d fonts have no letters",
            m_name.GetBuffer(), static_cast<int>(count));
}

// ---- runner ----

namespace {
using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;
} // namespace

void CMC_Font_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETCOLOR", MTH_SETCOLOR, [](Call& c) -> CMC_Variable* {
        int r = c.integer(0), g = c.integer(1), b = c.integer(2);
        if (c.gone()) return nullptr;
        auto* font = c.self<CMC_Font>();
        font->setDefColor(CMC_Font::packColor(font->getWindow(), r, g, b));
        return nullptr;
    });
    // SETSTYLE records a family and SETFAMILY a style, on the collection alone: nothing looks them up.
    addMethod("SETSTYLE", MTH_SETSTYLE, [](Call& c) -> CMC_Variable* {
        CXString value = c.string(0);
        if (CFontCollection* fonts = c.gone() ? nullptr : c.self<CMC_Font>()->getFont())
            fonts->setFamily(value);
        return nullptr;
    });
    addMethod("SETFAMILY", MTH_SETFAMILY, [](Call& c) -> CMC_Variable* {
        CXString value = c.string(0);
        if (CFontCollection* fonts = c.gone() ? nullptr : c.self<CMC_Font>()->getFont())
            fonts->setStyle(value);
        return nullptr;
    });
    addMethod("SETSIZE", MTH_SETSIZE, [](Call& c) -> CMC_Variable* {
        int value = c.integer(0);
        if (CFontCollection* fonts = c.gone() ? nullptr : c.self<CMC_Font>()->getFont())
            fonts->setSize(value);
        return nullptr;
    });
    addMethod("GETHEIGHT", MTH_GETHEIGHT,
              [](Call& c) -> CMC_Variable* { return integerResult(c.self<CMC_Font>()->getHeight()); });
}

} // namespace KavirelDLL
