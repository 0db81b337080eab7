#include "script/VariableRunner.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/Log.h"
#include "core/Path.h"
#include "core/XRandom.h"
#include "platform/Files.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

using namespace RunnerResults;

namespace {

constexpr double kPi = 3.141592654;
constexpr float kSinglePi = 3.1415927f;

// The longest text INSERTAT makes; a count beyond it is a script's mistake, and would exhaust memory.
constexpr long long kMaxInsertedText = 64ll << 20;

bool insertFits(const CXString& text, const CXString& put, int times) {
    long long length = text.GetLength() + static_cast<long long>(put.GetLength()) * times;
    if (length <= kMaxInsertedText) return true;
    logMessage("INSERTAT refused: the text would be %lld bytes long", length);
    return false;
}

// What INSERTAT of times copies gives, built at once: while the place lies beyond the text each copy goes
// at its end; from then on each goes at the place, ahead of the copies before it (the same text).
CXString insertedCopies(const CXString& text, int pos, const CXString& put, int times) {
    int size = put.GetLength();
    if (size == 0 || times <= 0) return text;
    CXString result = text;
    int appended = 0;
    if (pos > text.GetLength())
        appended = static_cast<int>(std::min<long long>(times, (pos - text.GetLength() + size - 1ll) / size));
    for (int i = 0; i < appended; ++i) result += put;
    if (appended == times) return result;
    // Room for every copy below the capacity, so the last one is written in place too.
    CXString copies(static_cast<int>(static_cast<long long>(size) * (times - appended)) + 1);
    for (int i = appended; i < times; ++i) copies += put;
    int at = pos < 0 ? 0 : std::min(pos, result.GetLength());
    return result.Left(at) + copies + result.Right(at);
}

bool isValueType(int type) {
    return (type >= TYPE_INTEGER && type <= TYPE_DOUBLE) || type == TYPE_EXPRESSION;
}

// The receiver's own value, an expression's once calculated.
CMC_Variable* valueOf(CMC_Variable* value) {
    if (value && value->getType() == TYPE_EXPRESSION)
        return static_cast<CMC_Expression*>(value)->calculatedResult();
    return value;
}

int readInteger(CMC_Variable* value) {
    int result = 0;
    CMC_Integer::valueOf(valueOf(value), &result);
    return result;
}

double readDouble(CMC_Variable* value) {
    double result = 0.0;
    CMC_Double::valueOf(valueOf(value), &result);
    return result;
}

// Truncated toward zero and kept inside 32 bits (not a number gives 0).
int32_t truncated(long double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0L) return INT32_MAX;
    if (value <= -2147483648.0L) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Receivers of another type take the number through their own conversion.
void writeInteger(CMC_Variable* receiver, int value) {
    if (receiver->getType() == TYPE_INTEGER) {
        static_cast<CMC_Integer*>(receiver)->setValue(value);
        return;
    }
    CMC_Integer* temporary = CMC_VariableFactory::allocInteger(value);
    receiver->set(temporary);
    CMC_Object::flush(temporary);
}

void writeDouble(CMC_Variable* receiver, double value) {
    if (receiver->getType() == TYPE_DOUBLE) {
        static_cast<CMC_Double*>(receiver)->setValue(value);
        return;
    }
    CMC_Double* temporary = CMC_VariableFactory::allocDouble(value);
    receiver->set(temporary);
    CMC_Object::flush(temporary);
}

float single(double value) { return static_cast<float>(value); }

// The operation a method applies by the receiver's own arithmetic; 0 for any other method (STRING's SUB is
// a text method of its own).
int arithmeticOp(int id, int type) {
    switch (id) {
    case CMC_Variable_Runner::MTH_ADD:
        return OP_ADD;
    case CMC_Variable_Runner::MTH_SUB:
        return type == TYPE_STRING ? 0 : OP_SUBTRACT;
    case CMC_Variable_Runner::MTH_MUL:
        return OP_MULTIPLY;
    case CMC_Variable_Runner::MTH_DIV:
        return OP_DIVIDE;
    case CMC_Variable_Runner::MTH_MOD:
        return OP_MODULO;
    default:
        return 0;
    }
}

// A number or BOOL added to a STRING: its text, converted as calculate() converts it (which runs no code),
// is appended in place.
bool addTextOf(CMC_String* value, CMC_Variable* argument, CMC_Variable** result) {
    int type = argument->getType();
    if (type != TYPE_INTEGER && type != TYPE_DOUBLE && type != TYPE_BOOL) return false;
    CMC_Variable* text = argument->convert(TYPE_STRING);
    if (!text) return false;
    value->calculateInPlace(*static_cast<CMC_String*>(text), OP_ADD, result);
    CMC_Object::flush(text);
    return true;
}

// A scalar's arithmetic on an operand of its own type, which runs no code: calculated in place, with a
// temporary of the result in *result only when wanted. False (nothing done) for any other operand.
bool inPlace(CMC_Variable* value, CMC_Variable* argument, int op, bool wanted, CMC_Variable** result) {
    if (!argument) return false;
    CMC_Variable** out = wanted ? result : nullptr;
    if (value->getType() == TYPE_STRING && op == OP_ADD && argument->getType() != TYPE_STRING)
        return addTextOf(static_cast<CMC_String*>(value), argument, out);
    if (argument->getType() != value->getType()) return false;
    switch (value->getType()) {
    case TYPE_INTEGER:
        static_cast<CMC_Integer*>(value)->calculateInPlace(*static_cast<CMC_Integer*>(argument), op, out);
        return true;
    case TYPE_DOUBLE:
        static_cast<CMC_Double*>(value)->calculateInPlace(*static_cast<CMC_Double*>(argument), op, out);
        return true;
    case TYPE_STRING:
        static_cast<CMC_String*>(value)->calculateInPlace(*static_cast<CMC_String*>(argument), op, out);
        return true;
    case TYPE_BOOL:
        static_cast<CMC_Bool*>(value)->calculateInPlace(*static_cast<CMC_Bool*>(argument), op, out);
        return true;
    default:
        return false;
    }
}

} // namespace

void CMC_Variable_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("SET", MTH_SET);
    addMethod("SWITCH", MTH_SWITCH);
    addMethod("INC", MTH_INC);
    addMethod("DEC", MTH_DEC);
    addMethod("CLEAR", MTH_CLEAR);
    addMethod("ADD", MTH_ADD);
    addMethod("MUL", MTH_MUL);
    addMethod("SUB", MTH_SUB);
    addMethod("DIV", MTH_DIV);
    addMethod("MOD", MTH_MOD);
    addMethod("RESETINI", MTH_RESETINI);
    addMethod("SETDEFAULT", MTH_SETDEFAULT);
    addMethod("ABS", MTH_ABS);
    addMethod("AND", MTH_AND);
    addMethod("OR", MTH_OR);
    addMethod("NOT", MTH_NOT);
    addMethod("XOR", MTH_XOR);
    addMethod("POWER", MTH_POWER);
    addMethod("LOG", MTH_LOG);
    addMethod("SQRT", MTH_SQRT);
    addMethod("SGN", MTH_SGN);
    addMethod("CLAMP", MTH_CLAMP);
    addMethod("LENGTH", MTH_LENGTH);
    addMethod("ARCTAN", MTH_ARCTAN);
    addMethod("ARCTANEX", MTH_ARCTANEX);
    addMethod("GET", MTH_GET);
    addMethod("MAXA", MTH_MAXA);
    addMethod("MINA", MTH_MINA);
    addMethod("SINUS", MTH_SINUS);
    addMethod("COSINUS", MTH_COSINUS);
    addMethod("UPPER", MTH_UPPER);
    addMethod("LOWER", MTH_LOWER);
    addMethod("FIND", MTH_FIND);
    addMethod("CUT", MTH_CUT);
    addMethod("REPLACEAT", MTH_REPLACEAT);
    addMethod("INSERTAT", MTH_INSERTAT);
    addMethod("REPLACE", MTH_REPLACE);
    addMethod("ROUND", MTH_ROUND);
    addMethod("ISUPPERLETTER", MTH_ISUPPERLETTER);
    addMethod("COPYFILE", MTH_COPYFILE);
    addMethod("RANDOM", MTH_RANDOM);
}

CMC_Variable* CMC_Variable_Runner::arithmetic(CMC_Variable* value, CXVector* args, int op, bool keepResult,
                                              const CMC_ArgumentsGuard& guard) {
    CMC_Variable* argument = getParameter(args, 0);
    if (guard.objectGone()) return nullptr;
    // An expression's result of the receiver's own type (or a second argument, which is not read).
    CMC_Variable* result = nullptr;
    if (inPlace(value, argument, op, keepResult && !CMC_CallMemo::droppedBy(args), &result)) return result;
    result = value->calculate(argument, op);
    if (!result) return nullptr;
    if (guard.objectGone()) {
        CMC_Object::flush(result);
        return nullptr;
    }
    value->set(result);
    // ADD answers with the sum: the temporary itself serves, the caller hands it back.
    if (keepResult) return result;
    CMC_Object::flush(result);
    return nullptr;
}

CMC_Variable* CMC_Variable_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (!object || !isValueType(object->getType())) return CMC_Runner::run(id, object, container, args);
    auto* value = static_cast<CMC_Variable*>(object);
    int type = value->getType();
    // A scalar given one argument that is not an EXPRESSION: reading it runs no code, so no guard is
    // needed, and SET and arithmetic on an operand of the receiver's own type go straight to the value.
    if (type != TYPE_EXPRESSION && args && args->getSize() == 1) {
        auto* argument = static_cast<CMC_Variable*>(args->at(0));
        if (argument && !isControlCode(argument) && argument->getType() != TYPE_EXPRESSION) {
            if (id == MTH_SET) {
                value->set(argument);
                return nullptr;
            }
            CMC_Variable* result = nullptr;
            if (int op = arithmeticOp(id, type);
                op && inPlace(value, argument, op, id == MTH_ADD && !CMC_CallMemo::droppedBy(args), &result))
                return result;
        }
    }
    int count = argumentCount(args);
    CMC_ArgumentsGuard guard(object, container, args);
    switch (id) {
    case MTH_SET: {
        CMC_Variable* argument = getParameter(args, 0);
        if (argument && !guard.objectGone()) value->set(argument);
        return nullptr;
    }
    case MTH_SWITCH: {
        if (count < 2) return nullptr;
        CMC_Variable* first = getParameter(args, 0);
        std::shared_ptr<CMC_ObjectAnchor> firstAnchor = first ? first->anchor() : nullptr;
        CMC_Variable* second = getParameter(args, 1);
        if (!guard.objectGone() && (!firstAnchor || firstAnchor->object)) value->swap(first, second);
        return nullptr;
    }
    case MTH_CLEAR:
        value->clear();
        return nullptr;
    case MTH_INC:
        value->inc();
        return nullptr;
    case MTH_DEC:
        value->dec();
        return nullptr;
    case MTH_ADD:
        return arithmetic(value, args, OP_ADD, true, guard);
    case MTH_SUB:
        if (type == TYPE_STRING) return stringMethod(id, value, args, guard);
        return arithmetic(value, args, OP_SUBTRACT, false, guard);
    case MTH_MUL:
        return arithmetic(value, args, OP_MULTIPLY, false, guard);
    case MTH_DIV:
        return arithmetic(value, args, OP_DIVIDE, false, guard);
    case MTH_MOD:
        return arithmetic(value, args, OP_MODULO, false, guard);
    case MTH_RESETINI:
        value->resetINI();
        return nullptr;
    case MTH_SETDEFAULT: {
        CMC_Variable* argument = getParameter(args, 0);
        if (argument && !guard.objectGone()) value->setDefault(argument);
        return nullptr;
    }
    case MTH_ABS:
    case MTH_AND:
    case MTH_OR:
    case MTH_XOR:
        return integerMethod(id, value, args, guard);
    case MTH_NOT:
        if (type == TYPE_STRING) return stringMethod(id, value, args, guard);
        return integerMethod(id, value, args, guard);
    case MTH_POWER:
        if (type == TYPE_DOUBLE) return doubleMethod(id, value, args, guard);
        return integerMethod(id, value, args, guard);
    case MTH_LOG:
        if (type != TYPE_DOUBLE) return nullptr;
        return doubleMethod(id, value, args, guard);
    case MTH_CLAMP:
        if (type == TYPE_INTEGER) return integerMethod(id, value, args, guard);
        if (type == TYPE_DOUBLE) return doubleMethod(id, value, args, guard);
        return nullptr;
    case MTH_LENGTH:
        if (type == TYPE_STRING) return stringMethod(id, value, args, guard);
        if (count < 2) return nullptr;
        return doubleMethod(id, value, args, guard);
    case MTH_SQRT:
    case MTH_SGN:
    case MTH_ARCTAN:
    case MTH_ARCTANEX:
    case MTH_SINUS:
    case MTH_COSINUS:
    case MTH_MAXA:
    case MTH_MINA:
    case MTH_ROUND:
        return doubleMethod(id, value, args, guard);
    case MTH_GET:
        if (type == TYPE_STRING) return stringMethod(id, value, args, guard);
        if (type == TYPE_INTEGER || type == TYPE_DOUBLE) return CMC_VariableFactory::copyVariable(value);
        return value;
    case MTH_UPPER:
    case MTH_LOWER:
    case MTH_FIND:
    case MTH_CUT:
    case MTH_REPLACEAT:
    case MTH_INSERTAT:
    case MTH_REPLACE:
        if (type != TYPE_STRING) return nullptr;
        return stringMethod(id, value, args, guard);
    case MTH_ISUPPERLETTER:
        if (type != TYPE_STRING) return CMC_VariableFactory::allocBool(false);
        return stringMethod(id, value, args, guard);
    case MTH_COPYFILE:
        return copyFile(container, args);
    case MTH_RANDOM:
        return random(value, args, guard);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

CMC_Variable* CMC_Variable_Runner::integerMethod(int id, CMC_Variable* value, CXVector* args,
                                                 const CMC_ArgumentsGuard& guard) {
    int count = argumentCount(args);
    int own = readInteger(value);
    int result = own;
    switch (id) {
    case MTH_ABS: {
        // The argument's magnitude, not the receiver's; the lowest value stays as it is.
        int x = getParameterInteger(args, 0)->getValue();
        result = x < 0 ? static_cast<int>(0u - static_cast<unsigned>(x)) : x;
        break;
    }
    case MTH_AND:
        result = own & getParameterInteger(args, 0)->getValue();
        break;
    case MTH_OR:
        result = own | getParameterInteger(args, 0)->getValue();
        break;
    case MTH_XOR:
        result = own ^ getParameterInteger(args, 0)->getValue();
        break;
    case MTH_NOT:
        result = ~own;
        break;
    case MTH_POWER: {
        int exponent = getParameterInteger(args, 0)->getValue();
        long double base = own;
        long double power = 1.0L;
        unsigned long long rest = exponent < 0 ? 0ull - static_cast<unsigned long long>(exponent)
                                               : static_cast<unsigned long long>(exponent);
        while (rest) {
            if (rest & 1) power *= base;
            base *= base;
            rest >>= 1;
        }
        if (exponent < 0) power = 1.0L / power;
        result = truncated(power);
        break;
    }
    case MTH_CLAMP: {
        if (count < 2) return nullptr;
        int low = getParameterInteger(args, 0)->getValue();
        int high = getParameterInteger(args, 1)->getValue();
        if (own < low)
            result = low;
        else if (own > high)
            result = high;
        break;
    }
    default:
        return nullptr;
    }
    if (guard.objectGone()) return nullptr;
    writeInteger(value, result);
    return CMC_VariableFactory::allocInteger(result);
}

CMC_Variable* CMC_Variable_Runner::doubleMethod(int id, CMC_Variable* value, CXVector* args,
                                                const CMC_ArgumentsGuard& guard) {
    int count = argumentCount(args);
    double own = readDouble(value);
    double result = own;
    switch (id) {
    case MTH_POWER:
        result = single(std::pow(single(own), single(getParameterDouble(args, 0)->getValue())));
        break;
    case MTH_LOG:
        result = single(std::log(single(getParameterDouble(args, 0)->getValue())));
        break;
    case MTH_SQRT:
        result = std::sqrt(own);
        break;
    case MTH_SGN:
        return CMC_VariableFactory::allocInteger(own > 0 ? 1 : own < 0 ? -1 : 0);
    case MTH_CLAMP: {
        if (count < 2) return nullptr;
        double low = getParameterDouble(args, 0)->getValue();
        double high = getParameterDouble(args, 1)->getValue();
        if (own < low)
            result = low;
        else if (own > high)
            result = high;
        break;
    }
    case MTH_LENGTH: {
        float a = single(getParameterDouble(args, 0)->getValue());
        float b = single(getParameterDouble(args, 1)->getValue());
        float squares = a * a + b * b;
        result = single(std::sqrt(squares));
        break;
    }
    case MTH_ARCTAN:
        result = std::atan(getParameterDouble(args, 0)->getValue()) * 180.0 / kPi;
        break;
    case MTH_ARCTANEX: {
        double y = getParameterDouble(args, 0)->getValue();
        double x = getParameterDouble(args, 1)->getValue();
        // The angle is taken in single precision, as the engine always has: (1, 0) is a hair above 90.
        result = static_cast<double>(std::atan2(single(y), single(x))) * 180.0 / kPi;
        if (result < 0) result += 360.0;
        if (count == 3) {
            long long whole =
                static_cast<long long>(truncated(result + getParameterDouble(args, 2)->getValue()));
            result = static_cast<double>(whole % 360);
        }
        break;
    }
    case MTH_SINUS:
    case MTH_COSINUS: {
        float radians = single(getParameterDouble(args, 0)->getValue()) * kSinglePi / 180.0f;
        result = single(id == MTH_SINUS ? std::sin(static_cast<double>(radians))
                                        : std::cos(static_cast<double>(radians)));
        break;
    }
    case MTH_MAXA:
    case MTH_MINA: {
        if (count < 1) return nullptr;
        result = getParameterDouble(args, 0)->getValue();
        for (int i = 1; i < count; ++i) {
            double next = getParameterDouble(args, i)->getValue();
            if (id == MTH_MAXA ? next > result : next < result) result = next;
        }
        break;
    }
    case MTH_ROUND: {
        // Truncated, then up by one when the first two decimals reach 50: -2.5 gives -2.
        int whole = truncated(own);
        if (std::fmod(std::trunc(own * 100.0), 100.0) >= 50.0) whole = whole == INT32_MAX ? whole : whole + 1;
        return CMC_VariableFactory::allocInteger(whole);
    }
    default:
        return nullptr;
    }
    if (guard.objectGone()) return nullptr;
    writeDouble(value, result);
    return CMC_VariableFactory::allocDouble(result);
}

CMC_Variable* CMC_Variable_Runner::stringMethod(int id, CMC_Variable* value, CXVector* args,
                                                const CMC_ArgumentsGuard& guard) {
    auto* string = static_cast<CMC_String*>(value);
    int count = argumentCount(args);
    // The arguments are read first: reading one may run code that deletes the receiver.
    auto integerAt = [&](int i, int fallback) {
        return i < count ? getParameterInteger(args, i)->getValue() : fallback;
    };
    auto textAt = [&](int i) { return i < count ? getParameterString(args, i)->getValue() : CXString(""); };
    switch (id) {
    case MTH_SUB: {
        int pos = integerAt(0, 0);
        int remove = integerAt(1, 0);
        if (guard.objectGone()) return nullptr;
        const CXString& text = string->value();
        long long from = static_cast<long long>(pos) + remove;
        from = from < 0 ? 0 : (from > text.GetLength() ? text.GetLength() : from);
        string->setValue(text.Left(pos) + text.Right(static_cast<int>(from)));
        return nullptr;
    }
    case MTH_NOT: {
        const CXString& text = string->value();
        int length = text.GetLength();
        CXString reversed(length);
        for (int i = length - 1; i >= 0; --i) reversed += text.GetAt(i);
        string->setValue(reversed);
        return CMC_VariableFactory::allocString(reversed);
    }
    case MTH_LENGTH:
        return CMC_VariableFactory::allocInteger(string->value().GetLength());
    case MTH_GET: {
        int from = integerAt(0, 0);
        int n = integerAt(1, 0);
        if (guard.objectGone()) return nullptr;
        const CXString& text = string->value();
        int length = text.GetLength();
        if (count == 0) return CMC_VariableFactory::allocString(text);
        if (from < 0 || from >= length) return CMC_VariableFactory::allocString(CXString(""));
        if (count == 1) return CMC_VariableFactory::allocString(text.Mid(from, from + 1));
        if (n == -1) return CMC_VariableFactory::allocString(text.Right(from));
        if (n <= 0) return CMC_VariableFactory::allocString(CXString(""));
        long long end = static_cast<long long>(from) + n;
        return CMC_VariableFactory::allocString(
            text.Mid(from, end > length ? length : static_cast<int>(end)));
    }
    case MTH_UPPER:
        string->upper();
        return nullptr;
    case MTH_LOWER:
        string->lower();
        return nullptr;
    case MTH_FIND: {
        CXString sought = textAt(0);
        int start = integerAt(1, 0);
        if (guard.objectGone()) return nullptr;
        return CMC_VariableFactory::allocInteger(string->value().FindSubString(sought, start));
    }
    case MTH_CUT: {
        int pos = std::max(integerAt(0, 0), 0);
        int keep = integerAt(1, 0);
        if (guard.objectGone()) return nullptr;
        const CXString& text = string->value();
        if (keep < 1) {
            string->setValue(text.Right(pos));
        } else {
            long long end = static_cast<long long>(pos) + keep;
            string->setValue(
                text.Mid(pos, end > text.GetLength() ? text.GetLength() : static_cast<int>(end)));
        }
        return nullptr;
    }
    case MTH_REPLACEAT: {
        int pos = integerAt(0, 0);
        CXString put = textAt(1);
        if (guard.objectGone()) return nullptr;
        const CXString& text = string->value();
        int length = text.GetLength();
        if (pos < 0 || pos > length) return nullptr;
        long long rest = static_cast<long long>(pos) + put.GetLength();
        string->setValue(text.Left(pos) + put +
                         (rest >= length ? CXString("") : text.Right(static_cast<int>(rest))));
        return nullptr;
    }
    case MTH_INSERTAT: {
        int pos = integerAt(0, 0);
        CXString put = textAt(1);
        int times = integerAt(2, 1);
        if (guard.objectGone()) return nullptr;
        if (times > 0 && !insertFits(string->value(), put, times)) return nullptr;
        if (times > 0 && !string->changesAreHeard()) {
            string->setValue(insertedCopies(string->value(), pos, put, times));
            return nullptr;
        }
        // Each assignment tells the value's handlers, which may delete it (or lengthen it).
        std::shared_ptr<CMC_ObjectAnchor> self = string->anchor();
        for (int i = 0; i < times && self->object; ++i) {
            CXString now = string->getValue();
            if (!insertFits(now, put, 1)) return nullptr;
            int at = pos < 0 ? 0 : (pos > now.GetLength() ? now.GetLength() : pos);
            string->setValue(now.Left(at) + put + now.Right(at));
        }
        return nullptr;
    }
    case MTH_REPLACE: {
        CXString from = textAt(0);
        CXString to = textAt(1);
        if (guard.objectGone()) return nullptr;
        string->setValue(string->value().replace(from, to));
        return nullptr;
    }
    case MTH_ISUPPERLETTER: {
        int at = integerAt(0, 0);
        if (guard.objectGone()) return nullptr;
        return CMC_VariableFactory::allocBool(string->value().IsUpper(at));
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Variable_Runner::copyFile(CMC_ObjectsContainer* container, CXVector* args) {
    if (argumentCount(args) < 2) return CMC_VariableFactory::allocBool(false);
    CWindow* window = container ? container->getWindow() : nullptr;
    CXString from = CPath::resolveFileNameEx(window, getParameterString(args, 0)->getValue());
    CXString to = CPath::resolveFileNameEx(window, getParameterString(args, 1)->getValue());
    if (from.GetAt(0) == '~') from = from.Right(1);
    if (to.GetAt(0) == '~') to = to.Right(1);
    std::string source(from.GetBuffer(), static_cast<size_t>(from.GetLength()));
    std::string target(to.GetBuffer(), static_cast<size_t>(to.GetLength()));
    size_t slash = target.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) CPlatformFiles::createFolder(target.substr(0, slash));
    return CMC_VariableFactory::allocBool(CPlatformFiles::copyFile(source, target, false) ==
                                          EPlatformError::none);
}

CMC_Variable* CMC_Variable_Runner::random(CMC_Variable* value, CXVector* args,
                                          const CMC_ArgumentsGuard& guard) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    int count = argumentCount(args);
    int result = 0;
    if (count == 1)
        result = CXRandom::random(getParameterInteger(args, 0)->getValue());
    else if (count >= 2)
        result = CXRandom::random(getParameterInteger(args, 0)->getValue(),
                                  getParameterInteger(args, 1)->getValue());
    if (!guard.objectGone() && value->getType() == TYPE_INTEGER)
        static_cast<CMC_Integer*>(value)->setValue(result);
    return CMC_VariableFactory::allocInteger(result);
}

} // namespace KavirelDLL
