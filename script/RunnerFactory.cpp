#include "script/RunnerFactory.h"

#include <memory>
#include <vector>

#include "core/Log.h"
#include "script/TypeIds.h"
#include "script/TypeRegistry.h"

namespace KavirelDLL {

namespace {

// Runners by type id (ids are small and dense enough for a table), and the ones made, which own them.
std::vector<CMC_Runner*> g_byType;
std::vector<std::unique_ptr<CMC_Runner>> g_made;
bool g_initialized = false;

void setRunner(int type, CMC_Runner* runner) {
    if (type < 0) return;
    if (static_cast<size_t>(type) >= g_byType.size()) g_byType.resize(static_cast<size_t>(type) + 1, nullptr);
    g_byType[static_cast<size_t>(type)] = runner;
}

} // namespace

void CMC_RunnerFactory::initialize() {
    if (g_initialized) return;
    g_initialized = true;
    const std::vector<CMC_TypeInfo>& types = CMC_TypeRegistry::all();
    if (!CMC_TypeRegistry::find(TYPE_ANIMO))
        logMessage("runners: no object types are registered (kavirelRegisterTypes was not called)");
    for (const CMC_TypeInfo& type : types) {
        if (!type.makeRunner) continue;
        CMC_Runner* runner = type.makeRunner();
        runner->prepareMthHashSet();
        g_made.emplace_back(runner);
        setRunner(type.id, runner);
    }
    for (const CMC_TypeInfo& type : types)
        if (!type.makeRunner && type.sharesRunnerOf >= 0) setRunner(type.id, getRunner(type.sharesRunnerOf));
}

void CMC_RunnerFactory::done() {
    g_byType.clear();
    g_made.clear();
    g_initialized = false;
}

bool CMC_RunnerFactory::isInitialized() { return g_initialized; }

CMC_Runner* CMC_RunnerFactory::getRunner(int type) {
    if (type < 0 || static_cast<size_t>(type) >= g_byType.size()) return nullptr;
    return g_byType[static_cast<size_t>(type)];
}

} // namespace KavirelDLL
