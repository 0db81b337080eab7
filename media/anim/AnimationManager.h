#pragma once

namespace KavirelDLL {

// Steps the playing animations once per frame. Animations cannot register with it until they are built, so
// its list stays empty and a step has nothing to advance.
class CAnimationManager {
public:
    void domodal() {}
};

} // namespace KavirelDLL
