#pragma once

namespace KavirelDLL {

// Tells managed sounds that they finished, once per frame. Sounds cannot register with it until they are
// built, so its list stays empty and a step has nothing to report.
class CSoundManager {
public:
    void domodal() {}
};

} // namespace KavirelDLL
