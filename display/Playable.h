#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

// Base of everything that plays: animations, images, sounds, movies, sequences. Only the visibility
// that definition elements set is declared so far; the rest comes with the playable base.
class CPlayable : public CXObject {
public:
    virtual void setVisibility(bool visible);
    bool isVisible() const { return m_visible; }

private:
    bool m_visible = true;
};

} // namespace KavirelDLL
