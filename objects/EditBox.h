#pragma once
#include "core/Geometry.h"
#include "media/controls/EditBox6.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

enum : int {
    EVT_EDITBOX_ONFOCUSON = 3,
    EVT_EDITBOX_ONFOCUSOFF = 4,
    EVT_EDITBOX_ONCHANGED = 5,
    EVT_EDITBOX_ONENTER = 6,
    EVT_EDITBOX_ONESC = 7,
};

// EDITBOX: a text entry field made by the scene unit, in a FONT object's font, with an optional cursor
// graphic; its notifications become events. The object holds the box: whoever deletes it first (the unit,
// the object) deletes it once. Without a FONT object there is no box, and the methods do nothing.
class CMC_EditBox : public CMC_MediaObject, public CEditBoxNotifier {
public:
    CMC_EditBox(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form: "temp" (the scene cache's reader makes the box once the scene is read).
    explicit CMC_EditBox(CMC_ObjectsContainer* container);
    ~CMC_EditBox() override;

    CXString** getBehavioursList() override;
    // Font name, the box's rectangle, its text, the cursor name.
    void serialize(CXArchive* archive) override;
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    CEditBox6* getEditBox() const { return m_box; }

    void onFocusOn(CEditBox6*) override;
    void onFocusOff(CEditBox6*) override;
    void onChanged(CEditBox6*) override;
    void onEnter(CEditBox6*) override;
    void onEsc(CEditBox6*) override;

private:
    void makeBox(CMC_ObjectsContainer* container, CXRect rect, int priority, const CXString& text);
    void raise(int index, const char* event);

    CEditBox6* m_box = nullptr;
    CXString m_fontName;
    CXString m_cursorName;
    // A record read from the cache, waiting for its scene.
    bool m_cached = false;
    CXRect m_cachedRect;
    CXString m_cachedText;
};

class CMC_EditBox_Runner : public CMC_MediaRunner {
public:
    CMC_EditBox_Runner() : CMC_MediaRunner(TYPE_EDITBOX) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
