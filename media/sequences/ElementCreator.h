#pragma once
#include "core/Elements.h"

namespace KavirelDLL {

class CWindow;
class CPlayable;

// Builds an image or a playable straight from a definition element, by its TYPE.
class CMElementCreator : public CXObject {
public:
    // TYPE IMAGE with a FILENAME: a new CImage shown or hidden by VISIBLE; otherwise null.
    static CXObject* createObject(CWindow* window, CMElement* element);
    // TYPE ANIMO with a FILENAME: a new CAnimo6; TYPE SEQUENCE: a new CSequencedPlayable; otherwise
    // null. The caller owns the result and checks its error code.
    static CPlayable* createPlayable(CWindow* window, CMElement* element);
};

} // namespace KavirelDLL
