#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "core/Geometry.h"
#include "core/XString.h"

namespace KavirelDLL {
class CGraphicsObject;
class CMC_Scene;
class CRefreshScreen;
class CWindow;
struct CInputEvent;
} // namespace KavirelDLL

// The game window's menu bar. The desktop window has none of its own, so the engine draws it over the top of
// the game: F10 opens it, as it opens the menu bar of desktop programs; the arrow keys, Enter and Escape or
// the mouse work it, and a click outside closes it. It exists where the window would have had a menu bar, in
// a framed window. While it is open the game waits, as a pulled-down menu held the program's loop.
class CScenesMenu {
public:
    struct SItem {
        KavirelDLL::CXString text; // '&' marks a mnemonic and is not shown
        int id = 0;
        bool separator = false;
        bool checked = false;
    };
    struct SPopup {
        KavirelDLL::CXString title;
        std::vector<SItem> items;
    };

    enum : int {
        CMD_EXIT = 40001,
        CMD_BEHAVIOURS = 40002,
        CMD_VARIABLES = 40003,
        CMD_REDRAW = 40004,
        CMD_ARRAYS = 40005,
        CMD_ALL = 40006,
        CMD_MESSAGE_BOX = 40007,
        ID_VERSION = 100,
    };
    // Over everything a game puts on the screen.
    static constexpr int kPriority = 0x7FFFFF00;

    CScenesMenu();
    ~CScenesMenu();
    CScenesMenu(const CScenesMenu&) = delete;
    CScenesMenu& operator=(const CScenesMenu&) = delete;

    // The program's own menu: "&Program" (Redraw, Message Box, Exit) and "&Objects".
    static std::vector<SPopup> programMenu();
    void setPopups(std::vector<SPopup> popups);
    void insertPopup(size_t position, SPopup popup);
    const std::vector<SPopup>& popups() const { return m_popups; }

    // Without a menu bar (full screen, "noframe") the menu never opens.
    void setAvailable(bool available);
    bool isAvailable() const { return m_available; }

    // The game window's input, before the engine sees it (CInput's filter): true for what the menu takes.
    // While it is open that is every key and the mouse; a key or button it took the press of keeps its
    // release too.
    bool filter(const KavirelDLL::CInputEvent& event);

    bool isOpen() const { return m_open; }
    void open(int popup = 0);
    void close();
    // The ids of the items chosen since the last call.
    std::vector<int> takeCommands();
    int currentPopup() const { return m_open ? m_popup : -1; }
    // -1 when no item is highlighted.
    int currentItem() const { return m_open ? m_item : -1; }

    // Once a frame on the main thread: keeps the drawn menu on the window's screen while open, and takes it
    // off (the game shows again) once closed.
    void update(KavirelDLL::CWindow* window);

    // Geometry on the screen.
    static constexpr int kBarHeight = 17;
    static constexpr int kItemHeight = 17;
    static constexpr int kSeparatorHeight = 7;
    KavirelDLL::CXRect barRect() const;
    KavirelDLL::CXRect titleRect(int popup) const;
    KavirelDLL::CXRect popupRect(int popup) const;
    KavirelDLL::CXRect itemRect(int popup, int item) const;

    // The text as shown: '&' dropped, "&&" shown as one '&'.
    static KavirelDLL::CXString shownText(const KavirelDLL::CXString& text);

private:
    struct SLayout {
        KavirelDLL::CXRect box;
        std::vector<KavirelDLL::CXRect> items;
    };
    SLayout layout(int popup) const;
    bool selectable(int popup, int item) const;
    int firstSelectable(int popup) const;
    void moveItem(int step);
    void switchPopup(int popup);
    void choose();
    int popupAt(int x, int y) const;
    int itemAt(int x, int y) const;
    bool takeMouse(const KavirelDLL::CInputEvent& event);

    void drawBar(KavirelDLL::CGraphicsObject* target, int bpp);
    void drawPopup(KavirelDLL::CGraphicsObject* target, int bpp);
    void removePicture(KavirelDLL::CGraphicsObject*& picture);
    void placePicture(KavirelDLL::CGraphicsObject*& picture, KavirelDLL::CWindow* window,
                      const KavirelDLL::CXRect& box, bool draw, bool bar);

    std::vector<SPopup> m_popups;
    bool m_available = false;
    bool m_open = false;
    int m_popup = 0;
    int m_item = -1;
    std::vector<int> m_commands;
    std::set<int32_t> m_heldKeys;
    bool m_heldButtons[5] = {};
    int m_screenWidth = 800;
    int m_screenHeight = 600;
    // The pictures are drawn again at the next update.
    bool m_changed = true;
    KavirelDLL::CGraphicsObject* m_bar = nullptr;
    KavirelDLL::CGraphicsObject* m_dropDown = nullptr;
    int m_drawnPopup = -1;
};

// Puts the game's popup first on the menu bar, titled with the application's name: the scenes of each of its
// episodes in order, each item's id its scene's place in the episode, then a separator and the engine's
// version (id 100). Choosing a scene or the version does nothing.
void buildScenesMenu(KavirelDLL::CMC_Scene* root, CScenesMenu& menu);
