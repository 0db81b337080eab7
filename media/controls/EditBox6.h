#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// A scene unit's text entry field. The controls make it: until then no unit makes one (CUnit6::addEditBox
// answers ERR_NOT_BUILT), and this declares only what the texts holding boxes need to keep and delete them.
class CEditBox6 : public CXObject {
public:
    ~CEditBox6() override = default;
};

} // namespace KavirelDLL
