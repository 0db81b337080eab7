#include "script/Integer.h"

#include "script/ScalarImpl.h"

namespace KavirelDLL {

namespace {

// Script arithmetic wraps around like the 32-bit machine it was written for.
int32_t wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

} // namespace

template <>
struct ScalarRules<int32_t> : PlainScalarRules<int32_t> {
    static constexpr int kUnordered = 1;
    static constexpr int kNetMinimum = 4;

    static int32_t property(CMElement* element, const char* name) {
        return element->getPropertyIntValue(name);
    }

    static bool step(int32_t& value, int by) {
        value = wrap(int64_t(value) + by);
        return true;
    }

    static int32_t arithmetic(int64_t a, int64_t b, int op) {
        switch (op) {
        case OP_ADD:
            return wrap(a + b);
        case OP_SUBTRACT:
            return wrap(a - b);
        case OP_MULTIPLY:
            return wrap(a * b);
        // Division by zero gives 0 rather than stopping the game.
        case OP_DIVIDE:
            return b == 0 ? 0 : wrap(a / b);
        case OP_MODULO:
            return b == 0 ? 0 : wrap(a % b);
        default:
            return wrap(a);
        }
    }

    static int netSize(int32_t) { return 4; }
    static void netWrite(unsigned char* bytes, int32_t value) {
        NetBytes::putU32(bytes, static_cast<uint32_t>(value));
    }
    static int32_t netRead(const unsigned char* bytes, int) {
        return static_cast<int32_t>(NetBytes::getU32(bytes));
    }

    static void store(CXArchive& archive, int32_t value) { archive << value; }
    static int32_t restore(CXArchive& archive) {
        int32_t value = 0;
        archive >> &value;
        return value;
    }
};

template class CMC_Scalar<int32_t>;

CMC_Integer::CMC_Integer(const CXString& name) : CMC_Scalar(name) {}

CMC_Integer::CMC_Integer(const CXString& name, int id) : CMC_Scalar(name, id) {}

CMC_Integer::CMC_Integer(int value) : CMC_Scalar(CXString("temp"), -1, value) {}

CMC_Integer::CMC_Integer(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Scalar(scene, element) {}

} // namespace KavirelDLL
