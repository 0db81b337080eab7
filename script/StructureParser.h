#pragma once
#include <vector>

#include "core/XObject.h"
#include "script/Object.h"

namespace KavirelDLL {

class CMC_Application;
class CMC_Object;
class CWindow;

// Builds a game's script world from "application.def": every SCENE element, then every EPISODE, then the
// APPLICATION. While it lives the value pools and the runners exist. The application owns its episodes and
// loose scenes, and each episode its scenes; what none of them took (a scene no list names) goes with the
// parser.
class CMC_StructureParser : public CXObject {
public:
    CMC_StructureParser(CWindow* window, const CXString& fileName);
    ~CMC_StructureParser() override;
    CMC_StructureParser(const CMC_StructureParser&) = delete;
    CMC_StructureParser& operator=(const CMC_StructureParser&) = delete;

    // The application, or null (no file, or no APPLICATION element).
    virtual CMC_Application* load(const CXString& fileName);
    // The first container made of that name, or null.
    CMC_Object* get(const CXString& name);
    CMC_Application* getMCApplication() { return m_application; }
    CWindow* getWindow() { return m_window; }

private:
    CWindow* m_window;
    CMC_Application* m_application = nullptr;
    std::vector<CMC_ObjectHandle> m_containers;
};

} // namespace KavirelDLL
