#include "script/Runner.h"

#include "core/Log.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/Groupped.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

CXString eventKey(const CXString& text) {
    CXString key = text;
    key.Replace('$', '^');
    return key;
}

} // namespace

CMC_Runner::CMC_Runner() : m_lookupKey(new CStringHashCode("temp")) {}

CMC_Runner::~CMC_Runner() {
    clearMethods();
    delete m_lookupKey;
}

void CMC_Runner::clearMethods() {
    if (!m_methods) return;
    // The table owns its keys, not the ids.
    CXVector* ids = m_methods->getElements();
    for (int i = 0; ids && i < ids->getSize(); ++i) delete ids->at(i);
    delete m_methods;
    m_methods = nullptr;
}

void CMC_Runner::addMethod(const char* name, int id) {
    if (!m_methods) m_methods = new CHashtable(101, 0.75, true);
    // A type's own method takes the name from a common one (a GROUP's GETNAME).
    m_lookupKey->set(name);
    if (CXObject* old = m_methods->get(m_lookupKey)) {
        m_methods->remove(old);
        delete old;
    }
    m_methods->put(new CStringHashCode(name), new CInteger(id));
}

void CMC_Runner::prepareMthHashSet() {
    clearMethods();
    addMethod("SEND", MTH_SEND);
    addMethod("ADDTOGROUP", MTH_ADDTOGROUP);
    addMethod("ADDTOARRAY", MTH_ADDTOARRAY);
    addMethod("GETNAME", MTH_GETNAME);
    addMethod("CLONE", MTH_CLONE);
    addMethod("ADDBEHAVIOUR", MTH_ADDBEHAVIOUR);
    addMethod("GETCLONEINDEX", MTH_GETCLONEINDEX);
    addMethod("MSGBOX", MTH_MSGBOX);
    addMethod("RESETCLONES", MTH_RESETCLONES);
    addMethod("REMOVEBEHAVIOUR", MTH_REMOVEBEHAVIOUR);
    addMethod("GETCLONESNO", MTH_GETCLONESNO);
    addMethod("REMOVEALLBEHAVIOURS", MTH_REMOVEALLBEHAVIOURS);
    addMethod("REMOVEBEHAVIOURFORCE", MTH_REMOVEBEHAVIOURFORCE);
    addMethod("OVERIDESIGNALS", MTH_OVERIDESIGNALS);
}

void CMC_Runner::toDebug(const CXString&, int) {}

int CMC_Runner::resolveMethod(const CXString& name) {
    if (!m_methods) return -1;
    m_lookupKey->set(name.GetBuffer());
    auto* id = static_cast<CInteger*>(m_methods->get(m_lookupKey));
    return id ? id->toInt() : -1;
}

CMC_Variable* CMC_Runner::getParameter(CXVector* args, int index) {
    if (!args || index < 0 || index >= args->getSize()) return nullptr;
    auto* value = static_cast<CMC_Variable*>(args->at(index));
    // Its code may delete the expression itself; then the argument reads as missing.
    if (value && value->getType() == TYPE_EXPRESSION)
        return static_cast<CMC_Expression*>(value)->calculatedResult();
    return value;
}

namespace {

// The argument as the type; a missing argument (or one that does not convert) is the type's null value.
template <typename T>
T* typedParameter(CMC_Variable* value, int type, T* (*alloc)()) {
    CMC_Variable* converted = value ? value->convert(type) : nullptr;
    if (converted && converted->getType() == type) {
        // A temporary made here goes back at once; the caller reads it before anything else is taken.
        if (converted != value) CMC_Object::flush(converted);
        return static_cast<T*>(converted);
    }
    if (converted && converted != value) CMC_Object::flush(converted);
    T* null = alloc();
    null->clear();
    CMC_Object::flush(null);
    return null;
}

} // namespace

CXString CMC_Runner::argumentText(CMC_Variable* value) {
    if (!value) return CXString("");
    if (value->getType() == TYPE_STRING) return static_cast<CMC_String*>(value)->getValue();
    CMC_Variable* converted = value->convert(TYPE_STRING);
    CXString text;
    if (converted && converted->getType() == TYPE_STRING)
        text = static_cast<CMC_String*>(converted)->getValue();
    if (converted != value) CMC_Object::flush(converted);
    return text;
}

CMC_Bool* CMC_Runner::getParameterBool(CXVector* args, int index) {
    return typedParameter<CMC_Bool>(getParameter(args, index), TYPE_BOOL, &CMC_VariableFactory::allocBool);
}

CMC_Double* CMC_Runner::getParameterDouble(CXVector* args, int index) {
    return typedParameter<CMC_Double>(getParameter(args, index), TYPE_DOUBLE,
                                      &CMC_VariableFactory::allocDouble);
}

CMC_Integer* CMC_Runner::getParameterInteger(CXVector* args, int index) {
    return typedParameter<CMC_Integer>(getParameter(args, index), TYPE_INTEGER,
                                       &CMC_VariableFactory::allocInteger);
}

CMC_String* CMC_Runner::getParameterString(CXVector* args, int index) {
    return typedParameter<CMC_String>(getParameter(args, index), TYPE_STRING,
                                      &CMC_VariableFactory::allocString);
}

CMC_Variable* CMC_Runner::run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                              CXVector* args) {
    return run(resolveMethod(name), object, container, args);
}

CMC_Variable* CMC_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) {
    if (!object || id < MTH_SEND || id > MTH_OVERIDESIGNALS) return nullptr;
    int count = argumentCount(args);
    // Reading an argument may calculate an expression, whose code may delete the object or the container.
    std::shared_ptr<CMC_ObjectAnchor> self = object->anchor();
    std::shared_ptr<CMC_ObjectAnchor> where = container ? container->anchor() : nullptr;
    auto gone = [&self, &where] { return !self->object || (where && !where->object); };
    switch (id) {
    case MTH_SEND: {
        CMC_Variable* argument = getParameter(args, 0);
        if (!argument || gone()) return nullptr;
        CXString text = argumentText(argument);
        if (gone()) return nullptr;
        object->onSignal(text.GetAt(0) == '@' ? text : "ONSIGNAL^" + text);
        return nullptr;
    }
    case MTH_ADDTOGROUP: {
        // Despite its name, this one fills an ARRAY.
        if (count < 1 || !container) return nullptr;
        CXString name = getParameterString(args, 0)->getValue();
        if (gone()) return nullptr;
        CMC_Object* target = container->getObject(name);
        if (target && target->getType() == TYPE_ARRAY && object->getType() >= TYPE_INTEGER &&
            object->getType() <= TYPE_DOUBLE)
            static_cast<CMC_Array*>(target)->add(static_cast<CMC_Variable*>(object));
        return nullptr;
    }
    case MTH_ADDTOARRAY: {
        // And this one fills a GROUP.
        if (count < 1 || !container) return nullptr;
        CXString name = getParameterString(args, 0)->getValue();
        if (gone()) return nullptr;
        CMC_Object* target = container->getObject(name);
        if (target && target->getType() == TYPE_GROUP) static_cast<CMC_Groupped*>(target)->add(object);
        return nullptr;
    }
    case MTH_GETNAME: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(object->getName());
        return result;
    }
    case MTH_CLONE: {
        int clones = count > 0 ? getParameterInteger(args, 0)->getValue() : 1;
        if (!gone()) object->clone(clones);
        return nullptr;
    }
    case MTH_ADDBEHAVIOUR: {
        if (count < 2) return nullptr;
        CXString key = eventKey(getParameterString(args, 0)->getValue());
        CXString name = getParameterString(args, 1)->getValue();
        CXArray* list = nullptr;
        if (count > 2) {
            list = new CXArray(101, 0.75f);
            for (int i = 2; i < count; ++i) list->add(new CXString(getParameterString(args, i)->getValue()));
        }
        if (gone()) {
            CMC_Binding::freeArguments(list);
            return nullptr;
        }
        CMC_Object* found = container ? container->getObject(name) : nullptr;
        // A missing behaviour still leaves a binding, which is skipped when raised.
        object->addBehaviour(
            key, found && found->getType() == TYPE_BEHAVIOUR ? static_cast<CMC_Behaviour*>(found) : nullptr,
            list, container);
        return nullptr;
    }
    case MTH_GETCLONEINDEX: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(object->getCloneIdx());
        return result;
    }
    case MTH_MSGBOX:
        return nullptr;
    case MTH_RESETCLONES:
        object->resetClones();
        return nullptr;
    case MTH_REMOVEBEHAVIOUR: {
        if (count < 1) return nullptr;
        CXString key = eventKey(getParameterString(args, 0)->getValue());
        if (!gone()) object->removeBehaviour(key, container);
        return nullptr;
    }
    case MTH_GETCLONESNO: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(object->getClonesNo());
        return result;
    }
    case MTH_REMOVEALLBEHAVIOURS:
        object->removeAllBehaviours();
        return nullptr;
    case MTH_REMOVEBEHAVIOURFORCE: {
        if (count < 1) return nullptr;
        CXString key = eventKey(getParameterString(args, 0)->getValue());
        if (!gone()) object->removeBehaviourForce(key);
        return nullptr;
    }
    case MTH_OVERIDESIGNALS: {
        if (count < 1) return nullptr;
        bool flag = getParameterBool(args, 0)->getValue();
        if (!gone()) object->overideSignals(flag);
        return nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
