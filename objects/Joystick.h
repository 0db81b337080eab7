#pragma once
#include <cstdint>
#include <vector>

#include "core/XString.h"
#include "display/InputPoller.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CInput;
class CWindow;
struct CControllerState;

enum : int {
    EVT_JOYSTICK_ONBUTTONUP = 3,
    EVT_JOYSTICK_ONBUTTONDOWN = 4,
    EVT_JOYSTICK_ONMOVE = 5,
};

// One change a poll of the controller found, raised at the frame's flush.
struct CJoystickSignal {
    enum : int32_t { BUTTON_DOWN = 1, BUTTON_UP = 2, AXIS = 3 };

    CJoystickSignal(int32_t kind_, int32_t button) : kind(kind_), value(button) {}
    CJoystickSignal(const char* axis_, const char* direction_)
        : kind(AXIS), axis(axis_), direction(direction_) {}

    int32_t kind;
    int32_t value = 0;  // the button
    CXString axis;      // "X", "Y", "Z"
    CXString direction; // "LEFT", "RIGHT", "UP", "DOWN", "OUT", "IN"
};

// JOYSTICK: the game controller at the PORT position (1 by default, so the second one) among those attached.
// The frame polls it while the game is active: button edges, X moves of more than 50 (right beyond 5), Y
// moves of more than 300 held for four polls and Z moves of more than 300 are queued and raised at the
// frame's flush as ONBUTTONDOWN^n, ONBUTTONUP^n and ONMOVE^axis, then ONMOVE^direction, then ONMOVE. Without
// a controller there it answers from its first state and raises nothing, and takes the one there as soon as
// one is; a controller that goes away is looked for again on every poll.
class CMC_Joystick : public CMC_Object, public CInputPoller {
public:
    CMC_Joystick(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Joystick() override;

    CXString** getBehavioursList() override;
    void tick() override;
    void flushSignals(bool raise) override;

    int getPort() const { return m_port; }
    // The input's controller id; -1 without one.
    int32_t getDXIfc() const { return m_device; }
    // 1 while the button was last seen held; 0 beyond the controller's buttons or without one.
    int getButtonState(int button) const;
    // X (0) and Y (1) at their last signal, -1 before any; -1 for any other axis.
    int getAxis(int axis) const;
    CWindow* getWindow() const { return m_window; }
    const std::vector<CJoystickSignal>& getSignals() const { return m_signals; }

private:
    void poll(const CControllerState& state);

    CWindow* m_window = nullptr;
    CInput* m_input = nullptr;
    int32_t m_device = -1;
    int32_t m_port = 1;
    int32_t m_buttonCount = 0;
    // Of every button seen, so a button held when the controller went away reports its release.
    std::vector<uint8_t> m_buttons;
    int32_t m_lastX = -1;
    int32_t m_lastY = -1;
    int32_t m_lastZ = -1;
    int32_t m_yCount = 0;
    int32_t m_zCount = 0;
    std::vector<CJoystickSignal> m_signals;
};

// JOYSTICK methods.
class CMC_Joystick_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_GETBUTTONSTATE = 1,
        MTH_GETPOSITION = 2,
        MTH_ISLEFT = 3,
        MTH_ISRIGHT = 4,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
