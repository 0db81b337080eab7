#pragma once
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// Base of the script types whose classes a later part of the engine completes. Such an object loads:
// it takes its name, keeps a copy of its definition and binds the handlers the definition gives (every
// key that starts with "ON"), so a scene that declares it loads and its behaviours stay bound. Its
// runner answers the common methods and refuses the others (ERR_NOT_BUILT and a log line).
class CMC_PendingObject : public CMC_Object {
public:
    CMC_PendingObject(CMC_ObjectsContainer* scene, CMElement* element, int type, const char* typeName);
    // A blank object of the type (scripts and caches make these).
    CMC_PendingObject(CMC_ObjectsContainer* scene, const CXString& name, int type, const char* typeName);
    ~CMC_PendingObject() override;

    CXString** getBehavioursList() override;
    // Every later definition (a shared MOUSE or KEYBOARD bound again by a scene) may add events.
    void initializeBehaviours(CMC_ObjectsContainer* scene, CMElement* element) override;
    // The definition the object was made from; null for a blank one.
    CMElement* getDefinition() { return m_definition; }

    // A copy of the element's name and properties, owned by the caller; null for null.
    static CMElement* copyDefinition(CMElement* element);
    // Logs once per type that objects of it load but do not work yet.
    static void announce(const char* typeName, int type);
    // Sets ERR_NOT_BUILT on the object and logs once per type and operation.
    static void notBuilt(CMC_Object* object, const char* typeName, const char* operation);

protected:
    void notBuilt(const char* operation) { notBuilt(this, m_typeName, operation); }

private:
    // Adds the element's "ON..." keys to the events; true when there were new ones.
    bool learnEvents(CMElement* element);

    CMElement* m_definition = nullptr;
    const char* m_typeName;
    std::vector<CXString> m_eventNames{"ONINIT", "ONDONE", "ONSIGNAL"};
};

} // namespace KavirelDLL

// Declares the runner of a type still to be completed, under the name the finished type will use.
#define KAVIREL_PENDING_RUNNER(RunnerClass, typeName)                                                        \
    class RunnerClass : public ::KavirelDLL::CMC_PendingRunner {                                             \
    public:                                                                                                  \
        RunnerClass() : ::KavirelDLL::CMC_PendingRunner(typeName) {}                                         \
    }
