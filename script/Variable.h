#pragma once
#include "script/Object.h"

namespace KavirelDLL {

class CMC_Settings;

// Event indexes of every value type.
enum : int {
    EVT_VAR_ONINIT = 0,
    EVT_VAR_ONDONE = 1,
    EVT_VAR_ONSIGNAL = 2,
    EVT_VAR_ONCHANGED = 3,
    EVT_VAR_ONBRUTALCHANGED = 4,
    EVT_VAR_ONNETCHANGE = 5,
};

// Base of the script values. Pool temporaries carry their pool index as id; every other value has -1.
class CMC_Variable : public CMC_Object {
public:
    CMC_Variable(const CXString& name, int type);
    CMC_Variable(const CXString& name, int type, int id);
    // Reads TOINI and NETNOTIFY, then binds the definition's handlers.
    CMC_Variable(CMC_ObjectsContainer* scene, CMElement* element, int type);

    using CXObject::equals;
    int compare(CXObject* other) override;
    void init() override;
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;

    // Takes the other value, converted to this type.
    virtual void set(CMC_Variable* other);
    virtual void clear();
    virtual void swap(CMC_Variable* a, CMC_Variable* b);
    virtual void inc();
    virtual void dec();
    virtual bool equals(CMC_Variable* other);
    virtual int compare(CMC_Variable* other);
    // This value as a temporary of the type (this very object for its own type); null when impossible.
    // Converting a temporary to another type hands it back first.
    virtual CMC_Variable* convert(int type);
    // A new temporary; this value is left unchanged.
    virtual CMC_Variable* calculate(CMC_Variable* other, int op);
    // Runs the change handlers, writes the ini entry and tells the network, as the value's settings ask.
    void onChange(bool changed) {
        if (hasHandler(EVT_VAR_ONBRUTALCHANGED) ||
            (changed && (hasHandler(EVT_VAR_ONCHANGED) || m_toIni || m_netNotify)))
            noticeChange(changed);
    }
    // Whether a change runs anything at all (handlers, the ini entry, the network): a value whose changes
    // nothing hears may take several changes a script asked for in one step.
    bool changesAreHeard() const {
        return hasHandler(EVT_VAR_ONBRUTALCHANGED) || hasHandler(EVT_VAR_ONCHANGED) || m_toIni || m_netNotify;
    }
    virtual void onNetChange(CMC_Variable* value);
    virtual void setDefault(CMC_Variable* value);
    virtual void resetINI();
    // Size of the network form.
    virtual int getBufferLen();
    // Writes the network form into a buffer of getBufferLen() bytes.
    virtual void netstore(void* buffer);
    // Reads a network form of length bytes; false (and nothing changed) when it is short or of another type.
    virtual bool netrestore(const void* buffer, int length);
    virtual void store(CXArchive* archive);
    virtual void restore(CXArchive* archive);
    virtual void fromString(const CXString& text);

    int getId() const { return m_id; }
    bool isToIni() const { return m_toIni; }
    bool isNetNotify() const { return m_netNotify; }

    static bool isNumber(const CXString& text);
    // A literal of a script line as a temporary: quoted text, INTEGER, DOUBLE, BOOL ("TRUE", "FALSE")
    // or STRING.
    static CMC_Variable* resolve(const CXString& text);

    // The configuration that keeps TOINI values: the application shell's, reached through the
    // container's window; null when there is none.
    CMC_Settings* getConfig();
    // The same for any object of the container.
    static CMC_Settings* configOf(CMC_ObjectsContainer* scene);

protected:
    // For types that bind their handlers themselves, after their own fields are set.
    struct NoBinding {};
    CMC_Variable(CMC_ObjectsContainer* scene, CMElement* element, int type, NoBinding);

    // The section TOINI values are kept under: the container's name.
    CXString iniSection();
    // The other value converted for an operation on this one, as convert() gives it. An expression runs
    // script code while it converts; when that code deletes this value the answer is null (and anything
    // converted is handed back), so a caller that gets null touches nothing of itself.
    CMC_Variable* convertOperand(CMC_Variable* other, int type) {
        if (!other) return nullptr;
        return other->getType() != TYPE_EXPRESSION ? other->convert(type) : convertExpression(other, type);
    }
    CMC_Variable* convertExpression(CMC_Variable* other, int type);
    // onChange's work once something is to be told.
    void noticeChange(bool changed);

    int32_t m_id = -1;
    bool m_toIni = false;
    bool m_netNotify = false;
};

// Every value type gives its own form of all these operations, in this order.
#define KAVIREL_VALUE_OPERATIONS                                                                             \
    void set(CMC_Variable* other) override;                                                                  \
    void clear() override;                                                                                   \
    void swap(CMC_Variable* a, CMC_Variable* b) override;                                                    \
    void inc() override;                                                                                     \
    void dec() override;                                                                                     \
    bool equals(CMC_Variable* other) override;                                                               \
    int compare(CMC_Variable* other) override;                                                               \
    CMC_Variable* convert(int type) override;                                                                \
    CMC_Variable* calculate(CMC_Variable* other, int op) override;                                           \
    void setDefault(CMC_Variable* value) override;                                                           \
    void resetINI() override;                                                                                \
    int getBufferLen() override;                                                                             \
    void netstore(void* buffer) override;                                                                    \
    bool netrestore(const void* buffer, int length) override;                                                \
    void store(CXArchive* archive) override;                                                                 \
    void restore(CXArchive* archive) override;                                                               \
    void fromString(const CXString& text) override

// Little-endian field access for the network forms.
namespace NetBytes {
void putU32(unsigned char* at, uint32_t value);
uint32_t getU32(const unsigned char* at);
} // namespace NetBytes

} // namespace KavirelDLL
