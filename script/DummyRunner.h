#pragma once
#include <optional>

#include "script/Runner.h"

namespace KavirelDLL {

class CMC_ArgumentsGuard;
class CMC_Behaviour;

// The built-in "@" statements (type 0). Each receives the behaviour whose line it is, that behaviour's
// scene and the evaluated arguments, and returns a value, null, or a negative control code.
class CMC_Dummy_Runner : public CMC_Runner {
public:
    enum : int {
        STM_IF = 1,
        STM_WHILE = 2,
        STM_RETURN = 3,
        STM_BREAK = 4,
        STM_CONV = 5,
        STM_MSGBOX = 6,
        STM_BOOL = 7,
        STM_DOUBLE = 8,
        STM_INT = 9,
        STM_STRING = 10,
        STM_LOOP = 11,
        STM_VALUE = 12,
        STM_RUNONTIMER = 13,
        STM_CREATE = 14,
        STM_GETAPPLICATIONNAME = 15,
        STM_GETCURRENTSCENE = 16,
        STM_ONEBREAK = 17,
        STM_CONTINUE = 18,
        STM_FOR = 19,
    };

    ~CMC_Dummy_Runner() override;
    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

private:
    CXString text(CXVector* args, int index);
    // The argument's text without a copy where it is a STRING (else converted into holder). Read it before
    // any script code runs: that code may change the STRING.
    const CXString& textOf(CXVector* args, int index, std::optional<CXString>& holder);
    int number(CXVector* args, int index, int fallback);
    // Each reads its arguments first; the guard says whether the container (or the behaviour) outlived that.
    CMC_Variable* ifStatement(CMC_ObjectsContainer* container, CXVector* args,
                              const CMC_ArgumentsGuard& guard);
    CMC_Variable* whileStatement(CMC_ObjectsContainer* container, CXVector* args,
                                 const CMC_ArgumentsGuard& guard);
    CMC_Variable* loop(CMC_ObjectsContainer* container, CXVector* args, bool withCounter,
                       const CMC_ArgumentsGuard& guard);
    CMC_Variable* returnStatement(CMC_ObjectsContainer* container, CXVector* args,
                                  const CMC_ArgumentsGuard& guard);
    CMC_Variable* conv(CXVector* args);
    // Takes its arguments guard itself, only when reading its arguments can run code.
    CMC_Variable* declare(int type, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // A name that is not a STRING argument's own text: copied, kept apart so the common case holds no copy.
    CMC_Variable* declareCopied(int type, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args,
                                CMC_Variable* second, bool calculated, const CMC_ArgumentsGuard& guard);
    CMC_Variable* value(CMC_ObjectsContainer* container, CXVector* args, const CMC_ArgumentsGuard& guard);
    CMC_Variable* runOnTimer(CMC_ObjectsContainer* container, CXVector* args,
                             const CMC_ArgumentsGuard& guard);
    CMC_Variable* create(CMC_ObjectsContainer* container, CXVector* args, const CMC_ArgumentsGuard& guard);
};

} // namespace KavirelDLL
