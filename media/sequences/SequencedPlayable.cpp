#include "media/sequences/SequencedPlayable.h"

#include "core/Elements.h"
#include "core/Log.h"

namespace KavirelDLL {

CSequencedPlayable::CSequencedPlayable(CWindow*, CMElement* element) {
    setErrorCode(ERR_NOT_BUILT);
    logMessage("sequence %s not built: sequences are not built yet", element ? element->name().GetBuffer() : "");
}

} // namespace KavirelDLL
