#include "objects/Text.h"

#include <string>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/text/MultilineText6.h"
#include "media/text/SimpleFont6.h"
#include "objects/Font.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

namespace {

CRefreshScreen* screenOf(CWindow* window) { return window ? window->GetRefreshScreenInterface() : nullptr; }

// RECT: a graphic's bounding box, else four numbers.
CXRect rectOf(CMC_ObjectsContainer* container, const CXString& rect) {
    if (CGraphicsObject* graphic =
            container && rect.IsString() ? container->getGraphicsObject(rect) : nullptr)
        return graphic->GetBoundingBox();
    return rect.toRect();
}

} // namespace

CMC_Text::CMC_Text(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_TEXT) {
    bool toCanvas = element && element->getPropertyBoolValue("TOCANVAS");
    bool visible = element && element->getPropertyBoolValue("VISIBLE");
    CXString text = element ? element->getPropertyValue("TEXT") : CXString("");
    bool hypertext = element && element->getPropertyBoolValue("HYPERTEXT");
    if (element) {
        m_vJustify = element->getPropertyValue("VJUSTIFY");
        m_hJustify = element->getPropertyValue("HJUSTIFY");
        m_rect = element->getPropertyValue("RECT");
        m_priority = element->getPropertyIntValue("PRIORITY");
        m_fontName = element->getPropertyValue("FONT");
    }
    build(container, hypertext, text, toCanvas, visible);
    initializeBehaviours(container, element);
}

CMC_Text::CMC_Text(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString("temp"), TYPE_TEXT, false) {}

CMC_Text::~CMC_Text() {
    releaseAnchor();
    if (!m_text) return;
    m_text->Invalidate();
    if (CRefreshScreen* screen = screenOf(m_window)) *screen >> m_text;
    delete m_text;
}

CXString** CMC_Text::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCOLLISION", "ONCOLLISIONFINISHED"});
}

_justify CMC_Text::resolveJustify(const CXString& value) {
    std::string v = value.GetBuffer();
    if (v == "LEFT") return LEFT;
    if (v == "RIGHT") return RIGHT;
    if (v == "TOP") return TOP;
    if (v == "BOTTOM") return BOTTOM;
    return CENTER;
}

CSimpleFont6* CMC_Text::fontOf(CMC_ObjectsContainer* container, const CXString& name, const CXString& who) {
    CMC_Object* object = container && name.IsString() ? container->getObject(name) : nullptr;
    if (object && object->getType() == TYPE_FONT) {
        CSimpleFont6* font = static_cast<CMC_Font*>(object)->getFont();
        if (!font)
            logMessage("%s: FONT \"%s\" holds no font; it shows no text", who.GetBuffer(), name.GetBuffer());
        return font;
    }
    logMessage("%s: FONT \"%s\" names no FONT object; it shows no text", who.GetBuffer(), name.GetBuffer());
    return nullptr;
}

CXString CMC_Text::cutDigits(const CXString& value, int digits) {
    std::string v = value.GetBuffer();
    size_t point = v.find('.');
    if (digits >= 0 && point != std::string::npos && v.size() > point + 1 + static_cast<size_t>(digits))
        v.resize(point + 1 + static_cast<size_t>(digits));
    return CXString(v.c_str());
}

void CMC_Text::build(CMC_ObjectsContainer* container, bool hypertext, const CXString& text, bool toCanvas,
                     bool visible) {
    _justify h = resolveJustify(m_hJustify), v = resolveJustify(m_vJustify);
    CSimpleFont6* font = fontOf(container, m_fontName, CXString("TEXT ") + m_name);
    m_text = new CMultilineText6(m_window, hypertext, nullptr);
    m_text->setJustify(rectOf(container, m_rect), h, v);
    m_text->setFont(font);
    m_text->setText(text);
    if (toCanvas)
        if (CRefreshScreen* screen = screenOf(m_window)) screen->put(m_text, m_priority);
    m_text->Visible(visible);
}

void CMC_Text::initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) {
    if (!element && m_cached && !m_text) {
        m_cached = false;
        build(container, false, m_cachedText, m_cachedOnScreen, m_cachedVisible);
    }
    CMC_MediaObject::initializeBehaviours(container, element);
}

void CMC_Text::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        CRefreshScreen* screen = screenOf(m_window);
        bool onScreen = m_text && screen && screen->GetPriority(m_text) != -1;
        bool visible = m_text && m_text->isVisible();
        CXString text = m_text ? m_text->getText() : CXString("");
        *archive << m_vJustify << m_hJustify << m_rect << m_priority << m_fontName << onScreen << visible
                 << text;
        return;
    }
    *archive >> &m_vJustify >> &m_hJustify >> &m_rect >> &m_priority >> &m_fontName >> &m_cachedOnScreen >>
        &m_cachedVisible >> &m_cachedText;
    m_cached = archive->good();
}

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;
using namespace RunnerResults;

CMultilineText6* textOf(Call& c) { return c.gone() ? nullptr : c.self<CMC_Text>()->getText(); }

CGraphicsObject* named(Call& c, const CXString& name) {
    return c.container() ? c.container()->getGraphicsObject(name) : nullptr;
}

int packed(Call& c, int r, int g, int b) {
    return CMC_Font::packColor(c.self<CMC_Text>()->getWindow(), r, g, b);
}

CXRect fourOf(Call& c, int from) {
    return CXRect(c.integer(from), c.integer(from + 1), c.integer(from + 2), c.integer(from + 3));
}

} // namespace

void CMC_Text_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETTEXT", 1, [](Call& c) -> CMC_Variable* {
        CXString value = c.string(0);
        if (CMultilineText6* t = textOf(c)) t->setText(value);
        return nullptr;
    });
    addMethod("SETJUSTIFY", 2, [](Call& c) -> CMC_Variable* {
        CXRect rect;
        CXString h, v;
        if (c.count() >= 6) {
            rect = fourOf(c, 0);
            h = c.string(4);
            v = c.string(5);
        } else if (c.count() >= 3) {
            if (c.count() > 3 && !c.gone())
                logMessage(
                    "TEXT %s: SETJUSTIFY with %d arguments is read as a graphic's name and two justifies",
                    c.self<CMC_Text>()->getName().GetBuffer(), c.count());
            CXString name = c.string(0);
            h = c.string(1);
            v = c.string(2);
            if (CGraphicsObject* g = c.gone() ? nullptr : named(c, name)) rect = g->GetBoundingBox();
        } else {
            return nullptr;
        }
        if (CMultilineText6* t = textOf(c))
            t->setJustify(rect, CMC_Text::resolveJustify(h), CMC_Text::resolveJustify(v));
        return nullptr;
    });
    addMethod("SHOW", 3, [](Call& c) -> CMC_Variable* {
        if (CMultilineText6* t = textOf(c)) t->Visible(true);
        return nullptr;
    });
    addMethod("HIDE", 4, [](Call& c) -> CMC_Variable* {
        if (CMultilineText6* t = textOf(c)) t->Visible(false);
        return nullptr;
    });
    addMethod("SETPOSITION", 5, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        if (CMultilineText6* t = textOf(c)) {
            CXRect r = t->getjustifyRect();
            t->setJustify(CXRect(x, y, x + r.Width(), y + r.Height()), t->getHJustify(), t->getVJustify());
        }
        return nullptr;
    });
    addMethod("MOVE", 6, [](Call& c) -> CMC_Variable* {
        int dx = c.integer(0), dy = c.integer(1);
        if (CMultilineText6* t = textOf(c)) t->Move(dx, dy);
        return nullptr;
    });
    addMethod("LOAD", 7, [](Call& c) -> CMC_Variable* {
        CXString file = c.string(0);
        if (CMultilineText6* t = textOf(c)) t->Load(file);
        return nullptr;
    });
    addMethod("CLEARCLIPPING", 8, [](Call& c) -> CMC_Variable* {
        if (CMultilineText6* t = textOf(c)) t->SetClippingRect(CXRect(0, 0, 0, 0));
        return nullptr;
    });
    addMethod("SETCLIPPING", 9, [](Call& c) -> CMC_Variable* {
        CXRect rect;
        if (c.count() >= 4) {
            rect = fourOf(c, 0);
        } else {
            if (c.count() > 1 && !c.gone())
                logMessage("TEXT %s: SETCLIPPING with %d arguments is read as a graphic's name",
                           c.self<CMC_Text>()->getName().GetBuffer(), c.count());
            CXString name = c.string(0);
            CGraphicsObject* g = c.gone() ? nullptr : named(c, name);
            if (!g) {
                if (!c.gone())
                    logMessage("TEXT %s: SETCLIPPING names no graphic \"%s\"; the clipping stays",
                               c.self<CMC_Text>()->getName().GetBuffer(), name.GetBuffer());
                return nullptr;
            }
            rect = g->GetBoundingBox();
        }
        if (CMultilineText6* t = textOf(c)) t->SetClippingRect(rect);
        return nullptr;
    });
    addMethod("GETPOSITIONX", 10, [](Call& c) -> CMC_Variable* {
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->GetPosition().x : 0);
    });
    addMethod("GETPOSITIONY", 11, [](Call& c) -> CMC_Variable* {
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->GetPosition().y : 0);
    });
    addMethod("GETWIDTH", 12, [](Call& c) -> CMC_Variable* {
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->Width() : 0);
    });
    addMethod("GETHEIGHT", 13, [](Call& c) -> CMC_Variable* {
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->Height() : 0);
    });
    addMethod("ISNEAR", 14, [](Call& c) -> CMC_Variable* {
        bool near = false;
        if (c.count() >= 5) {
            CXRect rect = fourOf(c, 0);
            int distance = c.integer(4);
            if (CMultilineText6* t = textOf(c)) near = t->isNear(rect, distance);
        } else if (c.count() >= 2) {
            CXString name = c.string(0);
            int distance = c.integer(1);
            CGraphicsObject* g = c.gone() ? nullptr : named(c, name);
            if (CMultilineText6* t = textOf(c); t && g) near = t->isNear(g, distance);
        }
        return boolResult(near);
    });
    addMethod("SETPRIORITY", 15, [](Call& c) -> CMC_Variable* {
        int priority = c.integer(0);
        CMultilineText6* t = textOf(c);
        CRefreshScreen* screen = t ? screenOf(c.self<CMC_Text>()->getWindow()) : nullptr;
        if (screen) screen->SetPriority(t, priority);
        return nullptr;
    });
    addMethod("SETCOLOR", 16, [](Call& c) -> CMC_Variable* {
        int r = c.integer(0), g = c.integer(1), b = c.integer(2);
        if (CMultilineText6* t = textOf(c)) t->setColor(packed(c, r, g, b));
        return nullptr;
    });
    addMethod("DRAWONTO", 17, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        int priority = c.count() >= 2 ? c.integer(1) : 0;
        CGraphicsObject* g = c.gone() ? nullptr : named(c, name);
        if (CMultilineText6* t = textOf(c); t && g && g != t) g->addObject(t, priority);
        return nullptr;
    });
    addMethod("SETRECT", 18, [](Call& c) -> CMC_Variable* {
        CXRect rect;
        if (c.count() == 4) {
            rect = fourOf(c, 0);
        } else if (c.count() == 1) {
            CXString name = c.string(0);
            CGraphicsObject* g = c.gone() ? nullptr : named(c, name);
            if (!g) return nullptr;
            rect = g->getRect();
        } else {
            return nullptr;
        }
        if (CMultilineText6* t = textOf(c)) t->setJustify(rect, t->getHJustify(), t->getVJustify());
        return nullptr;
    });
    addMethod("SETTEXTDOUBLE", 19, [](Call& c) -> CMC_Variable* {
        CXString value = c.string(0);
        int digits = c.integer(1);
        if (CMultilineText6* t = textOf(c)) t->setText(CMC_Text::cutDigits(value, digits));
        return nullptr;
    });
    addMethod("SETOPACITY", 20, [](Call& c) -> CMC_Variable* {
        int opacity = c.integer(0);
        if (CMultilineText6* t = textOf(c)) t->SetOpacity(static_cast<uint8_t>(opacity));
        return nullptr;
    });
    addMethod("SETFONT", 21, [](Call& c) -> CMC_Variable* {
        CXString name = c.string(0);
        if (c.gone()) return nullptr;
        auto* self = c.self<CMC_Text>();
        CSimpleFont6* font = CMC_Text::fontOf(c.container(), name, CXString("TEXT ") + self->getName());
        // A name that finds no FONT changes nothing.
        if (font && self->getText()) self->getText()->setFont(font);
        return nullptr;
    });
    addMethod("GETWORDAT", 22, [](Call& c) -> CMC_Variable* {
        int i = c.integer(0);
        CMultilineText6* t = textOf(c);
        return stringResult(t ? t->getWordAt(i) : CXString(""));
    });
    addMethod("GETWORDATXY", 23, [](Call& c) -> CMC_Variable* {
        int x = c.integer(0), y = c.integer(1);
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->getWordAtXY(CXPoint(x, y)) : -1);
    });
    addMethod("GETWORDPOSX", 24, [](Call& c) -> CMC_Variable* {
        int i = c.integer(0);
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->getWordPosition(i).x : 0);
    });
    addMethod("GETWORDPOSY", 25, [](Call& c) -> CMC_Variable* {
        int i = c.integer(0);
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->getWordPosition(i).y : 0);
    });
    addMethod("SEARCH", 26, [](Call& c) -> CMC_Variable* {
        CXString word = c.string(0);
        int from = c.integer(1);
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->search(word, from) : -1);
    });
    addMethod("SETWORDCOLOR", 27, [](Call& c) -> CMC_Variable* {
        int i = c.integer(0), r = c.integer(1), g = c.integer(2), b = c.integer(3);
        if (CMultilineText6* t = textOf(c)) t->setWordColor(i, packed(c, r, g, b));
        return nullptr;
    });
    addMethod("INVALIDATE", 28, [](Call& c) -> CMC_Variable* {
        if (CMultilineText6* t = textOf(c)) t->Invalidate();
        return nullptr;
    });
    addMethod("GETWORDWIDTH", 29, [](Call& c) -> CMC_Variable* {
        int i = c.integer(0);
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->getWordWidth(i) : 0);
    });
    addMethod("GETNUMWORDS", 30, [](Call& c) -> CMC_Variable* {
        CMultilineText6* t = textOf(c);
        return integerResult(t ? t->getNumWords() : 0);
    });
}

} // namespace KavirelDLL
