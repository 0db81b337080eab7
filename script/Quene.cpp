#include "script/Quene.h"

#include <memory>

#include "script/Bool.h"
#include "script/CollectionSupport.h"
#include "script/Integer.h"
#include "script/RunnerResults.h"
#include "script/String.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

using namespace CollectionSupport;
using namespace RunnerResults;

CMC_Quene::CMC_Quene(CMC_ObjectsContainer* scene, CMElement* element, int type, CXQuene* queue)
    : CMC_Object(scene, element, type), m_queue(queue) {
    initializeBehaviours(scene, element);
}

CMC_Quene::CMC_Quene(CMC_ObjectsContainer* scene, const CXString& name, int type, CXQuene* queue)
    : CMC_Object(name, type), m_queue(queue) {
    if (scene) setScene(scene);
}

CMC_Quene::~CMC_Quene() {
    for (int i = 0; i < m_queue->getSize(); ++i) delete m_queue->at(i);
    delete m_queue;
}

CXString** CMC_Quene::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONEMPTY"});
}

void CMC_Quene::push(CMC_Variable* value) {
    if (CMC_Variable* copy = ownCopy(value)) m_queue->push(copy);
}

CMC_Variable* CMC_Quene::pop() { return static_cast<CMC_Variable*>(m_queue->pop()); }

CMC_Fifo::CMC_Fifo(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Quene(scene, element, TYPE_FIFO, new CXFifoQuene()) {}

CMC_Fifo::CMC_Fifo(CMC_ObjectsContainer* scene)
    : CMC_Quene(scene, CXString("temp"), TYPE_FIFO, new CXFifoQuene()) {}

CMC_Lifo::CMC_Lifo(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Quene(scene, element, TYPE_LIFO, new CXLifoQuene()) {}

CMC_Lifo::CMC_Lifo(CMC_ObjectsContainer* scene)
    : CMC_Quene(scene, CXString("temp"), TYPE_LIFO, new CXLifoQuene()) {}

// ---- runner ----

void CMC_Quene_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("PUSH", MTH_PUSH);
    addMethod("POP", MTH_POP);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("ISEMPTY", MTH_ISEMPTY);
}

CMC_Variable* CMC_Quene_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (!object || (object->getType() != TYPE_FIFO && object->getType() != TYPE_LIFO))
        return CMC_Runner::run(id, object, container, args);
    auto* queue = static_cast<CMC_Quene*>(object);
    std::shared_ptr<CMC_ObjectAnchor> self = queue->anchor();
    switch (id) {
    case MTH_PUSH:
        for (int i = 0; i < argumentCount(args) && self->object; ++i) {
            CMC_Variable* value = getParameter(args, i);
            if (self->object) queue->push(value);
        }
        return nullptr;
    case MTH_POP: {
        std::unique_ptr<CMC_Variable> value(queue->pop());
        if (!value) {
            queue->onSignal(CXString("ONEMPTY"));
            return stringResult(CXString("NULL"));
        }
        return CMC_VariableFactory::copyVariable(value.get());
    }
    case MTH_GETSIZE:
        return integerResult(queue->getSize());
    case MTH_ISEMPTY:
        return boolResult(queue->getSize() == 0);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
