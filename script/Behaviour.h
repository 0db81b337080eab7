#pragma once
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// A behaviour: a named script procedure. The object model binds, names and finds behaviours; parsing
// and running their code is completed with the interpreter, so until then run() answers false with
// error ERR_NOT_BUILT and a log line.
class CMC_Behaviour : public CMC_Object {
public:
    explicit CMC_Behaviour(CMC_ObjectsContainer* scene);
    CMC_Behaviour(CMC_ObjectsContainer* scene, CMElement* element);
    CMC_Behaviour(CMC_ObjectsContainer* scene, const CXString& name, const CXString& code);
    ~CMC_Behaviour() override;

    CXString** getBehavioursList() override;
    // True when a line broke out of the behaviour.
    virtual bool run(CMC_Object* current, CXArray* params, bool checkCondition);

    CXString getCode() const { return m_code; }
    CXString getCodition() const { return m_conditionName; }
    CMC_Object* getConditionInterface() { return m_condition.get(); }
    void resolveCondition();
    bool isEnabled() const { return m_enabled; }
    void enable(bool flag) { m_enabled = flag; }

protected:
    // Blanks trimmed, one leading "{" and one trailing "}" removed, trimmed again.
    static CXString stripBraces(const CXString& code);

    CXString m_code;
    CXString m_conditionName;
    CMC_ObjectHandle m_condition;
    bool m_enabled = true;
};

class CMC_Behaviour_Runner : public CMC_PendingRunner {
public:
    CMC_Behaviour_Runner() : CMC_PendingRunner("BEHAVIOUR") {}
};

} // namespace KavirelDLL
