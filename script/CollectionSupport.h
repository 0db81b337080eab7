#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Variable;

// What the collections (ARRAY, VECTOR, PATH, the queues, RANDOM) share: the copies they keep and the objects
// their arguments name.
namespace CollectionSupport {

// Any of the four scalar types, and any type at all, for nameIn and objectOfType.
constexpr int kAnyScalar = -1;
constexpr int kAnyType = -2;

bool isScalarType(int type);
// A heap copy the caller owns, never a pool temporary (the pools are handed back every frame step): a
// scalar as it is, anything else as its text. Null for null.
CMC_Variable* ownCopy(CMC_Variable* value);
// The name an argument gives for an object of the type: a named object of that type given itself (a
// scalar a line passes as it is) names itself; any other value by its text. Taken at once, before the next
// argument is read.
CXString nameIn(CMC_Variable* argument, int type);
// The object of that name in the container; null when there is none or it is of another type.
CMC_Object* objectOfType(CMC_ObjectsContainer* container, const CXString& name, int type);

} // namespace CollectionSupport

} // namespace KavirelDLL
