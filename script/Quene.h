#pragma once
#include "core/Containers.h"
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

enum : int { EVT_QUENE_ONEMPTY = 3 };

// A queue of values: FIFO hands them back first in, first out; LIFO last in, first out. The values are
// heap copies the queue owns until they are popped or the queue goes, so they outlive the frame step that
// hands the temporaries back. The contents are not kept in caches.
class CMC_Quene : public CMC_Object {
public:
    ~CMC_Quene() override;

    CXString** getBehavioursList() override;
    virtual CXQuene* getQueue() { return m_queue; }

    // Stores a copy of the value.
    void push(CMC_Variable* value);
    // The value taken from the queue, now the caller's; null when it is empty.
    CMC_Variable* pop();
    int getSize() const { return m_queue->getSize(); }

protected:
    CMC_Quene(CMC_ObjectsContainer* scene, CMElement* element, int type, CXQuene* queue);
    CMC_Quene(CMC_ObjectsContainer* scene, const CXString& name, int type, CXQuene* queue);

private:
    CXQuene* m_queue;
};

// FIFO (type 2018).
class CMC_Fifo : public CMC_Quene {
public:
    CMC_Fifo(CMC_ObjectsContainer* scene, CMElement* element);
    // A blank queue named "temp".
    explicit CMC_Fifo(CMC_ObjectsContainer* scene);
};

// LIFO (type 2019).
class CMC_Lifo : public CMC_Quene {
public:
    CMC_Lifo(CMC_ObjectsContainer* scene, CMElement* element);
    // A blank queue named "temp".
    explicit CMC_Lifo(CMC_ObjectsContainer* scene);
};

// FIFO and LIFO methods.
class CMC_Quene_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_PUSH = 1,
        MTH_POP = 2,
        MTH_GETSIZE = 3,
        MTH_ISEMPTY = 4,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
