#include "script/Structure.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/StringTokenizer.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

CMC_Structure::CMC_Structure(const CXString& name)
    : CMC_Variable(name, TYPE_STRUCTURE), m_fields(new CXVector(101, 0.75f)) {}

CMC_Structure::CMC_Structure(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_STRUCTURE, NoBinding{}), m_fields(new CXVector(101, 0.75f)) {
    if (element) {
        CXArray* items = element->getPropertyValue("FIELDS").toVector(",");
        for (int i = 0; items && i < items->getSize(); ++i) {
            CXString item = *static_cast<CXString*>(items->at(i));
            item.AllTrim();
            int open = item.Find('<');
            int close = item.Find('>', open + 1);
            if (open <= 0 || close < open) continue;
            CXString field = item.Left(open);
            field.AllTrim();
            CXString type = item.Mid(open + 1, close);
            type.AllTrim();
            declare(m_name + "_" + field, type);
        }
        CXString::releaseToVector(items);
    }
    initializeBehaviours(scene, element);
}

CMC_Structure::~CMC_Structure() {
    flush();
    delete m_fields;
}

CXVector* CMC_Structure::fields() {
    if (m_mapped) {
        // The other structure's own list, read each time, so fields it drops are never read here.
        if (CMC_Object* source = m_mappedFrom.current()) return static_cast<CMC_Structure*>(source)->fields();
        m_mapped = false;
        m_mappedFrom.clear();
    }
    return m_fields;
}

int CMC_Structure::getFieldsNo() { return fields()->getSize(); }

CXString** CMC_Structure::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

CMC_Runner* CMC_Structure::getRunner() { return CMC_RunnerFactory::getRunner(TYPE_STRUCTURE); }

void CMC_Structure::declare(const CXString& name, const CXString& type) {
    CMC_Variable* field = nullptr;
    if (type.equalsIgnoreCase("BOOL"))
        field = new CMC_Bool(name);
    else if (type.equalsIgnoreCase("DOUBLE"))
        field = new CMC_Double(name);
    else if (type.equalsIgnoreCase("INTEGER"))
        field = new CMC_Integer(name);
    else if (type.equalsIgnoreCase("STRING"))
        field = new CMC_String(name);
    if (field) fields()->add(field);
}

CMC_Variable* CMC_Structure::getField(const CXString& name) {
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) {
        auto* field = static_cast<CMC_Variable*>(list->at(i));
        const CXString& full = field->name();
        int at = full.FindLast('_');
        if ((at >= 0 ? full.Right(at + 1) : full).equals(name)) return field;
    }
    return nullptr;
}

CMC_Variable* CMC_Structure::getField(int index) {
    CXVector* list = fields();
    if (index < 0 || index >= list->getSize()) return nullptr;
    return static_cast<CMC_Variable*>(list->at(index));
}

void CMC_Structure::setField(const CXString& name, CMC_Variable* value) {
    if (CMC_Variable* field = getField(name)) field->set(value);
}

void CMC_Structure::setField(int index, CMC_Variable* value) {
    if (CMC_Variable* field = getField(index)) field->set(value);
}

void CMC_Structure::set(CMC_Variable* other) {
    if (!other || other->getType() != TYPE_STRUCTURE || other == this) return;
    auto* source = static_cast<CMC_Structure*>(other);
    int count = getFieldsNo();
    for (int i = 0; i < count; ++i) {
        CMC_Variable* from = source->getField(i);
        if (!from) break;
        if (CMC_Variable* field = getField(i)) field->set(from);
    }
}

void CMC_Structure::map(CMC_Structure* other) {
    // A structure that reads this one's fields, directly or through others, cannot lend its own.
    for (CMC_Structure* at = other; at;
         at = at->m_mapped ? static_cast<CMC_Structure*>(at->m_mappedFrom.current()) : nullptr)
        if (at == this) return;
    flush();
    m_mapped = true;
    m_mappedFrom.set(other);
}

void CMC_Structure::flush() {
    // Mapped fields belong to the other structure: only the mapping goes.
    m_mapped = false;
    m_mappedFrom.clear();
    for (int i = 0; i < m_fields->getSize(); ++i) delete m_fields->at(i);
    m_fields->removeAll();
}

void CMC_Structure::clear() {
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) static_cast<CMC_Variable*>(list->at(i))->clear();
}

void CMC_Structure::setDefault(CMC_Variable* value) {
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) static_cast<CMC_Variable*>(list->at(i))->setDefault(value);
}

void CMC_Structure::resetINI() {
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) static_cast<CMC_Variable*>(list->at(i))->resetINI();
}

void CMC_Structure::store(CXArchive* archive) {
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) static_cast<CMC_Variable*>(list->at(i))->store(archive);
}

void CMC_Structure::restore(CXArchive* archive) {
    // Each field's stored record starts with its type id.
    CXVector* list = fields();
    for (int i = 0; archive && i < list->getSize(); ++i) {
        int type = 0;
        *archive >> &type;
        auto* field = static_cast<CMC_Variable*>(list->at(i));
        if (type != field->getType()) break;
        field->restore(archive);
    }
}

bool CMC_Structure::equals(CMC_Variable* other) {
    if (!other || other->getType() != TYPE_STRUCTURE) return false;
    auto* source = static_cast<CMC_Structure*>(other);
    int count = getFieldsNo();
    for (int i = 0; i < count; ++i) {
        CMC_Variable* theirs = source->getField(i);
        if (!theirs || !getField(i)->equals(theirs)) return false;
    }
    return true;
}

CXString CMC_Structure::toString() {
    CXString text;
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) {
        if (i > 0) text += "|";
        text += static_cast<CMC_Variable*>(list->at(i))->toString();
    }
    return text;
}

void CMC_Structure::fromString(const CXString& text) {
    // Empty pieces keep their places, so an empty text leaves the later fields where toString put them.
    CStringTokenizer pieces(text, CXString("|\n"), true);
    int count = getFieldsNo();
    for (int i = 0; i < count && pieces.hasMoreTokens(); ++i) getField(i)->fromString(pieces.nextToken());
}

CXObject* CMC_Structure::clone() {
    auto* copy = new CMC_Structure(m_name);
    CXVector* list = fields();
    for (int i = 0; i < list->getSize(); ++i) {
        auto* field = static_cast<CMC_Variable*>(list->at(i));
        copy->declare(field->name(), typeToString(field->getType()));
        if (CMC_Variable* made = copy->getField(i)) made->set(field);
    }
    return copy;
}

int CMC_Structure::getBufferLen() { return 0; }
void CMC_Structure::netstore(void*) {}
bool CMC_Structure::netrestore(const void*, int) { return false; }
void CMC_Structure::inc() {}
void CMC_Structure::dec() {}
void CMC_Structure::swap(CMC_Variable*, CMC_Variable*) {}
int CMC_Structure::compare(CMC_Variable*) { return 0; }
CMC_Variable* CMC_Structure::convert(int) { return nullptr; }
CMC_Variable* CMC_Structure::calculate(CMC_Variable*, int) { return this; }

// ---- runner ----

void CMC_Structure_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("SET", MTH_SET);
    addMethod("SETFIELD", MTH_SETFIELD);
    addMethod("GETFIELD", MTH_GETFIELD);
}

CMC_Variable* CMC_Structure_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                        CXVector* args) {
    if (id < MTH_SET || id > MTH_GETFIELD) return CMC_Runner::run(id, object, container, args);
    if (!object || object->getType() != TYPE_STRUCTURE) return nullptr;
    auto* structure = static_cast<CMC_Structure*>(object);
    int count = argumentCount(args);
    // Reading an argument may calculate an expression, whose code may delete the structure or the container.
    std::shared_ptr<CMC_ObjectAnchor> self = structure->anchor();
    std::shared_ptr<CMC_ObjectAnchor> where = container ? container->anchor() : nullptr;
    auto gone = [&self, &where] { return !self->object || (where && !where->object); };
    switch (id) {
    case MTH_SET:
        if (count == 1) {
            CXString name = getParameterString(args, 0)->getValue();
            if (gone()) return nullptr;
            CMC_Object* source = container ? container->getObject(name) : nullptr;
            if (source && source->getType() == TYPE_STRUCTURE)
                structure->set(static_cast<CMC_Variable*>(source));
        } else {
            for (int i = 0; i < count && i < structure->getFieldsNo(); ++i) {
                CMC_Variable* value = getParameter(args, i);
                if (gone()) return nullptr;
                structure->setField(i, value);
            }
        }
        return nullptr;
    case MTH_SETFIELD: {
        if (count < 2) return nullptr;
        CXString name = getParameterString(args, 0)->getValue();
        CMC_Variable* value = getParameter(args, 1);
        if (!gone()) structure->setField(name, value);
        return nullptr;
    }
    case MTH_GETFIELD: {
        CMC_Variable* selector = getParameter(args, 0);
        if (!selector || gone()) return nullptr;
        CMC_Variable* field = selector->getType() == TYPE_INTEGER
                                  ? structure->getField(static_cast<CMC_Integer*>(selector)->getValue())
                                  : structure->getField(argumentText(selector));
        return field ? CMC_VariableFactory::copyVariable(field) : nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
