#pragma once
#include "display/Playable.h"

namespace KavirelDLL {

class CWindow;
class CMElement;

// A composite playable built from a SEQUENCE element. Sequences are not built yet: a
// CSequencedPlayable plays nothing, carries ERR_NOT_BUILT and says so in the log.
class CSequencedPlayable : public CPlayable {
public:
    CSequencedPlayable(CWindow* window, CMElement* element);
};

} // namespace KavirelDLL
