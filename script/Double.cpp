#include "script/Double.h"

#include <climits>
#include <cmath>

#include "script/ScalarImpl.h"

namespace KavirelDLL {

namespace {

int32_t saturate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

template <>
struct ScalarRules<double> : PlainScalarRules<double> {
    static constexpr int kNetMinimum = 8;

    static double property(CMElement* element, const char* name) {
        return element->getPropertyDoubleValue(name);
    }

    static bool step(double& value, int by) {
        value += by;
        return true;
    }

    static double arithmetic(double a, double b, int op) {
        switch (op) {
        case OP_ADD:
            return a + b;
        case OP_SUBTRACT:
            return a - b;
        case OP_MULTIPLY:
            return a * b;
        case OP_DIVIDE:
            return a / b;
        case OP_MODULO: {
            int64_t x = saturate(a);
            int64_t y = saturate(b);
            return y == 0 ? 0.0 : static_cast<double>(x % y);
        }
        default:
            return a;
        }
    }

    // The IEEE bits, low word first.
    static int netSize(double) { return 8; }
    static void netWrite(unsigned char* bytes, double value) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        NetBytes::putU32(bytes, static_cast<uint32_t>(bits));
        NetBytes::putU32(bytes + 4, static_cast<uint32_t>(bits >> 32));
    }
    static double netRead(const unsigned char* bytes, int) {
        uint64_t bits = uint64_t(NetBytes::getU32(bytes)) | uint64_t(NetBytes::getU32(bytes + 4)) << 32;
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof bits);
        return value;
    }

    static void store(CXArchive& archive, double value) { archive << value; }
    static double restore(CXArchive& archive) {
        double value = 0.0;
        archive >> &value;
        return value;
    }
};

template class CMC_Scalar<double>;

CMC_Double::CMC_Double(const CXString& name) : CMC_Scalar(name) {}

CMC_Double::CMC_Double(const CXString& name, int id) : CMC_Scalar(name, id) {}

CMC_Double::CMC_Double(double value) : CMC_Scalar(CXString("temp"), -1, value) {}

CMC_Double::CMC_Double(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Scalar(scene, element) {}

double CMC_Double::round(double value) {
    double whole = std::trunc(value);
    if (std::fabs(value - whole) >= 0.5) return value > 0 ? whole + 1 : whole - 1;
    return whole;
}

int CMC_Double::toInteger(double value) { return saturate(round(value)); }

} // namespace KavirelDLL
