#include "main/ScenesMenu.h"

#include <algorithm>

#include "core/Containers.h"
#include "core/XVersion.h"
#include "display/Color.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "main/MenuFont.h"
#include "platform/Input.h"
#include "script/Scene.h"

using namespace KavirelDLL;

namespace {

constexpr int kTitlePadding = 8;
constexpr int kCheckColumn = 20;
constexpr int kRightPadding = 12;

const CColor kFace(212, 208, 200);
const CColor kText(0, 0, 0);
const CColor kHighlight(10, 36, 106);
const CColor kHighlightText(255, 255, 255);
const CColor kShadow(128, 128, 128);
const CColor kLight(255, 255, 255);
const CColor kBorder(64, 64, 64);

constexpr uint8_t kCheckMark[7] = {0x02, 0x06, 0x8E, 0xDC, 0xF8, 0x70, 0x20};

int textWidth(const CXString& text) { return CScenesMenu::shownText(text).GetLength() * kMenuGlyphWidth; }

// A picture's pixels, clipped on every write.
struct CPainter {
    CGraphicsObject* target;
    int bpp;

    uint16_t pixel(const CColor& colour) const { return static_cast<uint16_t>(colour.GetInBPP(bpp)); }
    void fill(CXRect r, const CColor& colour) const {
        auto* pixels = reinterpret_cast<uint16_t*>(target->GetDataPtr());
        if (!pixels) return;
        const int w = target->Width(), h = target->Height();
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::min(r.right, w);
        r.bottom = std::min(r.bottom, h);
        const uint16_t value = pixel(colour);
        for (int y = r.top; y < r.bottom; ++y)
            std::fill(pixels + static_cast<size_t>(y) * w + r.left,
                      pixels + static_cast<size_t>(y) * w + r.right, value);
    }
    void bits(int x, int y, const uint8_t* rows, int height, const CColor& colour) const {
        for (int row = 0; row < height; ++row)
            for (int col = 0; col < 8; ++col)
                if (rows[row] & (0x80 >> col))
                    fill(CXRect(x + col, y + row, x + col + 1, y + row + 1), colour);
    }
    void text(int x, int y, const CXString& text, const CColor& colour) const {
        CXString shown = CScenesMenu::shownText(text);
        for (int i = 0; i < shown.GetLength(); ++i)
            bits(x + i * kMenuGlyphWidth, y, menuGlyph(static_cast<unsigned char>(shown.GetAt(i))),
                 kMenuGlyphHeight, colour);
    }
};

bool inside(const CXRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

CScenesMenu::CScenesMenu() : m_popups(programMenu()) {}

CScenesMenu::~CScenesMenu() {
    removePicture(m_bar);
    removePicture(m_dropDown);
}

std::vector<CScenesMenu::SPopup> CScenesMenu::programMenu() {
    SPopup program{"&Program", {}};
    program.items.push_back({"&Redraw", CMD_REDRAW});
    program.items.push_back({"Message Box", CMD_MESSAGE_BOX, false, true});
    program.items.push_back({"&Exit", CMD_EXIT});
    SPopup objects{"&Objects", {}};
    objects.items.push_back({"&Bevaviours", CMD_BEHAVIOURS});
    objects.items.push_back({"&Variables", CMD_VARIABLES});
    objects.items.push_back({"&Arrays", CMD_ARRAYS});
    objects.items.push_back({"A&ll", CMD_ALL});
    return {program, objects};
}

void CScenesMenu::setPopups(std::vector<SPopup> popups) {
    close();
    m_popups = std::move(popups);
    m_changed = true;
}

void CScenesMenu::insertPopup(size_t position, SPopup popup) {
    close();
    m_popups.insert(m_popups.begin() + static_cast<std::ptrdiff_t>(std::min(position, m_popups.size())),
                    std::move(popup));
    m_changed = true;
}

void CScenesMenu::setAvailable(bool available) {
    m_available = available;
    if (!available) close();
}

CXString CScenesMenu::shownText(const CXString& text) {
    CXString shown;
    for (int i = 0; i < text.GetLength(); ++i) {
        char c = text.GetAt(i);
        if (c == '&') {
            if (i + 1 >= text.GetLength()) break;
            c = text.GetAt(++i);
        }
        shown += c;
    }
    return shown;
}

// ---------------------------------------------------------------- geometry

CXRect CScenesMenu::barRect() const { return CXRect(0, 0, m_screenWidth, kBarHeight); }

CXRect CScenesMenu::titleRect(int popup) const {
    int x = 0;
    for (int i = 0; i < popup && i < static_cast<int>(m_popups.size()); ++i)
        x += textWidth(m_popups[static_cast<size_t>(i)].title) + 2 * kTitlePadding;
    if (popup < 0 || popup >= static_cast<int>(m_popups.size())) return CXRect();
    return CXRect(x, 0, x + textWidth(m_popups[static_cast<size_t>(popup)].title) + 2 * kTitlePadding,
                  kBarHeight);
}

CScenesMenu::SLayout CScenesMenu::layout(int popup) const {
    SLayout out;
    if (popup < 0 || popup >= static_cast<int>(m_popups.size())) return out;
    const SPopup& p = m_popups[static_cast<size_t>(popup)];
    int widest = 0;
    for (const SItem& item : p.items)
        if (!item.separator) widest = std::max(widest, textWidth(item.text));
    const int columnWidth = widest + kCheckColumn + kRightPadding;
    const int top = kBarHeight + 1;
    // A list longer than the screen goes on in further columns, as long menus do.
    const int bottom = std::max(top + kItemHeight, m_screenHeight - 1);
    int x = 1, y = top, lowest = top;
    for (const SItem& item : p.items) {
        const int h = item.separator ? kSeparatorHeight : kItemHeight;
        if (y + h > bottom && y > top) {
            x += columnWidth;
            y = top;
        }
        out.items.emplace_back(x, y, x + columnWidth, y + h);
        y += h;
        lowest = std::max(lowest, y);
    }
    const int columns = p.items.empty() ? 1 : (x - 1) / std::max(columnWidth, 1) + 1;
    const int width = std::max(columns * columnWidth, 1) + 2;
    int left = titleRect(popup).left;
    left = std::max(0, std::min(left, m_screenWidth - width));
    out.box = CXRect(left, kBarHeight, left + width, lowest + 1);
    for (CXRect& r : out.items) r += CXPoint(left, 0);
    return out;
}

CXRect CScenesMenu::popupRect(int popup) const { return layout(popup).box; }

CXRect CScenesMenu::itemRect(int popup, int item) const {
    SLayout l = layout(popup);
    if (item < 0 || item >= static_cast<int>(l.items.size())) return CXRect();
    return l.items[static_cast<size_t>(item)];
}

int CScenesMenu::popupAt(int x, int y) const {
    for (int i = 0; i < static_cast<int>(m_popups.size()); ++i)
        if (inside(titleRect(i), x, y)) return i;
    return -1;
}

int CScenesMenu::itemAt(int x, int y) const {
    SLayout l = layout(m_popup);
    for (int i = 0; i < static_cast<int>(l.items.size()); ++i)
        if (inside(l.items[static_cast<size_t>(i)], x, y)) return i;
    return -1;
}

// ---------------------------------------------------------------- state

bool CScenesMenu::selectable(int popup, int item) const {
    if (popup < 0 || popup >= static_cast<int>(m_popups.size())) return false;
    const auto& items = m_popups[static_cast<size_t>(popup)].items;
    return item >= 0 && item < static_cast<int>(items.size()) && !items[static_cast<size_t>(item)].separator;
}

int CScenesMenu::firstSelectable(int popup) const {
    if (popup < 0 || popup >= static_cast<int>(m_popups.size())) return -1;
    for (int i = 0; i < static_cast<int>(m_popups[static_cast<size_t>(popup)].items.size()); ++i)
        if (selectable(popup, i)) return i;
    return -1;
}

void CScenesMenu::open(int popup) {
    if (!m_available || m_popups.empty()) return;
    m_open = true;
    m_popup = std::clamp(popup, 0, static_cast<int>(m_popups.size()) - 1);
    m_item = firstSelectable(m_popup);
    m_changed = true;
}

void CScenesMenu::close() {
    if (!m_open) return;
    m_open = false;
    m_item = -1;
    m_changed = true;
}

std::vector<int> CScenesMenu::takeCommands() {
    std::vector<int> out;
    out.swap(m_commands);
    return out;
}

void CScenesMenu::switchPopup(int popup) {
    const int count = static_cast<int>(m_popups.size());
    if (count == 0) return;
    popup = (popup % count + count) % count;
    if (popup == m_popup) return;
    m_popup = popup;
    m_item = firstSelectable(popup);
    m_changed = true;
}

void CScenesMenu::moveItem(int step) {
    const int count = static_cast<int>(m_popups[static_cast<size_t>(m_popup)].items.size());
    if (firstSelectable(m_popup) < 0) return;
    int item = m_item < 0 ? (step > 0 ? -1 : count) : m_item;
    do {
        item = ((item + step) % count + count) % count;
    } while (!selectable(m_popup, item));
    m_item = item;
    m_changed = true;
}

void CScenesMenu::choose() {
    if (!selectable(m_popup, m_item)) return;
    m_commands.push_back(m_popups[static_cast<size_t>(m_popup)].items[static_cast<size_t>(m_item)].id);
    close();
}

// ---------------------------------------------------------------- input

bool CScenesMenu::filter(const CInputEvent& e) {
    switch (e.type) {
    case EInputEventType::KeyDown:
        if (!m_open) {
            if (e.key != kKeyF10 || !m_available) return false;
            m_heldKeys.insert(e.key);
            open(0);
            return true;
        }
        m_heldKeys.insert(e.key);
        switch (e.key) {
        case kKeyF10:
        case kKeyEscape:
            close();
            break;
        case kKeyLeft:
            switchPopup(m_popup - 1);
            break;
        case kKeyRight:
            switchPopup(m_popup + 1);
            break;
        case kKeyUp:
            moveItem(-1);
            break;
        case kKeyDown:
            moveItem(1);
            break;
        case kKeyEnter:
        case kKeyPadEnter:
        case kKeySpace:
            choose();
            break;
        default:
            break;
        }
        return true;
    case EInputEventType::KeyUp:
        return m_heldKeys.erase(e.key) > 0;
    case EInputEventType::MouseMove:
    case EInputEventType::MouseDown:
    case EInputEventType::MouseUp:
    case EInputEventType::MouseWheel:
        return takeMouse(e);
    case EInputEventType::Window:
        if (e.window == EWindowEvent::FocusLost) close();
        return false;
    }
    return false;
}

bool CScenesMenu::takeMouse(const CInputEvent& e) {
    const bool button = e.button >= 0 && e.button < 5;
    if (e.type == EInputEventType::MouseUp) {
        if (!button || !m_heldButtons[e.button]) return false;
        m_heldButtons[e.button] = false;
        if (m_open && e.button == 0 && itemAt(e.x, e.y) == m_item) choose();
        return true;
    }
    if (!m_open) return false;
    if (e.type == EInputEventType::MouseWheel) return true;
    const int popup = popupAt(e.x, e.y);
    if (popup >= 0) {
        switchPopup(popup);
    } else {
        const int item = itemAt(e.x, e.y);
        if (item >= 0 && item != m_item) {
            m_item = selectable(m_popup, item) ? item : -1;
            m_changed = true;
        }
        if (e.type == EInputEventType::MouseDown && item < 0 && !inside(popupRect(m_popup), e.x, e.y) &&
            !inside(barRect(), e.x, e.y))
            close();
    }
    if (e.type == EInputEventType::MouseDown && button) m_heldButtons[e.button] = true;
    return true;
}

// ---------------------------------------------------------------- drawing

void CScenesMenu::drawBar(CGraphicsObject* target, int bpp) {
    CPainter paint{target, bpp};
    paint.fill(CXRect(0, 0, target->Width(), target->Height()), kFace);
    paint.fill(CXRect(0, kBarHeight - 1, target->Width(), kBarHeight), kShadow);
    for (int i = 0; i < static_cast<int>(m_popups.size()); ++i) {
        CXRect r = titleRect(i);
        const bool current = m_open && i == m_popup;
        if (current) paint.fill(CXRect(r.left, 0, r.right, kBarHeight - 1), kHighlight);
        paint.text(r.left + kTitlePadding, 2, m_popups[static_cast<size_t>(i)].title,
                   current ? kHighlightText : kText);
    }
}

void CScenesMenu::drawPopup(CGraphicsObject* target, int bpp) {
    CPainter paint{target, bpp};
    SLayout l = layout(m_popup);
    const CXPoint origin = l.box.LeftTop();
    const int w = target->Width(), h = target->Height();
    paint.fill(CXRect(0, 0, w, h), kBorder);
    paint.fill(CXRect(1, 1, w - 1, h - 1), kFace);
    const auto& items = m_popups[static_cast<size_t>(m_popup)].items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const SItem& item = items[static_cast<size_t>(i)];
        CXRect r = l.items[static_cast<size_t>(i)] - origin;
        if (item.separator) {
            const int y = r.top + kSeparatorHeight / 2;
            paint.fill(CXRect(r.left + 2, y, r.right - 2, y + 1), kShadow);
            paint.fill(CXRect(r.left + 2, y + 1, r.right - 2, y + 2), kLight);
            continue;
        }
        const bool current = i == m_item;
        if (current) paint.fill(r, kHighlight);
        const CColor& ink = current ? kHighlightText : kText;
        if (item.checked) paint.bits(r.left + 6, r.top + 5, kCheckMark, 7, ink);
        paint.text(r.left + kCheckColumn, r.top + 2, item.text, ink);
    }
}

void CScenesMenu::removePicture(CGraphicsObject*& picture) {
    if (!picture) return;
    if (CRefreshScreen* screen = picture->GetCanvas()) {
        CXRect box = picture->GetBoundingBox();
        *screen >> picture;
        screen->Invalidate(&box);
    }
    delete picture;
    picture = nullptr;
}

void CScenesMenu::placePicture(CGraphicsObject*& picture, CWindow* window, const CXRect& box, bool draw,
                               bool bar) {
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    const int bpp = window->GetBpp() == 15 ? 15 : 16;
    if (picture && (picture->GetBoundingBox() != box || picture->GetBpp() != bpp)) removePicture(picture);
    if (!picture) {
        picture = new CGraphicsObject(window, CXSize(box.Width(), box.Height()), bpp);
        picture->SetPosition(box.left, box.top);
        draw = true;
    }
    if (draw) bar ? drawBar(picture, bpp) : drawPopup(picture, bpp);
    if (picture->GetCanvas() != screen)
        screen->put(picture, kPriority);
    else if (draw)
        picture->Invalidate();
}

void CScenesMenu::update(CWindow* window) {
    CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
    if (!m_open || !screen) {
        removePicture(m_bar);
        removePicture(m_dropDown);
        m_drawnPopup = -1;
        return;
    }
    const CXSize size = window->GetScreenSize();
    if (size.cx != m_screenWidth || size.cy != m_screenHeight) {
        m_screenWidth = size.cx;
        m_screenHeight = size.cy;
        m_changed = true;
    }
    placePicture(m_bar, window, barRect(), m_changed, true);
    placePicture(m_dropDown, window, popupRect(m_popup), m_changed || m_drawnPopup != m_popup, false);
    m_drawnPopup = m_popup;
    m_changed = false;
}

void buildScenesMenu(CMC_Scene* root, CScenesMenu& menu) {
    if (!root) return;
    CScenesMenu::SPopup popup{root->getName(), {}};
    CXVector* episodes = root->getSubScenes();
    for (int e = 0; episodes && e < episodes->getSize(); ++e) {
        auto* episode = static_cast<CMC_Scene*>(episodes->at(e));
        CXVector* scenes = episode ? episode->getSubScenes() : nullptr;
        for (int s = 0; scenes && s < scenes->getSize(); ++s) {
            auto* scene = static_cast<CMC_Scene*>(scenes->at(s));
            popup.items.push_back({scene->getName(), episode->getSubId(scene)});
        }
    }
    popup.items.push_back({"", 0, true});
    popup.items.push_back({CXVersion::getCurrentVersion()->toString(), CScenesMenu::ID_VERSION});
    menu.insertPopup(0, std::move(popup));
}
