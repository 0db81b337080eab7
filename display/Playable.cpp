#include "display/Playable.h"

namespace KavirelDLL {

void CPlayable::setVisibility(bool visible) { m_visible = visible; }

} // namespace KavirelDLL
