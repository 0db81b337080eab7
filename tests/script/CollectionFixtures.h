#pragma once
#include "script/GameFixtures.h"

#include <memory>

#include "ScriptSupport.h"
#include "core/File.h"
#include "script/Behaviour.h"
#include "script/Double.h"
#include "script/Scene.h"

namespace KavirelTest {

// The running scene's folder, the working folder of its scripts.
inline const std::string kSceneFolder = "Dane/E1/S1/";

// A game whose first scene holds the objects given, and helpers to run script lines in it and read what
// they left.
class CollectionGame {
public:
    explicit CollectionGame(const std::string& objects, const std::string& appObjects = "")
        : m_game(m_folder, appObjects, "", {objects, "", ""}), m_run(std::make_unique<CGameRun>(m_folder)) {}

    CGameRun& run() { return *m_run; }
    CGameFolder& folder() { return m_folder; }
    CMC_Scene* scene() { return m_run->scene(); }
    CMC_Object* find(const std::string& name) { return m_run->find(name); }

    // Runs the code as the body of a behaviour of the scene.
    void code(const std::string& text) {
        std::string name = "__CODE" + std::to_string(++m_behaviours) + "__";
        auto* behaviour = new CMC_Behaviour(scene(), CXString(name.c_str()), CXString(text.c_str()));
        scene()->addObject(behaviour);
        behaviour->init();
        behaviour->run(nullptr, nullptr, false);
    }
    // The object's text form (an array's elements joined by ","), "<none>" when it is missing.
    std::string textOf(const std::string& name) {
        CMC_Object* object = find(name);
        return object ? std::string(object->toString().GetBuffer()) : "<none>";
    }
    // Runs "R^SET(<expression>);" with a STRING R of the scene, and gives R's text.
    std::string eval(const std::string& call) {
        code("{R^SET(" + call + ");}");
        return textOf("R");
    }

private:
    CGameFolder m_folder;
    EpisodeGame m_game;
    std::unique_ptr<CGameRun> m_run;
    int m_behaviours = 0;
};

// A 32-bit little-endian field of a stored record.
inline std::string le32(int32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
}

// The declarations of a STRING R to read results into, and a STRING LOG to log into.
inline std::string resultObjects() {
    return object("R", {{"TYPE", "STRING"}, {"VALUE", ""}}) +
           object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}});
}

} // namespace KavirelTest
