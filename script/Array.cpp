#include "script/Array.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "core/Archive.h"
#include "core/Config.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Folder.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/StringTokenizer.h"
#include "core/WholeFile.h"
#include "core/XRandom.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/CollectionSupport.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"
#include "script/Services.h"

namespace KavirelDLL {

using namespace CollectionSupport;
using namespace RunnerResults;

namespace {

// FILL and ADDCLONES make one element per step; more than this is a script's mistake that would only
// exhaust memory.
constexpr long long kMaxMade = 1000000;

bool tooMany(const CXString& array, const char* method, long long count) {
    if (count <= kMaxMade) return false;
    logMessage("ARRAY %s: %s of %lld elements refused", array.GetBuffer(), method, count);
    return true;
}

// Each element in a plain vector, for the sorts.
std::vector<CMC_Variable*> elementsOf(CXArray* list) {
    std::vector<CMC_Variable*> items(static_cast<size_t>(list->getSize()));
    for (int i = 0; i < list->getSize(); ++i)
        items[static_cast<size_t>(i)] = static_cast<CMC_Variable*>(list->at(i));
    return items;
}

// Sorts by a key each element gives once; stable.
template <typename Key, typename KeyOf>
void sortByKey(std::vector<CMC_Variable*>& items, KeyOf keyOf) {
    std::vector<std::pair<Key, CMC_Variable*>> keyed;
    keyed.reserve(items.size());
    for (CMC_Variable* item : items) keyed.emplace_back(keyOf(item), item);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < items.size(); ++i) items[i] = keyed[i].second;
}

// The order of inserting each element before the first one that compares greater: the order of mixed
// types, where compare converts and is no strict order.
void sortByInsertion(std::vector<CMC_Variable*>& items) {
    CSortedVector sorted(static_cast<int>(items.size()) + 1);
    for (CMC_Variable* item : items) sorted.add(item);
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = static_cast<CMC_Variable*>(sorted.at(static_cast<int>(i)));
}

void sortElements(std::vector<CMC_Variable*>& items) {
    if (items.empty()) return;
    int type = items.front()->getType();
    bool oneType =
        std::all_of(items.begin(), items.end(), [type](CMC_Variable* v) { return v->getType() == type; });
    if (!oneType) {
        sortByInsertion(items);
        return;
    }
    switch (type) {
    case TYPE_INTEGER:
        sortByKey<int32_t>(items, [](CMC_Variable* v) { return static_cast<CMC_Integer*>(v)->getValue(); });
        return;
    case TYPE_BOOL:
        sortByKey<int>(items, [](CMC_Variable* v) { return static_cast<CMC_Bool*>(v)->getValue() ? 1 : 0; });
        return;
    case TYPE_DOUBLE: {
        // A value that is not a number compares greater than everything and everything greater than it.
        bool ordered = std::none_of(items.begin(), items.end(), [](CMC_Variable* v) {
            return std::isnan(static_cast<CMC_Double*>(v)->getValue());
        });
        if (ordered)
            sortByKey<double>(items, [](CMC_Variable* v) { return static_cast<CMC_Double*>(v)->getValue(); });
        else
            sortByInsertion(items);
        return;
    }
    case TYPE_STRING:
        std::stable_sort(items.begin(), items.end(), [](CMC_Variable* a, CMC_Variable* b) {
            return std::strcmp(static_cast<CMC_String*>(a)->value().GetBuffer(),
                               static_cast<CMC_String*>(b)->value().GetBuffer()) < 0;
        });
        return;
    default:
        sortByInsertion(items);
        return;
    }
}

// The empty value of the element's type, as the shifts leave it.
void emptyValue(CMC_Variable* element) {
    switch (element->getType()) {
    case TYPE_INTEGER:
        static_cast<CMC_Integer*>(element)->setValue(0);
        break;
    case TYPE_STRING:
        static_cast<CMC_String*>(element)->setValue(CXString("NULL"));
        break;
    case TYPE_BOOL:
        static_cast<CMC_Bool*>(element)->setValue(false);
        break;
    case TYPE_DOUBLE:
        static_cast<CMC_Double*>(element)->setValue(0.0);
        break;
    default:
        break;
    }
}

// A marker moved by steps, kept inside 0 .. size-1 by its remainder.
int32_t wrapMarker(long long position, int size) {
    position %= size;
    if (position < 0) position += size;
    return static_cast<int32_t>(position);
}

} // namespace

CMC_Array::CMC_Array(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_ARRAY), m_elements(new CXArray(101, 0.75f)) {
    if (element) m_sendOnChange = element->getPropertyBoolValue("SENDONCHANGE");
    initializeBehaviours(scene, element);
}

CMC_Array::CMC_Array(CMC_ObjectsContainer* scene, const CXString& name)
    : CMC_Object(name, TYPE_ARRAY), m_elements(new CXArray(101, 0.75f)) {
    if (scene) setScene(scene);
}

CMC_Array::~CMC_Array() {
    releaseAnchor();
    for (int i = 0; i < m_elements->getSize(); ++i) delete static_cast<CMC_Variable*>(m_elements->at(i));
    delete m_elements;
}

CXString** CMC_Array::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCHANGED"});
}

void CMC_Array::onChanged(int index) {
    if (!m_sendOnChange || !hasHandler(EVT_ARRAY_ONCHANGED)) return;
    raiseDetailed("ONCHANGED", {CXString::toString(index)});
}

void CMC_Array::append(CMC_Variable* owned) {
    if (owned) m_elements->add(owned);
}

CMC_Variable* CMC_Array::get(int index) {
    if (index < 0 || index >= m_elements->getSize()) return nullptr;
    return static_cast<CMC_Variable*>(m_elements->at(index));
}

int CMC_Array::getSize() { return m_elements->getSize(); }

void CMC_Array::add(CMC_Variable* value) {
    if (!value) return;
    append(ownCopy(value));
    onChanged(getSize() - 2);
}

void CMC_Array::addClones(const CXString& name, int from, int to) {
    if (tooMany(m_name, "ADDCLONES", static_cast<long long>(to) - from + 1)) return;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    for (long long i = from; i <= to && self->object; ++i) {
        append(new CMC_String(CXString("temp"), name + "_" + CXString::toString(static_cast<int>(i))));
        onChanged(getSize() - 2);
    }
}

void CMC_Array::insertAt(int index, CMC_Variable* value) {
    if (!value || index < 0 || index > getSize()) return;
    if (CMC_Variable* copy = ownCopy(value)) m_elements->insertAt(index, copy);
    onChanged(index);
}

void CMC_Array::changeAt(int index, CMC_Variable* value) {
    if (!value || index < 0 || index >= getSize()) return;
    CMC_Variable* copy = ownCopy(value);
    if (!copy) return;
    CMC_Variable* old = get(index);
    m_elements->setAt(index, copy);
    delete old;
    onChanged(index);
}

void CMC_Array::removeAt(int index) {
    CMC_Variable* element = get(index);
    if (!element) return;
    m_elements->removeAt(index);
    delete element;
}

void CMC_Array::removeAll() {
    // The list is emptied first: nothing reaches an element being deleted.
    std::vector<CMC_Variable*> items = elementsOf(m_elements);
    m_elements->removeAll();
    for (CMC_Variable* item : items) delete item;
}

// The searches compare with a copy of their own: converting an argument of another type hands a temporary
// back to its pool, and the next element would compare with a value the pool lends out again.
void CMC_Array::remove(CMC_Variable* value) {
    std::unique_ptr<CMC_Variable> own(ownCopy(value));
    if (!own) return;
    for (int i = 0; i < getSize(); ++i)
        if (get(i)->equals(own.get())) {
            removeAt(i);
            return;
        }
}

bool CMC_Array::contains(CMC_Variable* value) { return find(value) >= 0; }

int CMC_Array::find(CMC_Variable* value) {
    std::unique_ptr<CMC_Variable> own(ownCopy(value));
    if (!own) return -1;
    int size = getSize();
    for (int i = 0; i < size; ++i)
        if (static_cast<CMC_Variable*>(m_elements->at(i))->equals(own.get())) return i;
    return -1;
}

int CMC_Array::findAll(CMC_Variable* value, std::vector<int>* out) {
    std::unique_ptr<CMC_Variable> own(ownCopy(value));
    int found = 0;
    for (int i = 0; own && i < getSize(); ++i)
        if (get(i)->equals(own.get())) {
            if (out) out->push_back(i);
            ++found;
        }
    return found;
}

int CMC_Array::reversefind(CMC_Variable* value) {
    std::unique_ptr<CMC_Variable> own(ownCopy(value));
    for (int i = getSize() - 1; own && i >= 0; --i)
        if (get(i)->equals(own.get())) return i;
    return -1;
}

void CMC_Array::saveINI() {
    CMC_Settings* config = CMC_Variable::configOf(getScene());
    CMC_ObjectsContainer* scene = getScene();
    if (!config || !scene) {
        logMessage("ARRAY %s: no configuration file; SAVEINI writes nothing", m_name.GetBuffer());
        return;
    }
    config->PutString(scene->getName(), m_name, toString());
}

void CMC_Array::loadINI() {
    CMC_Settings* config = CMC_Variable::configOf(getScene());
    CMC_ObjectsContainer* scene = getScene();
    if (!config || !scene) {
        logMessage("ARRAY %s: no configuration file; LOADINI reads nothing", m_name.GetBuffer());
        return;
    }
    CXString text = config->GetString(scene->getName(), m_name);
    removeAll();
    CStringTokenizer pieces(text, CXString(","));
    while (pieces.hasMoreTokens()) append(new CMC_String(CXString("temp"), pieces.nextToken()));
}

CMC_Variable* CMC_Array::next(int n) {
    if (n < 0) return prev(static_cast<int>(-static_cast<long long>(n) > INT32_MAX ? INT32_MAX : -n));
    int size = getSize();
    if (size == 0) return nullptr;
    long long position = static_cast<long long>(m_marker) + n;
    // From -1 a step of 0 stays there: no element is reached.
    m_marker = position < 0 ? -1 : wrapMarker(position, size);
    return get(m_marker);
}

CMC_Variable* CMC_Array::prev(int n) {
    if (n < 0) return next(static_cast<int>(-static_cast<long long>(n) > INT32_MAX ? INT32_MAX : -n));
    int size = getSize();
    if (size == 0) return nullptr;
    m_marker = wrapMarker(static_cast<long long>(m_marker) - n, size);
    return get(m_marker);
}

void CMC_Array::resetMarker() { m_marker = -1; }

int CMC_Array::getMarkerPos() { return m_marker; }

void CMC_Array::setMarkerPos(int position) {
    m_marker = std::clamp(position, -1, std::max(getSize() - 1, -1));
}

void CMC_Array::applyRange(CMC_Variable* value, int op, int from, int to) {
    std::unique_ptr<CMC_Variable> own(ownCopy(value));
    if (!own) return;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    // A handler may delete elements or the array itself: the size is read at every step.
    for (int i = std::max(from, 0); self->object && i <= to && i < getSize(); ++i) {
        CMC_Variable* element = get(i);
        if (CMC_Variable* result = element->calculate(own.get(), op)) {
            element->set(result);
            flush(result);
        }
        onChanged(i);
    }
}

void CMC_Array::applyAt(int index, CMC_Variable* value, int op) {
    if (index < 0 || index >= getSize()) return;
    applyRange(value, op, index, index);
}

void CMC_Array::sum(CMC_Variable* value) { applyRange(value, OP_ADD, 0, INT32_MAX); }
void CMC_Array::sub(CMC_Variable* value) { applyRange(value, OP_SUBTRACT, 0, INT32_MAX); }
void CMC_Array::mul(CMC_Variable* value) { applyRange(value, OP_MULTIPLY, 0, INT32_MAX); }
void CMC_Array::div(CMC_Variable* value) { applyRange(value, OP_DIVIDE, 0, INT32_MAX); }
void CMC_Array::suma(CMC_Variable* operand, int from, int to) { applyRange(operand, OP_ADD, from, to); }
void CMC_Array::suba(CMC_Variable* operand, int from, int to) { applyRange(operand, OP_SUBTRACT, from, to); }
void CMC_Array::mula(CMC_Variable* operand, int from, int to) { applyRange(operand, OP_MULTIPLY, from, to); }
void CMC_Array::diva(CMC_Variable* operand, int from, int to) { applyRange(operand, OP_DIVIDE, from, to); }
void CMC_Array::mulat(int index, CMC_Variable* value) { applyAt(index, value, OP_MULTIPLY); }
void CMC_Array::divat(int index, CMC_Variable* value) { applyAt(index, value, OP_DIVIDE); }
void CMC_Array::addat(int index, CMC_Variable* value) { applyAt(index, value, OP_ADD); }
void CMC_Array::subat(int index, CMC_Variable* value) { applyAt(index, value, OP_SUBTRACT); }
void CMC_Array::modat(int index, CMC_Variable* value) { applyAt(index, value, OP_MODULO); }

void CMC_Array::swap(int a, int b) {
    int size = getSize();
    if (a < 0 || b < 0 || a >= size || b >= size) return;
    void* first = m_elements->at(a);
    m_elements->setAt(a, m_elements->at(b));
    m_elements->setAt(b, first);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    onChanged(a);
    if (self->object) onChanged(b);
}

void CMC_Array::sort(bool ascending) {
    std::vector<CMC_Variable*> items = elementsOf(m_elements);
    sortElements(items);
    if (!ascending) std::reverse(items.begin(), items.end());
    for (size_t i = 0; i < items.size(); ++i) m_elements->setAt(static_cast<int>(i), items[i]);
}

void CMC_Array::changedFromZero() {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    for (int i = 0; self->object && i < getSize(); ++i) onChanged(i);
}

void CMC_Array::shift(bool left, bool empty) {
    int size = getSize();
    if (size == 0) return;
    std::vector<CMC_Variable*> items = elementsOf(m_elements);
    if (left)
        std::rotate(items.begin(), items.begin() + 1, items.end());
    else
        std::rotate(items.rbegin(), items.rbegin() + 1, items.rend());
    for (int i = 0; i < size; ++i) m_elements->setAt(i, items[static_cast<size_t>(i)]);
    if (empty) emptyValue(left ? items.back() : items.front());
    changedFromZero();
}

void CMC_Array::shiftLeft() { shift(true, true); }
void CMC_Array::shiftRight() { shift(false, true); }
void CMC_Array::rotateLeft() { shift(true, false); }
void CMC_Array::rotateRight() { shift(false, false); }

void CMC_Array::load(CXString fileName) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    removeAll();
    CMC_ObjectsContainer* scene = getScene();
    CFile file;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName, CFile::MODE_READ | CFile::MODE_BINARY) !=
        ERR_NONE) {
        setErrorCode(ERR_FILE_NOT_FOUND);
        logMessage("ARRAY %s: %s cannot be opened; the array stays empty", m_name.GetBuffer(),
                   fileName.GetBuffer());
        return;
    }
    CXArchive archive(&file, false);
    int32_t count = 0;
    archive >> &count;
    int32_t record = 0;
    bool damaged = !archive.good() || count < 0;
    for (; !damaged && record < count; ++record) {
        int32_t type = 0;
        archive >> &type;
        CMC_Variable* value = archive.good() ? CMC_VariableFactory::allocOfType(type) : nullptr;
        if (value) value->restore(&archive);
        if (!value || !archive.good()) {
            flush(value);
            damaged = true;
            break;
        }
        add(value);
        flush(value);
        // A handler deleted the array; the file closes with these locals.
        if (!self->object) return;
    }
    if (damaged) {
        setErrorCode(ERR_FILE_DAMAGED);
        logMessage("ARRAY %s: %s is damaged at record %d of %d; reading stopped there", m_name.GetBuffer(),
                   fileName.GetBuffer(), record, count);
    }
}

void CMC_Array::save(CXString fileName) {
    CMC_ObjectsContainer* scene = getScene();
    CXString what = "ARRAY " + m_name;
    int result =
        writeWholeFile(scene ? scene->getWindow() : nullptr, fileName,
                       CFile::MODE_UPDATE | CFile::MODE_BINARY, what.GetBuffer(), [this](CFile& file) {
                           CXArchive archive(&file, true);
                           archive << static_cast<int32_t>(getSize());
                           for (int i = 0; i < getSize(); ++i) get(i)->store(&archive);
                           return archive.good();
                       });
    if (result != ERR_NONE) setErrorCode(ERR_FILE_WRITE);
}

bool CMC_Array::isDrawable(int count) { return count >= 0 && count <= CXRandom::TABLE_SIZE; }

bool CMC_Array::addRandom(int count, int base, int n, bool unique) {
    if (!isDrawable(count)) {
        logMessage("ARRAY %s: %d random numbers refused (0 to %d can be drawn)", m_name.GetBuffer(), count,
                   CXRandom::TABLE_SIZE);
        return false;
    }
    if (count == 0) return true;
    int* drawn = CXRandom::random_vector(base, n, count, unique);
    // The table is shared: the numbers are taken before any event runs.
    std::vector<int> numbers(drawn, drawn + count);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    for (int number : numbers) {
        if (!self->object) break;
        CMC_Integer entry(number);
        add(&entry);
    }
    return true;
}

bool CMC_Array::compareArr(CMC_Array* other) {
    if (!other || other->getSize() != getSize()) return false;
    for (int i = 0; i < getSize(); ++i) {
        std::unique_ptr<CMC_Variable> own(ownCopy(other->get(i)));
        if (!get(i)->equals(own.get())) return false;
    }
    return true;
}

CXObject* CMC_Array::clone() {
    auto* copy = new CMC_Array(getScene(), CXString("cloned"));
    for (int i = 0; i < getSize(); ++i) copy->append(ownCopy(get(i)));
    return copy;
}

CXString CMC_Array::toString() {
    CXString text;
    for (int i = 0; i < getSize(); ++i) {
        if (i) text += ',';
        text += get(i)->toString();
    }
    return text;
}

void CMC_Array::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring())
        *archive << m_sendOnChange;
    else
        *archive >> &m_sendOnChange;
}

// ---- runner ----

void CMC_Array_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("INSERTAT", MTH_INSERTAT);
    addMethod("REMOVEAT", MTH_REMOVEAT);
    addMethod("CHANGEAT", MTH_CHANGEAT);
    addMethod("REMOVEALL", MTH_REMOVEALL);
    addMethod("GET", MTH_GET);
    addMethod("REMOVE", MTH_REMOVE);
    addMethod("FIND", MTH_FIND);
    addMethod("REVERSEFIND", MTH_REVERSEFIND);
    addMethod("FINDALL", MTH_FINDALL);
    addMethod("CONTAINS", MTH_CONTAINS);
    addMethod("SAVEINI", MTH_SAVEINI);
    addMethod("LOADINI", MTH_LOADINI);
    addMethod("PREV", MTH_PREV);
    addMethod("NEXT", MTH_NEXT);
    addMethod("ADDCLONES", MTH_ADDCLONES);
    addMethod("RESETMARKER", MTH_RESETMARKER);
    addMethod("GETMARKERPOS", MTH_GETMARKERPOS);
    addMethod("SETMARKERPOS", MTH_SETMARKERPOS);
    addMethod("SUM", MTH_SUM);
    addMethod("SUMA", MTH_SUMA);
    addMethod("SUB", MTH_SUB);
    addMethod("SUBA", MTH_SUBA);
    addMethod("MUL", MTH_MUL);
    addMethod("MULA", MTH_MULA);
    addMethod("DIV", MTH_DIV);
    addMethod("DIVA", MTH_DIVA);
    addMethod("MIN", MTH_MIN);
    addMethod("MIND", MTH_MIND);
    addMethod("MAX", MTH_MAX);
    addMethod("MAXD", MTH_MAXD);
    addMethod("GETSUMVALUE", MTH_GETSUMVALUE);
    addMethod("LOAD", MTH_LOAD);
    addMethod("SAVE", MTH_SAVE);
    addMethod("SORT", MTH_SORT);
    addMethod("SORTMANY", MTH_SORTMANY);
    addMethod("ADDAT", MTH_ADDAT);
    addMethod("SUBAT", MTH_SUBAT);
    addMethod("MULAT", MTH_MULAT);
    addMethod("DIVAT", MTH_DIVAT);
    addMethod("MODAT", MTH_MODAT);
    addMethod("CLAMPAT", MTH_CLAMPAT);
    addMethod("DIR", MTH_DIR);
    addMethod("COMPARE", MTH_COMPARE);
    addMethod("COPYTO", MTH_COPYTO);
    addMethod("SWAP", MTH_SWAP);
    addMethod("SENDONCHANGE", MTH_SENDONCHANGE);
    addMethod("SHIFTLEFT", MTH_SHIFTLEFT);
    addMethod("SHIFTRIGHT", MTH_SHIFTRIGHT);
    addMethod("ROTATELEFT", MTH_ROTATELEFT);
    addMethod("ROTATERIGHT", MTH_ROTATERIGHT);
    addMethod("FILL", MTH_FILL);
    addMethod("RANDOMFILL", MTH_RANDOMFILL);
}

CMC_Variable* CMC_Array_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (!object || object->getType() != TYPE_ARRAY) return CMC_Runner::run(id, object, container, args);
    auto* array = static_cast<CMC_Array*>(object);
    int count = argumentCount(args);
    // Reading an argument may run script code, and so may the events a change raises: both may delete the
    // array or the container.
    CMC_ArgumentsGuard guard(object, container, args);
    std::shared_ptr<CMC_ObjectAnchor> self = array->anchor();
    auto index = [&](int i) { return getParameterInteger(args, i)->getValue(); };
    switch (id) {
    case MTH_ADD:
        // The change event of one addition may delete what a later argument is: that one reads as missing (its
        // place in the line's arguments is cleared) and adds nothing.
        for (int i = 0; i < count && self->object; ++i) {
            CMC_Variable* value = getParameter(args, i);
            if (self->object) array->add(value);
        }
        return nullptr;
    case MTH_GETSIZE:
        return integerResult(array->getSize());
    case MTH_INSERTAT:
    case MTH_CHANGEAT: {
        int at = index(0);
        CMC_Variable* value = getParameter(args, 1);
        if (!self->object || !value || at < 0 || at >= array->getSize()) return nullptr;
        if (id == MTH_INSERTAT)
            array->insertAt(at, value);
        else
            array->changeAt(at, value);
        return nullptr;
    }
    case MTH_REMOVEAT: {
        int at = index(0);
        if (self->object) array->removeAt(at);
        return nullptr;
    }
    case MTH_REMOVEALL:
        array->removeAll();
        return nullptr;
    case MTH_GET: {
        int at = index(0);
        if (!self->object) return nullptr;
        CMC_Variable* element = array->get(at);
        return element ? CMC_VariableFactory::copyVariable(element) : stringResult(CXString("NULL"));
    }
    case MTH_PREV:
    case MTH_NEXT: {
        int steps = count > 0 ? index(0) : 1;
        if (!self->object) return nullptr;
        CMC_Variable* element = id == MTH_PREV ? array->prev(steps) : array->next(steps);
        return element ? CMC_VariableFactory::copyVariable(element) : stringResult(CXString("NULL"));
    }
    case MTH_SAVEINI:
        array->saveINI();
        return nullptr;
    case MTH_LOADINI:
        array->loadINI();
        return nullptr;
    case MTH_RESETMARKER:
        array->resetMarker();
        return nullptr;
    case MTH_GETMARKERPOS:
        return integerResult(array->getMarkerPos());
    case MTH_SETMARKERPOS: {
        int at = index(0);
        if (self->object) array->setMarkerPos(at);
        return nullptr;
    }
    case MTH_SWAP: {
        int a = index(0);
        int b = index(1);
        if (self->object) array->swap(a, b);
        return nullptr;
    }
    case MTH_SORT: {
        bool ascending = count > 0 ? getParameterBool(args, 0)->getValue() : true;
        if (self->object) array->sort(ascending);
        return nullptr;
    }
    case MTH_SORTMANY:
        return nullptr;
    case MTH_LOAD:
    case MTH_SAVE: {
        CXString name = getParameterString(args, 0)->getValue();
        if (!self->object) return nullptr;
        if (id == MTH_LOAD)
            array->load(name);
        else
            array->save(name);
        return nullptr;
    }
    case MTH_SENDONCHANGE: {
        bool flag = count > 0 ? getParameterBool(args, 0)->getValue() : true;
        if (self->object) array->setSendOnChange(flag);
        return nullptr;
    }
    case MTH_SHIFTLEFT:
        array->shiftLeft();
        return nullptr;
    case MTH_SHIFTRIGHT:
        array->shiftRight();
        return nullptr;
    case MTH_ROTATELEFT:
        array->rotateLeft();
        return nullptr;
    case MTH_ROTATERIGHT:
        array->rotateRight();
        return nullptr;
    case MTH_DIR:
        dir(array, container, args, guard);
        return nullptr;
    case MTH_REMOVE:
    case MTH_FIND:
    case MTH_REVERSEFIND:
    case MTH_CONTAINS:
    case MTH_FINDALL:
    case MTH_COMPARE:
        return search(id, array, container, args, guard);
    case MTH_SUM:
    case MTH_SUB:
    case MTH_MUL:
    case MTH_DIV:
    case MTH_SUMA:
    case MTH_SUBA:
    case MTH_MULA:
    case MTH_DIVA:
    case MTH_ADDAT:
    case MTH_SUBAT:
    case MTH_MULAT:
    case MTH_DIVAT:
    case MTH_MODAT:
    case MTH_CLAMPAT:
        return arithmetic(id, array, container, args, guard);
    case MTH_MIN:
    case MTH_MAX:
    case MTH_MIND:
    case MTH_MAXD:
    case MTH_GETSUMVALUE:
        return statistics(id, array);
    case MTH_ADDCLONES:
    case MTH_COPYTO:
    case MTH_FILL:
    case MTH_RANDOMFILL:
        return filling(id, array, container, args, guard);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Array_Runner::search(int id, CMC_Array* array, CMC_ObjectsContainer* container,
                                       CXVector* args, const CMC_ArgumentsGuard& guard) {
    std::shared_ptr<CMC_ObjectAnchor> self = array->anchor();
    if (id == MTH_COMPARE) {
        CXString name = nameIn(getParameter(args, 0), TYPE_ARRAY);
        if (!self->object || guard.containerGone()) return nullptr;
        auto* other = static_cast<CMC_Array*>(objectOfType(container, name, TYPE_ARRAY));
        return boolResult(other && array->compareArr(other));
    }
    if (id == MTH_FINDALL) {
        CXString name = nameIn(getParameter(args, 0), TYPE_ARRAY);
        std::vector<std::unique_ptr<CMC_Variable>> values;
        for (int i = 1; i < argumentCount(args); ++i) values.emplace_back(ownCopy(getParameter(args, i)));
        if (!self->object || guard.containerGone()) return nullptr;
        CMC_Object* target = objectOfType(container, name, TYPE_ARRAY);
        if (!target) return integerResult(0);
        std::shared_ptr<CMC_ObjectAnchor> result = target->anchor();
        int total = 0;
        for (auto& value : values) {
            if (!self->object || !value) continue;
            std::vector<int> found;
            total += array->findAll(value.get(), &found);
            // The result array's events may delete either array.
            for (int at : found) {
                if (!result->object) break;
                CMC_Integer entry(at);
                static_cast<CMC_Array*>(target)->add(&entry);
            }
        }
        return integerResult(total);
    }
    CMC_Variable* value = getParameter(args, 0);
    if (!self->object) return nullptr;
    switch (id) {
    case MTH_REMOVE:
        array->remove(value);
        return nullptr;
    case MTH_FIND:
        return integerResult(array->find(value));
    case MTH_REVERSEFIND:
        return integerResult(array->reversefind(value));
    default:
        return boolResult(array->contains(value));
    }
}

CMC_Variable* CMC_Array_Runner::arithmetic(int id, CMC_Array* array, CMC_ObjectsContainer* container,
                                           CXVector* args, const CMC_ArgumentsGuard& guard) {
    std::shared_ptr<CMC_ObjectAnchor> self = array->anchor();
    int count = argumentCount(args);
    switch (id) {
    case MTH_SUM:
    case MTH_SUB:
    case MTH_MUL:
    case MTH_DIV: {
        CMC_Variable* value = getParameter(args, 0);
        if (!self->object || !value) return nullptr;
        if (id == MTH_SUM) array->sum(value);
        if (id == MTH_SUB) array->sub(value);
        if (id == MTH_MUL) array->mul(value);
        if (id == MTH_DIV) array->div(value);
        return nullptr;
    }
    case MTH_SUMA:
    case MTH_SUBA:
    case MTH_MULA:
    case MTH_DIVA: {
        CXString name = nameIn(getParameter(args, 0), kAnyScalar);
        int from = count > 1 ? getParameterInteger(args, 1)->getValue() : -1;
        int to = count > 2 ? getParameterInteger(args, 2)->getValue() : -1;
        if (!self->object || guard.containerGone()) return nullptr;
        // The operand is the named value; without one nothing changes.
        auto* operand = static_cast<CMC_Variable*>(objectOfType(container, name, kAnyScalar));
        if (!operand) return nullptr;
        if (from == -1) from = 0;
        if (to == -1) to = array->getSize() - 1;
        if (id == MTH_SUMA) array->suma(operand, from, to);
        if (id == MTH_SUBA) array->suba(operand, from, to);
        if (id == MTH_MULA) array->mula(operand, from, to);
        if (id == MTH_DIVA) array->diva(operand, from, to);
        return nullptr;
    }
    case MTH_CLAMPAT: {
        int at = getParameterInteger(args, 0)->getValue();
        CMC_Variable* low = getParameter(args, 1);
        std::unique_ptr<CMC_Variable> ownLow(ownCopy(low));
        CMC_Variable* high = getParameter(args, 2);
        if (!self->object || !ownLow || !high) return nullptr;
        CMC_Variable* element = array->get(at);
        if (!element) return nullptr;
        // Through the element's own setter, without an event.
        if (element->getType() == TYPE_INTEGER) {
            int lo = 0, hi = 0;
            CMC_Integer::valueOf(ownLow.get(), &lo);
            CMC_Integer::valueOf(high, &hi);
            auto* integer = static_cast<CMC_Integer*>(element);
            if (integer->getValue() < lo)
                integer->setValue(lo);
            else if (integer->getValue() > hi)
                integer->setValue(hi);
        } else if (element->getType() == TYPE_DOUBLE) {
            double lo = 0, hi = 0;
            CMC_Double::valueOf(ownLow.get(), &lo);
            CMC_Double::valueOf(high, &hi);
            auto* real = static_cast<CMC_Double*>(element);
            if (real->getValue() < lo)
                real->setValue(lo);
            else if (real->getValue() > hi)
                real->setValue(hi);
        }
        return nullptr;
    }
    default: {
        int at = getParameterInteger(args, 0)->getValue();
        CMC_Variable* value = getParameter(args, 1);
        if (!self->object || !value) return nullptr;
        if (id == MTH_ADDAT) array->addat(at, value);
        if (id == MTH_SUBAT) array->subat(at, value);
        if (id == MTH_MULAT) array->mulat(at, value);
        if (id == MTH_DIVAT) array->divat(at, value);
        if (id == MTH_MODAT) array->modat(at, value);
        return nullptr;
    }
    }
}

CMC_Variable* CMC_Array_Runner::statistics(int id, CMC_Array* array) {
    int size = array->getSize();
    switch (id) {
    case MTH_MIN:
    case MTH_MAX: {
        int result = id == MTH_MIN ? 1000000 : 0;
        for (int i = 0; i < size; ++i) {
            CMC_Variable* element = array->get(i);
            if (element->getType() != TYPE_INTEGER) continue;
            int value = static_cast<CMC_Integer*>(element)->getValue();
            result = id == MTH_MIN ? std::min(result, value) : std::max(result, value);
        }
        return integerResult(result);
    }
    case MTH_MIND:
    case MTH_MAXD: {
        double result = id == MTH_MIND ? 1000000.0 : 0.0;
        for (int i = 0; i < size; ++i) {
            CMC_Variable* element = array->get(i);
            if (element->getType() != TYPE_DOUBLE) continue;
            double value = static_cast<CMC_Double*>(element)->getValue();
            if (id == MTH_MIND ? value < result : value > result) result = value;
        }
        return doubleResult(result);
    }
    default: {
        // Wraps as script arithmetic does.
        uint32_t total = 0;
        for (int i = 0; i < size; ++i) {
            CMC_Variable* element = array->get(i);
            if (element->getType() == TYPE_INTEGER)
                total += static_cast<uint32_t>(static_cast<CMC_Integer*>(element)->getValue());
        }
        return integerResult(static_cast<int32_t>(total));
    }
    }
}

CMC_Variable* CMC_Array_Runner::filling(int id, CMC_Array* array, CMC_ObjectsContainer* container,
                                        CXVector* args, const CMC_ArgumentsGuard& guard) {
    std::shared_ptr<CMC_ObjectAnchor> self = array->anchor();
    int count = argumentCount(args);
    switch (id) {
    case MTH_ADDCLONES: {
        CXString name = getParameterString(args, 0)->getValue();
        int from = count > 1 ? getParameterInteger(args, 1)->getValue() : 1;
        int to = count > 2 ? getParameterInteger(args, 2)->getValue() : 0;
        if (!self->object || guard.containerGone()) return nullptr;
        CMC_Object* source = container ? container->getObject(name) : nullptr;
        if (!source) return nullptr;
        array->addClones(name, from, count > 2 ? to : source->getClonesNo());
        return nullptr;
    }
    case MTH_COPYTO: {
        CXString name = nameIn(getParameter(args, 0), TYPE_ARRAY);
        if (!self->object || guard.containerGone()) return nullptr;
        auto* target = static_cast<CMC_Array*>(objectOfType(container, name, TYPE_ARRAY));
        if (!target) return nullptr;
        // Copies first: the target may be this array, and its events may change either.
        std::vector<std::unique_ptr<CMC_Variable>> values;
        for (int i = 0; i < array->getSize(); ++i) values.emplace_back(ownCopy(array->get(i)));
        std::shared_ptr<CMC_ObjectAnchor> alive = target->anchor();
        for (auto& value : values) {
            if (!alive->object) break;
            target->add(value.get());
        }
        return nullptr;
    }
    case MTH_FILL: {
        int times = getParameterInteger(args, 0)->getValue();
        std::unique_ptr<CMC_Variable> value(ownCopy(getParameter(args, 1)));
        if (!self->object || !value || tooMany(array->getName(), "FILL", times)) return nullptr;
        array->removeAll();
        for (int i = 0; i < times && self->object; ++i) array->add(value.get());
        return nullptr;
    }
    default: {
        int times = getParameterInteger(args, 0)->getValue();
        int base = getParameterInteger(args, 1)->getValue();
        int n = getParameterInteger(args, 2)->getValue();
        bool unique = getParameterBool(args, 3)->getValue();
        if (!self->object) return nullptr;
        // A count that cannot be drawn leaves the array as it was.
        if (CMC_Array::isDrawable(times)) array->removeAll();
        array->addRandom(times, base, n, unique);
        return nullptr;
    }
    }
}

void CMC_Array_Runner::dir(CMC_Array* array, CMC_ObjectsContainer* container, CXVector* args,
                           const CMC_ArgumentsGuard& guard) {
    std::shared_ptr<CMC_ObjectAnchor> self = array->anchor();
    CXString folder = getParameterString(args, 0)->getValue();
    CXString pattern = getParameterString(args, 1)->getValue();
    if (!self->object || guard.containerGone()) return;
    CWindow* window = container ? container->getWindow() : nullptr;
    CXString resolved = CPath(window).resolveFileName(folder);
    CXArray* listed = nullptr;
    {
        CFolder where(window, resolved);
        listed = CFolder::list(pattern);
        where.back();
    }
    // The names are appended after the working folder is back: the events may look for files.
    for (int i = 0; i < listed->getSize() && self->object; ++i) {
        CMC_String entry(CXString("temp"), resolved + *static_cast<CXString*>(listed->at(i)));
        array->add(&entry);
    }
    CFolder::releaseFilesList(listed);
}

} // namespace KavirelDLL
