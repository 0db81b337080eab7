#pragma once
#include "core/XString.h"

namespace KavirelDLL {

// Mixed into loadable resources: the file a resource comes from and whether it is loaded.
class CFileResolver {
public:
    CFileResolver() = default;

    virtual void setFilename(CXString name) { m_fileName = name; }
    virtual CXString getFileName() { return m_fileName; }
    virtual bool isLoaded() { return m_loaded; }
    virtual void toRelease(bool release) { m_releaseAfterUse = release; }
    virtual bool releaseAfterUse() { return m_releaseAfterUse; }
    // Last, so the operations above keep their slots.
    virtual ~CFileResolver() = default;

    void load() { m_loaded = true; }
    void release() { m_loaded = false; }
    // Goes to the engine window's log hook, which discards it.
    static void log(const char* text);

protected:
    CXString m_fileName;
    bool m_loaded = false;
    bool m_releaseAfterUse = false;
};

} // namespace KavirelDLL
