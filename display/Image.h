#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;

// A still image loaded from an image file. Images are not built yet: a CImage loads nothing, carries
// ERR_NOT_BUILT and says so in the log.
class CImage : public CXObject {
public:
    CImage(CWindow* window, CXString fileName);

    void Visible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }

private:
    bool m_visible = true;
};

} // namespace KavirelDLL
