#include "objects/Keyboard.h"

#include "core/Log.h"
#include "display/Window.h"
#include "input/Keyboard.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"

namespace KavirelDLL {

CMC_Keyboard::CMC_Keyboard(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_KEYBOARD), m_window(scene ? scene->getWindow() : nullptr) {
    setName("KEYBOARD");
    if (m_window) m_window->registerKeyListener(this);
    if (element) initializeBehaviours(scene, element);
}

CMC_Keyboard::~CMC_Keyboard() {
    releaseAnchor();
    if (m_window) m_window->removeKeyListener(this);
}

CXString** CMC_Keyboard::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCHAR", "ONKEYDOWN", "ONKEYUP"});
}

namespace {

CXString oneChar(char c) {
    CXString text;
    text += c;
    return text;
}

} // namespace

CXString CMC_Keyboard::getKeySignal(int code) {
    static const char* const kTopRow = "QWERTYUIOP";   // 16-25
    static const char* const kMiddleRow = "ASDFGHJKL"; // 30-38
    static const char* const kBottomRow = "ZXCVBNM";   // 44-50
    if (code >= 2 && code <= 10) return oneChar(static_cast<char>('1' + code - 2));
    if (code >= 16 && code <= 25) return oneChar(kTopRow[code - 16]);
    if (code >= 30 && code <= 38) return oneChar(kMiddleRow[code - 30]);
    if (code >= 44 && code <= 50) return oneChar(kBottomRow[code - 44]);
    if (code >= 59 && code <= 68) return "F" + CXString::toString(code - 58);
    switch (code) {
    case 1:
        return "ESC";
    case 11:
    case 82:
        return "0";
    case 79:
        return "1";
    case 80:
        return "2";
    case 81:
        return "3";
    case 75:
        return "4";
    case 76:
        return "5";
    case 77:
        return "6";
    case 71:
        return "7";
    case 72:
        return "8";
    case 73:
        return "9";
    case 15:
        return "TAB";
    case 28:
        return "ENTER";
    case 29:
        return "LCTRL";
    case 42:
        return "LSHIFT";
    case 54:
        return "RSHIFT";
    case 56:
        return "LALT";
    case 57:
        return "SPACE";
    case 58:
        return "CAPSLOCK";
    case 87:
        return "F11";
    case 88:
        return "F12";
    case 157:
        return "RCTRL";
    case 184:
        return "RALT";
    case 199:
        return "HOME";
    case 200:
        return "UP";
    case 201:
        return "PGUP";
    case 203:
        return "LEFT";
    case 205:
        return "RIGHT";
    case 207:
        return "END";
    case 208:
        return "DOWN";
    case 209:
        return "PGDN";
    case 210:
        return "INSERT";
    case 211:
        return "DELETE";
    default:
        return "";
    }
}

void CMC_Keyboard::onKey(int code, int event, const char* name) {
    if (!m_enabled || !hasHandler(event)) return;
    m_latestKey = getKeySignal(code);
    if (m_latestKey.IsString())
        raiseDetailed(name, {m_latestKey});
    else
        onSignal(name);
}

void CMC_Keyboard::onKeyDown(int code) { onKey(code, EVT_KEYBOARD_ONKEYDOWN, "ONKEYDOWN"); }

void CMC_Keyboard::onKeyUp(int code) { onKey(code, EVT_KEYBOARD_ONKEYUP, "ONKEYUP"); }

void CMC_Keyboard::onChar(unsigned char ch) {
    if (!m_enabled || !hasHandler(EVT_KEYBOARD_ONCHAR)) return;
    m_latestChar = ch;
    m_latestKey = oneChar(static_cast<char>(ch));
    raiseDetailed("ONCHAR", {m_latestKey});
}

// ---- runner ----

void CMC_Keyboard_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ENABLE", MTH_ENABLE);
    addMethod("DISABLE", MTH_DISABLE);
    addMethod("SETAUTOREPEAT", MTH_SETAUTOREPEAT);
    addMethod("ISKEYDOWN", MTH_ISKEYDOWN);
    addMethod("GETLATESTKEY", MTH_GETLATESTKEY);
    addMethod("ISENABLED", MTH_ISENABLED);
    addMethod("GETLATESTKEYS", MTH_GETLATESTKEYS);
}

CMC_Variable* CMC_Keyboard_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (!object || object->getType() != TYPE_KEYBOARD) return CMC_Runner::run(id, object, container, args);
    auto* keyboard = static_cast<CMC_Keyboard*>(object);
    using namespace RunnerResults;
    // Taken before the arguments are read: reading one may run code that deletes the object.
    CMC_ArgumentsGuard guard(keyboard, container, args);
    const bool hasArgument = argumentCount(args) > 0;
    bool flag = false;
    CXString text;
    if (id == MTH_SETAUTOREPEAT) flag = getParameterBool(args, 0)->getValue();
    if ((id == MTH_ISKEYDOWN || id == MTH_GETLATESTKEYS) && hasArgument)
        text = getParameterString(args, 0)->getValue();
    if (guard.gone()) return nullptr;
    CKeyboard* device = keyboard->getWindow() ? keyboard->getWindow()->getKeyboardInterface() : nullptr;
    switch (id) {
    case MTH_ENABLE:
        keyboard->enable();
        return nullptr;
    case MTH_DISABLE:
        keyboard->disable();
        return nullptr;
    case MTH_SETAUTOREPEAT:
        if (device) device->setAutoRepeat(flag);
        return nullptr;
    case MTH_ISKEYDOWN:
        // Without a name it asks the keyboard whatever this object's switch says.
        if (!hasArgument) return boolResult(device && device->isAnyKeyPressed());
        return boolResult(keyboard->isEnabled() && device && device->isKeyPressed(text));
    case MTH_GETLATESTKEY:
        return stringResult(keyboard->getLatestKey());
    case MTH_ISENABLED:
        return boolResult(keyboard->isEnabled());
    case MTH_GETLATESTKEYS: {
        CMC_Object* target = container && hasArgument ? container->getObject(text) : nullptr;
        if (!target || target->getType() != TYPE_ARRAY) {
            logMessage("KEYBOARD GETLATESTKEYS: \"%s\" is no ARRAY", text.GetBuffer());
            return nullptr;
        }
        auto* array = static_cast<CMC_Array*>(target);
        std::shared_ptr<CMC_ObjectAnchor> alive = array->anchor();
        std::deque<CXString> keys;
        keys.swap(keyboard->getLatestKeys());
        for (const CXString& key : keys) {
            if (!alive->object) break;
            CMC_String name(CXString(""), key);
            array->add(&name);
        }
        return nullptr;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
