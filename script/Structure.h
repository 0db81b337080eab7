#pragma once
#include "script/Runner.h"
#include "script/Variable.h"

namespace KavirelDLL {

// STRUCTURE: named scalar fields, each a variable named after the structure, "_" and the field name.
class CMC_Structure : public CMC_Variable {
public:
    explicit CMC_Structure(const CXString& name);
    // FIELDS lists NAME<TYPE> items separated by ",".
    CMC_Structure(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Structure() override;

    using CMC_Object::clone;
    using CMC_Variable::compare;
    using CMC_Variable::equals;
    CXObject* clone() override;
    CXString toString() override;
    CXString** getBehavioursList() override;
    CMC_Runner* getRunner() override;
    // Deletes the fields unless they are mapped from another structure, then empties the list.
    void flush() override;
    using CMC_Object::flush;
    KAVIREL_VALUE_OPERATIONS;

    // Type "BOOL", "DOUBLE", "INTEGER" or "STRING" in any letter case; anything else declares nothing.
    void declare(const CXString& name, const CXString& type);
    CMC_Variable* getField(const CXString& name);
    // Null outside the fields.
    CMC_Variable* getField(int index);
    void setField(const CXString& name, CMC_Variable* value);
    void setField(int index, CMC_Variable* value);
    // Reads and writes the other structure's fields (those it holds at each use) for as long as it
    // exists. A structure that already reads this one's fields is refused.
    void map(CMC_Structure* other);
    int getFieldsNo();
    bool isMapped() { return fields() != m_fields; }

private:
    // The fields in use: the other structure's while mapped to one that exists, else this one's.
    CXVector* fields();

    CXVector* m_fields;
    bool m_mapped = false;
    CMC_ObjectHandle m_mappedFrom;
};

class CMC_Structure_Runner : public CMC_Runner {
public:
    enum : int { MTH_SET = 1, MTH_SETFIELD = 2, MTH_GETFIELD = 3 };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
