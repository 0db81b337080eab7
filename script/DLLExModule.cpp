#include "script/DLLExModule.h"

#include "core/Log.h"
#include "display/Window.h"
#include "platform/Modules.h"

namespace KavirelDLL {

namespace {

constexpr const char* kCreate = "create";
constexpr const char* kRelease = "release";
constexpr const char* kGetInterface = "getModuleInterface";

} // namespace

CMC_DLLExModuleInterface::CMC_DLLExModuleInterface(const CXString& name, CMC_ObjectsContainer* container)
    : m_name(name), m_module(new CPlatformModule()) {
    CXString fileName = name;
    if (fileName.Find('.') < 0) fileName += ".dll";
    if (m_module->load(CWindow::dllPath.GetBuffer(), fileName.GetBuffer()) != EPlatformError::none) {
        logMessage("module %s: %s", name.GetBuffer(), m_module->lastError().c_str());
        return;
    }
    auto create = reinterpret_cast<KavirelModuleCreate>(m_module->symbol(kCreate));
    auto release = reinterpret_cast<KavirelModuleRelease>(m_module->symbol(kRelease));
    auto getInterface = reinterpret_cast<KavirelModuleGetInterface>(m_module->symbol(kGetInterface));
    if (!create || !release || !getInterface) {
        // Without all three the module is never called, not even to release what it never made.
        logMessage("module %s lacks its %s, %s and %s entry points; it is not used", name.GetBuffer(),
                   kCreate, kRelease, kGetInterface);
        return;
    }
    m_create = create;
    m_release = release;
    m_getInterface = getInterface;
    m_create(container);
    m_interface = m_getInterface();
    if (!m_interface) logMessage("module %s gave no interface", name.GetBuffer());
}

CMC_DLLExModuleInterface::~CMC_DLLExModuleInterface() {
    if (m_interface && m_release) m_release();
    m_interface = nullptr;
    m_create = nullptr;
    m_release = nullptr;
    m_getInterface = nullptr;
    delete m_module;
}

bool CMC_DLLExModuleInterface::isLoaded() const { return m_module && m_module->isLoaded(); }

} // namespace KavirelDLL
