#include "script/VariableFactory.h"

#include <algorithm>
#include <array>

#include "core/Archive.h"
#include "core/Log.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"

namespace KavirelDLL {

int32_t CMC_VariableFactory::iVariablesBoolNo = 0;
int32_t CMC_VariableFactory::iVariablesDoubleNo = 0;
int32_t CMC_VariableFactory::iVariablesIntegerNo = 0;
int32_t CMC_VariableFactory::iVariablesStringNo = 0;
std::vector<CMC_Bool*> CMC_VariableFactory::variablesBool;
std::vector<CMC_Double*> CMC_VariableFactory::variablesDbl;
std::vector<CMC_Integer*> CMC_VariableFactory::variablesInt;
std::vector<CMC_String*> CMC_VariableFactory::variablesStr;
std::vector<bool> CMC_VariableFactory::variablesBoolTaken;
std::vector<bool> CMC_VariableFactory::variablesDblTaken;
std::vector<bool> CMC_VariableFactory::variablesIntTaken;
std::vector<bool> CMC_VariableFactory::variablesStrTaken;
int32_t CMC_VariableFactory::boolPtr = 0;
int32_t CMC_VariableFactory::dblPtr = 0;
int32_t CMC_VariableFactory::intPtr = 0;
int32_t CMC_VariableFactory::strPtr = 0;

namespace {

template <typename T>
void build(std::vector<T*>& pool, std::vector<bool>& taken, int32_t& size, int32_t& pointer) {
    pool.clear();
    for (int i = 0; i < CMC_VariableFactory::kPoolSize; ++i) pool.push_back(new T(CXString("f"), i));
    taken.assign(pool.size(), false);
    size = static_cast<int32_t>(pool.size());
    pointer = 0;
}

template <typename T>
void release(std::vector<T*>& pool, std::vector<bool>& taken, int32_t& size, int32_t& pointer) {
    for (T* value : pool) delete value;
    pool.clear();
    taken.clear();
    size = 0;
    pointer = 0;
}

template <typename T>
T* take(std::vector<T*>& pool, std::vector<bool>& taken, int32_t& size, int32_t& pointer,
        const char* typeName, bool& warned) {
    if (pool.empty()) CMC_VariableFactory::initialize();
    int count = static_cast<int>(pool.size());
    for (int step = 0; step < count; ++step) {
        pointer = pointer + 1 >= count ? 0 : pointer + 1;
        if (!taken[static_cast<size_t>(pointer)]) {
            taken[static_cast<size_t>(pointer)] = true;
            return pool[static_cast<size_t>(pointer)];
        }
    }
    // Every value is still in use in this frame step: a fresh one joins the pool.
    if (!warned) {
        warned = true;
        logMessage("all %d temporary %s values are in use in one frame step; the pool grows", count,
                   typeName);
    }
    pool.push_back(new T(CXString("f"), count));
    taken.push_back(true);
    size = count + 1;
    pointer = count;
    return pool.back();
}

template <typename T>
void giveBack(std::vector<T*>& pool, std::vector<bool>& taken, CMC_Variable* value) {
    int id = value->getId();
    if (id < 0 || id >= static_cast<int>(pool.size())) return;
    // Only the pool's own value at that index; a stray variable with an id frees nothing.
    if (static_cast<CMC_Variable*>(pool[static_cast<size_t>(id)]) == value)
        taken[static_cast<size_t>(id)] = false;
}

bool g_warnedBool = false, g_warnedDouble = false, g_warnedInteger = false, g_warnedString = false;

// A temporary of each pool as it was left: the caller sets it.
CMC_Bool* takeBool() {
    return take(CMC_VariableFactory::variablesBool, CMC_VariableFactory::variablesBoolTaken,
                CMC_VariableFactory::iVariablesBoolNo, CMC_VariableFactory::boolPtr, "BOOL", g_warnedBool);
}

CMC_Double* takeDouble() {
    return take(CMC_VariableFactory::variablesDbl, CMC_VariableFactory::variablesDblTaken,
                CMC_VariableFactory::iVariablesDoubleNo, CMC_VariableFactory::dblPtr, "DOUBLE",
                g_warnedDouble);
}

CMC_Integer* takeInteger() {
    return take(CMC_VariableFactory::variablesInt, CMC_VariableFactory::variablesIntTaken,
                CMC_VariableFactory::iVariablesIntegerNo, CMC_VariableFactory::intPtr, "INTEGER",
                g_warnedInteger);
}

CMC_String* takeString() {
    return take(CMC_VariableFactory::variablesStr, CMC_VariableFactory::variablesStrTaken,
                CMC_VariableFactory::iVariablesStringNo, CMC_VariableFactory::strPtr, "STRING",
                g_warnedString);
}

} // namespace

namespace {

// The text temporaries given back last that still hold a long text's buffer, by index (-1 none), oldest at
// g_longNext.
std::array<int, CMC_VariableFactory::kLongTextsKept> g_longTexts = [] {
    std::array<int, CMC_VariableFactory::kLongTextsKept> none;
    none.fill(-1);
    return none;
}();
size_t g_longNext = 0;

void forgetLongTexts() {
    g_longTexts.fill(-1);
    g_longNext = 0;
}

// A text temporary given back: when it holds a long text's buffer it joins the last ones given back, and the
// oldest of those, unless taken again meanwhile or given back again since, lets its buffer go.
void keptLong(CMC_String* value) {
    if (value->value().GetCapacity() <= CMC_VariableFactory::kKeptTextCapacity) return;
    auto& pool = CMC_VariableFactory::variablesStr;
    int id = value->getId();
    if (id < 0 || id >= static_cast<int>(pool.size()) || pool[static_cast<size_t>(id)] != value) return;
    int oldest = g_longTexts[g_longNext];
    g_longTexts[g_longNext] = id;
    g_longNext = (g_longNext + 1) % g_longTexts.size();
    if (oldest < 0 || std::find(g_longTexts.begin(), g_longTexts.end(), oldest) != g_longTexts.end()) return;
    if (CMC_VariableFactory::variablesStrTaken[static_cast<size_t>(oldest)]) return;
    CMC_String* evicted = pool[static_cast<size_t>(oldest)];
    if (evicted->value().GetCapacity() > CMC_VariableFactory::kKeptTextCapacity)
        evicted->startEmpty(CMC_VariableFactory::kKeptTextCapacity);
}

} // namespace

void CMC_VariableFactory::initialize() {
    if (!variablesBool.empty()) return;
    build(variablesBool, variablesBoolTaken, iVariablesBoolNo, boolPtr);
    build(variablesDbl, variablesDblTaken, iVariablesDoubleNo, dblPtr);
    build(variablesInt, variablesIntTaken, iVariablesIntegerNo, intPtr);
    build(variablesStr, variablesStrTaken, iVariablesStringNo, strPtr);
}

void CMC_VariableFactory::done() {
    release(variablesBool, variablesBoolTaken, iVariablesBoolNo, boolPtr);
    release(variablesDbl, variablesDblTaken, iVariablesDoubleNo, dblPtr);
    release(variablesInt, variablesIntTaken, iVariablesIntegerNo, intPtr);
    release(variablesStr, variablesStrTaken, iVariablesStringNo, strPtr);
    forgetLongTexts();
    g_warnedBool = g_warnedDouble = g_warnedInteger = g_warnedString = false;
}

CMC_Bool* CMC_VariableFactory::allocBool() {
    CMC_Bool* result = takeBool();
    result->startAfresh();
    return result;
}

CMC_Double* CMC_VariableFactory::allocDouble() {
    CMC_Double* result = takeDouble();
    result->startAfresh();
    return result;
}

CMC_Integer* CMC_VariableFactory::allocInteger() {
    CMC_Integer* result = takeInteger();
    result->startAfresh();
    return result;
}

CMC_String* CMC_VariableFactory::allocString() {
    CMC_String* result = takeString();
    result->startEmpty(kKeptTextCapacity);
    return result;
}

CMC_Bool* CMC_VariableFactory::allocBool(bool value) {
    CMC_Bool* result = takeBool();
    result->setValue(value);
    return result;
}

CMC_Double* CMC_VariableFactory::allocDouble(double value) {
    CMC_Double* result = takeDouble();
    result->setValue(value);
    return result;
}

CMC_Integer* CMC_VariableFactory::allocInteger(int value) {
    CMC_Integer* result = takeInteger();
    result->setValue(value);
    return result;
}

CMC_String* CMC_VariableFactory::allocString(const CXString& value) {
    CMC_String* result = takeString();
    // A short text does not keep the buffer a long one left (unless it is that temporary's own text: a caller
    // may copy a temporary it has just handed back).
    if (result->value().GetCapacity() > kKeptTextCapacity && value.GetLength() < kKeptTextCapacity &&
        &value != &result->value())
        result->startEmpty(kKeptTextCapacity);
    result->setValue(value);
    return result;
}

namespace {

// Runs what(pool, taken) on the pool of the scalar type; nothing for any other type.
template <typename What>
void withPool(int type, What what) {
    switch (type) {
    case TYPE_INTEGER:
        what(CMC_VariableFactory::variablesInt, CMC_VariableFactory::variablesIntTaken);
        break;
    case TYPE_STRING:
        what(CMC_VariableFactory::variablesStr, CMC_VariableFactory::variablesStrTaken);
        break;
    case TYPE_BOOL:
        what(CMC_VariableFactory::variablesBool, CMC_VariableFactory::variablesBoolTaken);
        break;
    case TYPE_DOUBLE:
        what(CMC_VariableFactory::variablesDbl, CMC_VariableFactory::variablesDblTaken);
        break;
    default:
        break;
    }
}

} // namespace

CMC_Variable* CMC_VariableFactory::allocOfType(int type) {
    switch (type) {
    case TYPE_INTEGER:
        return allocInteger();
    case TYPE_STRING:
        return allocString();
    case TYPE_BOOL:
        return allocBool();
    case TYPE_DOUBLE:
        return allocDouble();
    default:
        return nullptr;
    }
}

void CMC_VariableFactory::free(CMC_Variable* value) {
    if (!value) return;
    withPool(value->getType(),
             [value](auto& pool, std::vector<bool>& taken) { giveBack(pool, taken, value); });
    if (value->getType() == TYPE_STRING) keptLong(static_cast<CMC_String*>(value));
}

void CMC_VariableFactory::clearPool() {
    // Nothing reads a temporary now: the buffers long texts left go.
    forgetLongTexts();
    for (CMC_String* text : variablesStr)
        if (text->value().GetCapacity() > kKeptTextCapacity) text->startEmpty(kKeptTextCapacity);
    variablesBoolTaken.assign(variablesBoolTaken.size(), false);
    variablesDblTaken.assign(variablesDblTaken.size(), false);
    variablesIntTaken.assign(variablesIntTaken.size(), false);
    variablesStrTaken.assign(variablesStrTaken.size(), false);
}

int CMC_VariableFactory::takenCount(int type) {
    int count = 0;
    withPool(type, [&count](auto&, const std::vector<bool>& taken) {
        for (bool t : taken) count += t ? 1 : 0;
    });
    return count;
}

CMC_Variable* CMC_VariableFactory::copyVariable(CMC_Variable* value) {
    if (!value) return nullptr;
    // A value of a scalar type id is of that class.
    switch (value->getType()) {
    case TYPE_INTEGER:
        return allocInteger(static_cast<CMC_Integer*>(value)->getValue());
    case TYPE_DOUBLE:
        return allocDouble(static_cast<CMC_Double*>(value)->getValue());
    case TYPE_BOOL:
        return allocBool(static_cast<CMC_Bool*>(value)->getValue());
    case TYPE_STRING:
        return allocString(static_cast<CMC_String*>(value)->value());
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_VariableFactory::ownedCopy(CMC_Variable* value) {
    if (!value) return nullptr;
    switch (value->getType()) {
    case TYPE_INTEGER: {
        auto* copy = new CMC_Integer(CXString("temp"));
        copy->setValue(static_cast<CMC_Integer*>(value)->getValue());
        return copy;
    }
    case TYPE_DOUBLE: {
        auto* copy = new CMC_Double(CXString("temp"));
        copy->setValue(static_cast<CMC_Double*>(value)->getValue());
        return copy;
    }
    case TYPE_BOOL: {
        auto* copy = new CMC_Bool(CXString("temp"));
        copy->setValue(static_cast<CMC_Bool*>(value)->getValue());
        return copy;
    }
    case TYPE_STRING:
        return new CMC_String(CXString("temp"), static_cast<CMC_String*>(value)->value());
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_VariableFactory::restore(CXArchive* archive) {
    if (!archive) return nullptr;
    int type = 0;
    *archive >> &type;
    CMC_Variable* value = allocOfType(type);
    if (value) value->restore(archive);
    return value;
}

CMC_Variable* CMC_VariableFactory::netrestore(const void* buffer, int length) {
    if (!buffer || length < 4) return nullptr;
    CMC_Variable* value =
        allocOfType(static_cast<int>(NetBytes::getU32(static_cast<const unsigned char*>(buffer))));
    if (!value) return nullptr;
    if (value->netrestore(buffer, length)) return value;
    free(value);
    return nullptr;
}

} // namespace KavirelDLL
