#include "script/Bool.h"

#include "script/ScalarImpl.h"

namespace KavirelDLL {

template <>
struct ScalarRules<bool> : PlainScalarRules<bool> {
    static constexpr int kNetMinimum = 1;

    static bool property(CMElement* element, const char* name) { return element->getPropertyBoolValue(name); }

    static bool step(bool& value, int) {
        value = !value;
        return true;
    }

    static bool arithmetic(bool a, bool b, int op) {
        if (op == OP_ADD) return a && b;
        if (op == OP_MULTIPLY) return a || b;
        return a;
    }

    static int netSize(bool) { return 1; }
    static void netWrite(unsigned char* bytes, bool value) { bytes[0] = value ? 1 : 0; }
    static bool netRead(const unsigned char* bytes, int) { return bytes[0] == 1; }

    // A 32-bit 1 or 0 in archives.
    static void store(CXArchive& archive, bool value) { archive << int32_t(value ? 1 : 0); }
    static bool restore(CXArchive& archive) {
        int32_t value = 0;
        archive >> &value;
        return value == 1;
    }
};

template class CMC_Scalar<bool>;

CMC_Bool::CMC_Bool(const CXString& name) : CMC_Scalar(name) {}

CMC_Bool::CMC_Bool(const CXString& name, int id) : CMC_Scalar(name, id) {}

CMC_Bool::CMC_Bool(bool value) : CMC_Scalar(CXString("temp"), -1, value) {}

CMC_Bool::CMC_Bool(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Scalar(scene, element) {}

void CMC_Bool::swap(CMC_Variable*, CMC_Variable*) {
    m_value = !m_value;
    onChange(true);
}

} // namespace KavirelDLL
