#pragma once
#include "core/Containers.h"
#include "core/Hashtable.h"

namespace KavirelDLL {

class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Variable;
class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_String;

// Ids of the methods every runner answers.
enum : int {
    MTH_SEND = 96,
    MTH_ADDTOGROUP = 97,
    MTH_ADDTOARRAY = 98,
    MTH_GETNAME = 99,
    MTH_CLONE = 100,
    MTH_ADDBEHAVIOUR = 101,
    MTH_GETCLONEINDEX = 102,
    MTH_MSGBOX = 103,
    MTH_RESETCLONES = 104,
    MTH_REMOVEBEHAVIOUR = 105,
    MTH_GETCLONESNO = 106,
    MTH_REMOVEALLBEHAVIOURS = 107,
    MTH_REMOVEBEHAVIOURFORCE = 108,
    MTH_OVERIDESIGNALS = 109,
};

// Method dispatch of one script type: method names to ids once, then calls by id. Results are pool
// temporaries (or null) that the caller hands back with CMC_Object::flush.
class CMC_Runner : public CXObject {
public:
    CMC_Runner();
    CMC_Runner(const CMC_Runner&) = delete;
    CMC_Runner& operator=(const CMC_Runner&) = delete;
    ~CMC_Runner() override;

    // The base enters the common methods; derived runners call it first, then number theirs from 1.
    virtual void prepareMthHashSet();
    virtual void toDebug(const CXString& text, int flag);
    // The argument at index (an expression is calculated first); null when there is no such argument.
    virtual CMC_Variable* getParameter(CXVector* args, int index);
    // The argument converted to the type. A missing one reads as false, 0, 0.0 or "". A temporary made
    // by the conversion is already handed back: read it at once.
    virtual CMC_Bool* getParameterBool(CXVector* args, int index);
    virtual CMC_Double* getParameterDouble(CXVector* args, int index);
    virtual CMC_Integer* getParameterInteger(CXVector* args, int index);
    virtual CMC_String* getParameterString(CXVector* args, int index);
    virtual CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    virtual CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                              CXVector* args);
    // The id entered under exactly this name, or -1.
    virtual int resolveMethod(const CXString& name);

    static int argumentCount(CXVector* args) { return args ? args->getSize() : 0; }
    // The text of an argument already read with getParameter, so an expression is not calculated again.
    static CXString argumentText(CMC_Variable* value);

protected:
    // Enters a method; one of the same name entered before is replaced.
    void addMethod(const char* name, int id);
    void clearMethods();

    CHashtable* m_methods = nullptr;
    CStringHashCode* m_lookupKey;
};

} // namespace KavirelDLL
