#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_Behaviour;
class CMC_Behaviour_Entry;
class CMC_Variable;

// What a line keeps of the test text it gave last: the text and what it says, so the same text given again
// is not looked up (what its names name is still read afresh in every test).
class CMC_TestMemo {
public:
    CMC_TestMemo();
    ~CMC_TestMemo();
    CMC_TestMemo(const CMC_TestMemo&) = delete;
    CMC_TestMemo& operator=(const CMC_TestMemo&) = delete;

private:
    friend class CMC_Condition;
    std::string m_text;
    std::shared_ptr<void> m_tests;
};

// Operators of a CONDITION.
enum : int {
    COND_EQUAL = 1,
    COND_NOTEQUAL = 2,
    COND_LESS = 3,
    COND_LESSEQUAL = 4,
    COND_GREATER = 5,
    COND_GREATEREQUAL = 6,
    COND_INSTANCEOF = 7,
};

// Base of CONDITION and COMPLEXCONDITION: a test of two values whose outcome can also run the behaviours
// bound (when the object was made) to ONRUNTIMESUCCESS and ONRUNTIMEFAILED.
class CMC_BasicCondition : public CMC_Object {
public:
    CMC_BasicCondition(const CXString& name, int type);
    CMC_BasicCondition(CMC_ObjectsContainer* scene, CMElement* element, int type);
    ~CMC_BasicCondition() override;

    CXString** getBehavioursList() override;
    virtual bool valid(bool fireEvents) = 0;

protected:
    struct Event {
        CMC_ObjectHandle behaviour;
        CXArray* args = nullptr;
    };

    // Keeps the two event bindings as the definition made them.
    void takeEvents();
    // Runs the success or the failure binding; false when the condition was deleted by it.
    bool fire(bool result);

    Event m_success;
    Event m_failed;
};

// CONDITION: OPERAND1 OPERATOR OPERAND2, both operands parsed once as code lines.
class CMC_Condition : public CMC_BasicCondition {
public:
    explicit CMC_Condition(CMC_ObjectsContainer* scene);
    CMC_Condition(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Condition() override;

    void init() override;
    bool done(bool flag) override;
    void serialize(CXArchive* archive) override;
    bool valid(bool fireEvents) override;

    // "EQUAL" 1, "NOTEQUAL" 2, "LESS" 3, "LESSEQUAL" 4, "GREATER" 5, "GREATEREQUAL" 6, "INSTANCEOF" 7; any
    // other keyword 1.
    static int resolveCondition(const CXString& keyword);
    CXString getOperand1() const { return m_operand1; }
    CXString getOperand2() const { return m_operand2; }
    int getOperator() const { return m_operator; }

    // One text: X'5, X!'5, X<'5, X>'5, X<5, X>5, X?TYPE.
    static bool valid(CMC_ObjectsContainer* container, const CXString& text);
    // IF's text: one test, or tests split at every "&&" (when there is one) or else at every "||", tested from
    // the left until one decides: every one holds, or one holds when the text holds a "||" anywhere.
    static bool test(CMC_ObjectsContainer* container, const CXString& text);
    // The same, remembering the text and its tests in memo (when not null) for the next time.
    static bool test(CMC_ObjectsContainer* container, const CXString& text, CMC_TestMemo* memo);
    // A test of two values as they are, as valid() tests texts whose operands are those values (operators 1
    // to 6 only; either value missing fails the test).
    static bool compareValues(CMC_Variable* first, CMC_Variable* second, int op);
    // "_" "!_" "<>" "<" "<_" ">" ">_" "?".
    static bool valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                      const CXString& op);
    static bool valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second, int op);
    static bool valid(CMC_ObjectsContainer* container, std::string_view first, std::string_view second,
                      int op);
    // How many texts, tests and operands are kept worked out; never more than MAX_CACHED_TEXTS.
    static size_t cachedTexts();
    static constexpr size_t MAX_CACHED_TEXTS = 4096;
    // The operator of "_" "!_" "<>" "<" "<_" ">" ">_" "?"; any other text is EQUAL.
    static int operatorOf(std::string_view op);

private:
    void dropLines();

    CMC_Behaviour* m_hidden = nullptr;
    CMC_Behaviour_Entry* m_line1 = nullptr;
    CMC_Behaviour_Entry* m_line2 = nullptr;
    CXString m_operand1;
    CXString m_operand2;
    CXString m_operatorText;
    int32_t m_operator = COND_EQUAL;
    bool m_evaluating = false;
};

// COMPLEXCONDITION: two named conditions joined by AND (the default) or OR, the second tested only when it
// decides.
class CMC_ComplexCondition : public CMC_BasicCondition {
public:
    explicit CMC_ComplexCondition(CMC_ObjectsContainer* scene);
    CMC_ComplexCondition(CMC_ObjectsContainer* scene, CMElement* element);

    void serialize(CXArchive* archive) override;
    bool valid(bool fireEvents) override;
    // "AND" 1, "OR" 2; any other text keeps the operator.
    void resolveOperator();
    int getOperator() const { return m_operator; }

private:
    CXString m_condition1;
    CXString m_condition2;
    CXString m_operatorText;
    int32_t m_operator = 1;
    bool m_evaluating = false;
};

// CHECK, BREAK, ONE_BREAK of conditions.
class CMC_BasicCondition_Runner : public CMC_Runner {
public:
    enum : int { MTH_CHECK = 1, MTH_BREAK = 2, MTH_ONE_BREAK = 3 };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

protected:
    CMC_Variable* check(CMC_BasicCondition* condition, CXVector* args);
    CMC_Variable* breakMth(CMC_BasicCondition* condition, CXVector* args, bool oneBreak);
};

} // namespace KavirelDLL
