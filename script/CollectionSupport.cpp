#include "script/CollectionSupport.h"

#include "script/ObjectsContainer.h"
#include "script/Runner.h"
#include "script/String.h"

namespace KavirelDLL {

namespace CollectionSupport {

bool isScalarType(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

CMC_Variable* ownCopy(CMC_Variable* value) {
    if (!value) return nullptr;
    if (isScalarType(value->getType())) {
        CXObject* copy = value->clone();
        if (auto* variable = dynamic_cast<CMC_Variable*>(copy)) return variable;
        delete copy;
        return nullptr;
    }
    return new CMC_String(CXString("temp"), CMC_Runner::argumentText(value));
}

namespace {

bool fits(CMC_Object* object, int type) {
    if (!object) return false;
    if (type == kAnyType) return true;
    return type == kAnyScalar ? isScalarType(object->getType()) : object->getType() == type;
}

} // namespace

CXString nameIn(CMC_Variable* argument, int type) {
    if (!argument) return CXString("");
    if (argument->isHeld() && fits(argument, type)) return argument->getName();
    return CMC_Runner::argumentText(argument);
}

CMC_Object* objectOfType(CMC_ObjectsContainer* container, const CXString& name, int type) {
    CMC_Object* found = container && name.IsString() ? container->getObject(name) : nullptr;
    return fits(found, type) ? found : nullptr;
}

} // namespace CollectionSupport

} // namespace KavirelDLL
