#pragma once

namespace KavirelDLL {

class CGraphicsObject;
class CXRect;

// Watches graphics objects: told about every rectangle they change and about their end.
class CInvalidateObserver {
public:
    virtual void onInvalidate(CGraphicsObject* source, CXRect* rect) = 0;
    virtual void onDestroy(CGraphicsObject* source) = 0;

protected:
    // Observers are never deleted through this interface.
    ~CInvalidateObserver() = default;
};

} // namespace KavirelDLL
