#include "script/Vector.h"

#include <cmath>
#include <memory>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "script/CollectionSupport.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

using namespace CollectionSupport;
using namespace RunnerResults;

namespace {

bool sizeAllowed(const CXString& name, long long size) {
    if (size <= CMC_Vector::kMaxSize) return true;
    logMessage("VECTOR %s: %lld components refused (at most %d)", name.GetBuffer(), size,
               CMC_Vector::kMaxSize);
    return false;
}

} // namespace

CMC_Vector::CMC_Vector(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_VECTOR) {
    if (element) {
        int size = element->getPropertyIntValue("SIZE");
        if (size > 0 && sizeAllowed(m_name, size)) m_values.assign(static_cast<size_t>(size), 0.0);
        CXArray* list = element->getPropertyListValue("VALUE");
        for (int i = 0; list && i < list->getSize(); ++i) {
            auto* text = static_cast<CXString*>(list->at(i));
            if (i < getSize()) m_values[static_cast<size_t>(i)] = text->toDouble();
            delete text;
        }
        delete list;
    }
    initializeBehaviours(scene, element);
}

CXObject* CMC_Vector::clone() {
    auto* copy = new CMC_Vector(getScene(), nullptr);
    copy->setName(CXString("clone"));
    copy->m_values = m_values;
    return copy;
}

CXString CMC_Vector::toString() {
    CXString text;
    for (size_t i = 0; i < m_values.size(); ++i) {
        if (i) text += ',';
        text += CXString::toString(m_values[i]);
    }
    return text;
}

CXString** CMC_Vector::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_Vector::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << static_cast<int32_t>(m_values.size());
        for (double value : m_values) *archive << value;
        return;
    }
    int32_t size = 0;
    *archive >> &size;
    CFile* file = archive->GetFileHandle();
    long long left = file ? static_cast<long long>(file->Length()) - file->Tell() : 0;
    if (!archive->good() || size < 0 || static_cast<long long>(size) * 4 > left || size > kMaxSize) {
        logMessage("VECTOR %s: a stored size of %d cannot be read", m_name.GetBuffer(), size);
        archive->setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    std::vector<double> values(static_cast<size_t>(size));
    for (double& value : values) *archive >> &value;
    if (archive->good()) m_values.swap(values);
}

double CMC_Vector::get(int index) const {
    return index >= 0 && index < getSize() ? m_values[static_cast<size_t>(index)] : 0.0;
}

void CMC_Vector::set(int index, double value) {
    if (index >= 0 && index < getSize()) m_values[static_cast<size_t>(index)] = value;
}

void CMC_Vector::fill(double value) { m_values.assign(m_values.size(), value); }

double CMC_Vector::dot(const CMC_Vector& other) const {
    if (other.getSize() != getSize()) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < m_values.size(); ++i) sum += m_values[i] * other.m_values[i];
    return sum;
}

double CMC_Vector::length() const { return std::sqrt(dot(*this)); }

void CMC_Vector::add(const CMC_Vector& other, double sign) {
    if (other.getSize() != getSize()) return;
    // Added to itself, each component reads its own value first.
    for (size_t i = 0; i < m_values.size(); ++i) m_values[i] += sign * other.m_values[i];
}

void CMC_Vector::scale(double factor) {
    for (double& value : m_values) value *= factor;
}

void CMC_Vector::normalize() {
    double l = length();
    if (l != 0.0) scale(1.0 / l);
}

void CMC_Vector::reflect(const CMC_Vector& normal, CMC_Vector* out) const {
    if (!out) return;
    double d = dot(normal);
    std::vector<double> own = m_values; // out may be this vector, or the normal
    std::vector<double> n = normal.m_values;
    size_t count = std::min({out->m_values.size(), own.size(), n.size()});
    for (size_t i = 0; i < count; ++i) out->m_values[i] = 2.0 * d * n[i] - own[i];
}

void CMC_Vector::expand(int n) {
    if (n <= getSize() || !sizeAllowed(m_name, n)) return;
    std::vector<double> grown(static_cast<size_t>(n - getSize()), 0.0);
    grown.insert(grown.end(), m_values.begin(), m_values.end());
    m_values.swap(grown);
}

void CMC_Vector::assign(const CMC_Vector& other) {
    size_t count = std::min(m_values.size(), other.m_values.size());
    for (size_t i = 0; i < count; ++i) m_values[i] = other.m_values[i];
}

// ---- runner ----

void CMC_Vector_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD);
    addMethod("GET", MTH_GET);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("VMUL", MTH_VMUL);
    addMethod("SMUL", MTH_SMUL);
    addMethod("MUL", MTH_MUL);
    addMethod("LEN", MTH_LEN);
    addMethod("NORMALIZE", MTH_NORMALIZE);
    addMethod("REFLECT", MTH_REFLECT);
    addMethod("EXPAND", MTH_EXPAND);
    addMethod("SET", MTH_SET);
    addMethod("ASSIGN", MTH_ASSIGN);
    addMethod("SUB", MTH_SUB);
    addMethod("NEG", MTH_NEG);
}

CMC_Variable* CMC_Vector_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                     CXVector* args) {
    if (!object || object->getType() != TYPE_VECTOR) return CMC_Runner::run(id, object, container, args);
    auto* vector = static_cast<CMC_Vector*>(object);
    int count = argumentCount(args);
    std::shared_ptr<CMC_ObjectAnchor> self = vector->anchor();
    std::shared_ptr<CMC_ObjectAnchor> where = container ? container->anchor() : nullptr;
    auto gone = [&] { return !self->object || (where && !where->object); };
    // The names are all read before any is looked up: reading one may run code that deletes another.
    auto names = [&](int from) {
        std::vector<CXString> list;
        for (int i = from; i < count; ++i) list.push_back(nameIn(getParameter(args, i), TYPE_VECTOR));
        return list;
    };
    auto vectorNamed = [&](const CXString& name) {
        return static_cast<CMC_Vector*>(objectOfType(container, name, TYPE_VECTOR));
    };
    switch (id) {
    case MTH_ADD:
    case MTH_SUB: {
        std::vector<CXString> list = names(0);
        if (gone()) return nullptr;
        for (const CXString& name : list)
            if (CMC_Vector* other = vectorNamed(name)) vector->add(*other, id == MTH_ADD ? 1.0 : -1.0);
        return nullptr;
    }
    case MTH_GET: {
        int index = getParameterInteger(args, 0)->getValue();
        if (gone() || index < 0 || index >= vector->getSize()) return nullptr;
        return doubleResult(vector->get(index));
    }
    case MTH_GETSIZE:
        return integerResult(vector->getSize());
    case MTH_VMUL:
        return nullptr;
    case MTH_SMUL: {
        std::vector<CXString> list = names(0);
        if (gone()) return nullptr;
        CMC_Vector* other = list.empty() ? nullptr : vectorNamed(list.front());
        return doubleResult(other ? vector->dot(*other) : 0.0);
    }
    case MTH_MUL: {
        double factor = getParameterDouble(args, 0)->getValue();
        if (!gone()) vector->scale(factor);
        return nullptr;
    }
    case MTH_LEN:
        return doubleResult(vector->length());
    case MTH_NORMALIZE:
        vector->normalize();
        return nullptr;
    case MTH_NEG:
        vector->scale(-1.0);
        return nullptr;
    case MTH_REFLECT: {
        std::vector<CXString> list = names(0);
        if (gone() || list.size() < 2) return nullptr;
        CMC_Vector* normal = vectorNamed(list[0]);
        CMC_Vector* out = vectorNamed(list[1]);
        if (normal && out) vector->reflect(*normal, out);
        return nullptr;
    }
    case MTH_EXPAND: {
        int size = getParameterInteger(args, 0)->getValue();
        if (!gone()) vector->expand(size);
        return nullptr;
    }
    case MTH_SET: {
        if (count >= 2) {
            int index = getParameterInteger(args, 0)->getValue();
            double value = getParameterDouble(args, 1)->getValue();
            if (!gone()) vector->set(index, value);
            return nullptr;
        }
        CMC_Variable* argument = getParameter(args, 0);
        if (!argument || gone()) return nullptr;
        // The number is read before the name: turning a temporary into text hands it back.
        double value = 0.0;
        CMC_Double::valueOf(argument, &value);
        CXString name = nameIn(argument, TYPE_VECTOR);
        if (CMC_Vector* other = vectorNamed(name))
            vector->assign(*other);
        else
            vector->fill(value);
        return nullptr;
    }
    case MTH_ASSIGN: {
        std::vector<double> values;
        for (int i = 0; i < count; ++i) values.push_back(getParameterDouble(args, i)->getValue());
        if (gone()) return nullptr;
        for (size_t i = 0; i < values.size(); ++i) vector->set(static_cast<int>(i), values[i]);
        return nullptr;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
