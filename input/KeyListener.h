#pragma once

namespace KavirelDLL {

// Receives the keys the window routes: scan codes, and the characters typed.
class CKeyListener {
public:
    virtual void onKeyUp(int) {}
    virtual void onKeyDown(int) {}
    virtual void onChar(unsigned char) {}

protected:
    ~CKeyListener() = default;
};

} // namespace KavirelDLL
