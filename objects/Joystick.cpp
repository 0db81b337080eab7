#include "objects/Joystick.h"

#include <algorithm>
#include <cstdlib>

#include "core/Elements.h"
#include "display/Window.h"
#include "platform/Input.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_Joystick::CMC_Joystick(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_JOYSTICK), m_window(scene ? scene->getWindow() : nullptr) {
    if (element) {
        CXString port = element->getPropertyValue("PORT");
        if (port.IsString()) m_port = port.toNumber();
    }
    m_input = m_window ? m_window->getDIIfc() : nullptr;
    if (m_input) {
        m_device = m_input->controllerAt(m_port);
        // Polled also without a controller, to take one that comes.
        m_window->addIPoller(this);
    }
    if (element) initializeBehaviours(scene, element);
}

CMC_Joystick::~CMC_Joystick() {
    releaseAnchor();
    if (m_input) m_window->removeIPoller(this);
    flushSignals(false);
}

CXString** CMC_Joystick::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONBUTTONUP", "ONBUTTONDOWN", "ONMOVE"});
}

void CMC_Joystick::tick() {
    if (!m_input) return;
    CControllerState state;
    if (m_device < 0 || !m_input->readController(m_device, state)) {
        // None yet, or gone: one look per poll for the controller at the port's position.
        m_device = m_input->controllerAt(m_port);
        if (m_device < 0 || !m_input->readController(m_device, state)) {
            m_device = -1;
            return;
        }
    }
    poll(state);
}

void CMC_Joystick::poll(const CControllerState& state) {
    m_buttonCount = static_cast<int32_t>(state.buttons.size());
    if (m_buttons.size() < state.buttons.size()) m_buttons.resize(state.buttons.size(), 0);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const uint8_t down = i < state.buttons.size() && state.buttons[i] ? 1 : 0;
        if (down && !m_buttons[i])
            m_signals.emplace_back(CJoystickSignal::BUTTON_DOWN, static_cast<int32_t>(i));
        if (!down && m_buttons[i])
            m_signals.emplace_back(CJoystickSignal::BUTTON_UP, static_cast<int32_t>(i));
        m_buttons[i] = down;
    }

    const int32_t x = state.axes[0];
    if (std::abs(m_lastX - x) > 50) {
        m_signals.emplace_back("X", x > 5 ? "RIGHT" : "LEFT");
        m_lastX = x;
    }
    // Y and Z signal only a deflection held for more than three polls; after a Z signal the count stays, so
    // the next large Z move signals at once.
    const int32_t y = state.axes[1];
    if (std::abs(m_lastY - y) > 300) {
        if (++m_yCount > 3) {
            m_signals.emplace_back("Y", y > 0 ? "DOWN" : "UP");
            m_lastY = y;
            m_yCount = 0;
        }
    } else {
        m_yCount = 0;
    }
    const int32_t z = state.axes[2];
    if (std::abs(m_lastZ - z) > 300) {
        if (++m_zCount > 3) {
            m_signals.emplace_back("Z", z > 0 ? "IN" : "OUT");
            m_lastZ = z;
        }
    } else {
        m_zCount = 0;
    }
}

void CMC_Joystick::flushSignals(bool raise) {
    // A handler may delete this object: the queue goes first.
    std::vector<CJoystickSignal> signals;
    signals.swap(m_signals);
    if (!raise) return;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    for (const CJoystickSignal& s : signals) {
        if (!self->object) return;
        if (s.kind == CJoystickSignal::AXIS)
            raiseDetailed("ONMOVE", {s.axis, s.direction});
        else
            raiseDetailed(s.kind == CJoystickSignal::BUTTON_DOWN ? "ONBUTTONDOWN" : "ONBUTTONUP",
                          {CXString::toString(static_cast<int>(s.value))});
    }
}

int CMC_Joystick::getButtonState(int button) const {
    if (m_device < 0 || button < 0 || button >= m_buttonCount) return 0;
    return m_buttons[static_cast<size_t>(button)];
}

int CMC_Joystick::getAxis(int axis) const {
    if (axis == 0) return m_lastX;
    if (axis == 1) return m_lastY;
    return -1;
}

// ---- runner ----

void CMC_Joystick_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("GETBUTTONSTATE", MTH_GETBUTTONSTATE);
    addMethod("GETPOSITION", MTH_GETPOSITION);
    addMethod("ISLEFT", MTH_ISLEFT);
    addMethod("ISRIGHT", MTH_ISRIGHT);
}

CMC_Variable* CMC_Joystick_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (!object || object->getType() != TYPE_JOYSTICK || id < MTH_GETBUTTONSTATE || id > MTH_ISRIGHT)
        return CMC_Runner::run(id, object, container, args);
    auto* joystick = static_cast<CMC_Joystick*>(object);
    using namespace RunnerResults;
    // Taken before the arguments are read: reading one may run code that deletes the object.
    CMC_ArgumentsGuard guard(joystick, nullptr, args);
    int button = 0;
    CXString axis;
    if (id == MTH_GETBUTTONSTATE) button = getParameterInteger(args, 0)->getValue();
    if (id == MTH_GETPOSITION) axis = getParameterString(args, 0)->getValue();
    if (guard.gone()) return nullptr;
    switch (id) {
    case MTH_GETBUTTONSTATE:
        return integerResult(joystick->getButtonState(button) == 1 ? 1 : 0);
    case MTH_GETPOSITION: {
        // The last signalled value, scaled as the engine always has (so "Z", never signalled here, is 0).
        const int which = axis.equals("X") ? 0 : axis.equals("Y") ? 1 : axis.equals("Z") ? 2 : -1;
        if (which < 0) return integerResult(0);
        return integerResult(static_cast<int>(joystick->getAxis(which) / 65535.0 * 800.0));
    }
    case MTH_ISLEFT:
        return boolResult(joystick->getAxis(0) < 0);
    case MTH_ISRIGHT:
        return boolResult(joystick->getAxis(0) > 0);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
