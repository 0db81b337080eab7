#pragma once
#include <cstdint>
#include <vector>

#include "media/controls/Control.h"
#include "objects/MediaObject.h"
#include "objects/Sound.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CButton;

enum : int {
    EVT_BUTTON_ONFOCUSON = 3,
    EVT_BUTTON_ONFOCUSOFF = 4,
    EVT_BUTTON_ONCLICKED = 6,
    EVT_BUTTON_ONRELEASED = 7,
    EVT_BUTTON_ONACTION = 8,
    EVT_BUTTON_ONSTARTDRAGGING = 9,
    EVT_BUTTON_ONDRAGGING = 10,
    EVT_BUTTON_ONENDDRAGGING = 11,
};

// BUTTON: a CButton whose graphics are the scene's graphic objects and whose sounds are its SOUND objects,
// named by key; its control notifications become events. The button owns neither graphics nor sounds: it
// forgets a graphic destroyed elsewhere, and a sound its SOUND object lets go of.
class CMC_Button : public CMC_MediaObject, public CControlNotifier, public CSoundWatcher {
public:
    CMC_Button(CMC_ObjectsContainer* container, CMElement* element);
    // Blank form (the scene cache's reader builds the button once the scene is read).
    explicit CMC_Button(CMC_ObjectsContainer* container);
    // Takes over the button (clones, CREATEOBJECT) and listens to it.
    CMC_Button(CMC_ObjectsContainer* container, CButton* button, const CXString& name);
    ~CMC_Button() override;

    CXObject* clone() override;
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    CButton* getButton() const { return m_button; }
    // The sound of the container's SOUND object of that name, watched; null (with a log line when the
    // object is of another type) otherwise.
    CSound4* soundOf(CMC_ObjectsContainer* container, const CXString& name, const char* key, int role);

    void onControlFocusOn(CControl*, CXPoint) override;
    void onControlFocusOff(CControl*, CXPoint) override;
    void onControlClicked(CControl*, CXPoint) override;
    void onControlReleased(CControl*, CXPoint) override;
    void onControlAction(CControl*, CXPoint) override;
    void onStartDragging(CControl*, CXPoint) override;
    void onDragging(CControl*, CXPoint) override;
    void onEndDragging(CControl*, CXPoint) override;
    void onSoundGone(CMC_Sound* from, CSound4* sound) override;

private:
    void build(CMC_ObjectsContainer* container);
    void raise(int index, const char* event);
    void unwatchSounds();
    void watchSound(CMC_Sound* sound, int role);

    CButton* m_button = nullptr;
    CXString m_accent, m_gfxStandard, m_gfxOnMove, m_gfxOnClick, m_sndStandard, m_sndOnMove, m_sndOnClick,
        m_drag, m_rect;
    bool m_enable = false;
    bool m_draggable = false;
    int32_t m_priority = 0;
    bool m_cached = false;
    std::vector<CMC_ObjectHandle> m_soundObjects;
    // The SOUND object that gave the on-move (0) and on-click (1) sound; compared only, never followed (a
    // SOUND object tells this button before it goes, and the role is cleared then).
    CMC_Sound* m_soundFrom[2] = {nullptr, nullptr};
    // Set while this button's drag is in progress: the scene's dragged name is cleared if the button goes.
    bool m_dragging = false;
    CMC_ObjectHandle m_dragScene;
};

class CMC_Button_Runner : public CMC_MediaRunner {
public:
    CMC_Button_Runner() : CMC_MediaRunner(TYPE_BUTTON) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
