#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CXArray;

// A list of owned strings; a unique array refuses a string it already holds, ignoring case.
class CStringArray {
public:
    explicit CStringArray(bool unique = false);
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    virtual ~CStringArray();
    virtual void add(const CXString& s);
    // Removes every string equal to s, case included.
    virtual void remove(const CXString& s);
    virtual void removeAll();
    virtual bool contains(const CXString& s);
    virtual int getSize();

private:
    CXArray* m_list;
    bool m_unique;
};

} // namespace KavirelDLL
