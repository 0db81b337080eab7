#include "script/Variable.h"

#include "core/Archive.h"
#include "core/Config.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Window.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/Services.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

void NetBytes::putU32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t NetBytes::getU32(const unsigned char* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

CMC_Variable::CMC_Variable(const CXString& name, int type) : CMC_Object(name, type) {}

CMC_Variable::CMC_Variable(const CXString& name, int type, int id) : CMC_Object(name, type), m_id(id) {}

CMC_Variable::CMC_Variable(CMC_ObjectsContainer* scene, CMElement* element, int type)
    : CMC_Variable(scene, element, type, NoBinding{}) {
    initializeBehaviours(scene, element);
}

CMC_Variable::CMC_Variable(CMC_ObjectsContainer* scene, CMElement* element, int type, NoBinding)
    : CMC_Object(scene, element, type) {
    if (element) {
        m_toIni = element->getPropertyBoolValue("TOINI");
        m_netNotify = m_toIni || element->getPropertyBoolValue("NETNOTIFY");
    }
}

int CMC_Variable::compare(CXObject* other) {
    auto* value = dynamic_cast<CMC_Variable*>(other);
    return value ? compare(value) : CMC_Object::compare(other);
}

CXString** CMC_Variable::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCHANGED", "ONBRUTALCHANGED", "ONNETCHANGE"});
}

CXString CMC_Variable::iniSection() {
    CMC_ObjectsContainer* scene = getScene();
    return scene ? scene->getName() : CXString("");
}

CMC_Settings* CMC_Variable::getConfig() { return configOf(getScene()); }

CMC_Settings* CMC_Variable::configOf(CMC_ObjectsContainer* scene) {
    CWindow* window = scene ? scene->getWindow() : nullptr;
    CMC_Host* host = CMC_Host::get();
    return host && window ? host->config(window) : nullptr;
}

void CMC_Variable::init() {
    if (m_toIni) {
        CMC_Settings* config = getConfig();
        if (!config) {
            logMessage("%s: no configuration file, the saved value is neither read nor written",
                       m_name.GetBuffer());
        } else {
            CXString section = iniSection();
            // A value of its own, not a pool temporary: converting a temporary hands it back, and a
            // second hand-back here could free one a change handler has taken meanwhile.
            CMC_String text(CXString("f"), config->GetString(section, m_name));
            std::shared_ptr<CMC_ObjectAnchor> self = anchor();
            if (text.getValue().IsString())
                set(&text);
            else
                config->PutString(section, m_name, toString());
            if (!self->object) return;
        }
    }
    CMC_Object::init();
}

void CMC_Variable::noticeChange(bool changed) {
    // Handlers may delete this very value; stop as soon as it is gone.
    std::shared_ptr<CMC_ObjectAnchor> self;
    if (hasHandler(EVT_VAR_ONBRUTALCHANGED)) {
        self = anchor();
        if (!onSignal("ONBRUTALCHANGED^" + toString())) {
            if (!self->object) return;
            onSignal("ONBRUTALCHANGED");
        }
        if (!self->object) return;
    }
    if (changed && hasHandler(EVT_VAR_ONCHANGED)) {
        if (!self) self = anchor();
        if (!onSignal("ONCHANGED^" + toString())) {
            if (!self->object) return;
            onSignal("ONCHANGED");
        }
        if (!self->object) return;
    }
    if (!changed) return;
    if (m_toIni) {
        if (CMC_Settings* config = getConfig()) config->PutString(iniSection(), m_name, toString());
    }
    if (!m_netNotify) return;
    CMC_ObjectsContainer* scene = getScene();
    if (!scene) return;
    if (CMC_NetServices* net = CMC_NetServices::get()) net->sendChange(scene, this);
}

void CMC_Variable::onNetChange(CMC_Variable* value) {
    if (hasHandler(EVT_VAR_ONNETCHANGE)) {
        std::shared_ptr<CMC_ObjectAnchor> self = anchor();
        onSignal("ONNETCHANGE");
        if (!self->object) return;
    }
    bool notify = m_netNotify;
    m_netNotify = false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    set(value);
    if (self->object) m_netNotify = notify;
}

void CMC_Variable::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_toIni;
        *archive << m_netNotify;
    } else {
        *archive >> &m_toIni;
        *archive >> &m_netNotify;
    }
}

CMC_Variable* CMC_Variable::convertExpression(CMC_Variable* other, int type) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Variable* converted = other->convert(type);
    if (self->object) return converted;
    if (converted && converted != other) flush(converted);
    return nullptr;
}

void CMC_Variable::set(CMC_Variable*) {}
void CMC_Variable::clear() {}
void CMC_Variable::swap(CMC_Variable*, CMC_Variable*) {}
void CMC_Variable::inc() {}
void CMC_Variable::dec() {}
bool CMC_Variable::equals(CMC_Variable*) { return false; }
int CMC_Variable::compare(CMC_Variable*) { return 0; }
CMC_Variable* CMC_Variable::convert(int) { return nullptr; }
CMC_Variable* CMC_Variable::calculate(CMC_Variable*, int) { return nullptr; }
void CMC_Variable::setDefault(CMC_Variable*) {}
void CMC_Variable::resetINI() {}
int CMC_Variable::getBufferLen() { return 0; }
void CMC_Variable::netstore(void*) {}
bool CMC_Variable::netrestore(const void*, int) { return false; }
void CMC_Variable::store(CXArchive*) {}
void CMC_Variable::restore(CXArchive*) {}
void CMC_Variable::fromString(const CXString&) {}

bool CMC_Variable::isNumber(const CXString& text) {
    int length = text.GetLength();
    if (length == 0) return false;
    char first = text.GetAt(0);
    if (first != '-' && (first < '0' || first > '9')) return false;
    if (length > 1 && first == '0' && text.GetAt(1) != '.') return false;
    for (int i = 1; i < length; ++i) {
        char c = text.GetAt(i);
        if (c != '.' && (c < '0' || c > '9')) return false;
    }
    return true;
}

CMC_Variable* CMC_Variable::resolve(const CXString& text) {
    if (!text.IsString()) {
        CMC_String* value = CMC_VariableFactory::allocString();
        value->setValue("");
        return value;
    }
    if (text.GetAt(0) == '"') {
        CXString inner = text.Right(1);
        if (inner.GetLength() > 0 && inner.lastChar() == '"') inner = inner.Left(inner.GetLength() - 1);
        CMC_String* value = CMC_VariableFactory::allocString();
        value->setValue(inner);
        return value;
    }
    if (isNumber(text)) {
        if (text.Find('.') < 0) {
            CMC_Integer* value = CMC_VariableFactory::allocInteger();
            value->setValue(text.toNumber());
            return value;
        }
        CMC_Double* value = CMC_VariableFactory::allocDouble();
        value->setValue(text.toDouble());
        return value;
    }
    if (text.equals("TRUE") || text.equals("FALSE")) {
        CMC_Bool* value = CMC_VariableFactory::allocBool();
        value->setValue(text.equals("TRUE"));
        return value;
    }
    CMC_String* value = CMC_VariableFactory::allocString();
    value->setValue(text);
    return value;
}

} // namespace KavirelDLL
