#include "script/String.h"

#include "script/ScalarImpl.h"

namespace KavirelDLL {

template <>
struct ScalarRules<CXString> {
    static constexpr int kUnordered = -1;
    static constexpr int kNetMinimum = 1;

    static CXString property(CMElement* element, const char* name) { return element->getPropertyValue(name); }

    static bool same(const CXString& a, const CXString& b) { return a.equals(b); }
    static bool equal(const CXString& a, const CXString& b) { return a.equalsIgnoreCase(b); }
    static int order(const CXString& a, const CXString& b) {
        int result = std::strcmp(a.GetBuffer(), b.GetBuffer());
        return result == 0 ? 0 : (result < 0 ? -1 : 1);
    }
    static bool step(CXString&, int) { return false; }

    static CXString arithmetic(const CXString& a, const CXString& b, int op) {
        CXString result = a;
        if (op == OP_ADD) result += b;
        return result;
    }

    // The text and its zero byte.
    static int netSize(const CXString& value) { return value.GetLength() + 1; }
    static void netWrite(unsigned char* bytes, const CXString& value) {
        std::memcpy(bytes, value.GetBuffer(), static_cast<size_t>(value.GetLength()));
        bytes[value.GetLength()] = 0;
    }
    // The text ends at its zero byte, or at the end of what arrived.
    static CXString netRead(const unsigned char* bytes, int length) {
        int end = 0;
        while (end < length && bytes[end] != 0) ++end;
        CXString text(end);
        for (int i = 0; i < end; ++i) text += static_cast<char>(bytes[i]);
        return text;
    }

    static void store(CXArchive& archive, const CXString& value) { archive << value; }
    static CXString restore(CXArchive& archive) {
        CXString text;
        archive >> &text;
        return text;
    }
};

template class CMC_Scalar<CXString>;

namespace {
// Lists of script values find strings among them through this (CXArray::containsString).
bool readStringsInLists() {
    CXArray::setStringValueReader([](CXObject* element) -> const CXString* {
        auto* value = dynamic_cast<CMC_String*>(element);
        return value ? &value->value() : nullptr;
    });
    return true;
}
[[maybe_unused]] const bool g_listsReadStrings = readStringsInLists();
} // namespace

CMC_String::CMC_String(const CXString& name) : CMC_Scalar(name) {}

CMC_String::CMC_String(const CXString& name, int id) : CMC_Scalar(name, id) {}

CMC_String::CMC_String(const CXString& name, const CXString& text) : CMC_Scalar(name, -1, text) {}

CMC_String::CMC_String(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Scalar(scene, element) {}

void CMC_String::setValue(const CXString& text) {
    bool changed = !m_value.equals(text);
    m_value = text;
    onChange(changed);
}

void CMC_String::startEmpty(int capacity) {
    for (CXString* text : {&m_value, &m_default}) {
        // Filled with nothing, a text frees its buffer.
        if (text->GetCapacity() > capacity)
            text->FillWith(' ', 0);
        else if (text->IsString())
            *text = "";
    }
}

void CMC_String::swap(CMC_Variable* a, CMC_Variable* b) {
    if (!a || !b) return;
    // An expression calculates for its text, and its code may delete this value.
    bool scripted = a->getType() == TYPE_EXPRESSION || b->getType() == TYPE_EXPRESSION;
    std::shared_ptr<CMC_ObjectAnchor> self = scripted ? anchor() : nullptr;
    CXString first = a->toString();
    if (self && !self->object) return;
    CXString next = m_value.equals(first) ? b->toString() : first;
    if (self && !self->object) return;
    bool changed = !m_value.equals(next);
    m_value = next;
    onChange(changed);
}

void CMC_String::lower() {
    m_value.Lower();
    onChange(true);
}

void CMC_String::upper() {
    m_value.Upper();
    onChange(true);
}

} // namespace KavirelDLL
