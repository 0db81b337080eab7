#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/GameHarness.h"
#include "script/Application.h"
#include "script/Episode.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelTest {

using namespace KavirelDLL;

// A game of one episode E1 with the scenes S1, S2 and S3 (folders E1\S1 ...), and the application's own
// object file. Tests add to each object file what they need.
struct EpisodeGame {
    explicit EpisodeGame(CGameFolder& folder, const std::string& appExtra = "",
                         const std::string& episodeExtra = "",
                         std::vector<std::string> sceneExtra = {"", "", ""}) {
        folder.write("Dane/application.def",
                     object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
                         object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2,S3"}, {"PATH", "E1"}}) +
                         object("S1", {{"TYPE", "SCENE"}, {"PATH", "E1\\S1"}}) +
                         object("S2", {{"TYPE", "SCENE"}, {"PATH", "E1\\S2"}}) +
                         object("S3", {{"TYPE", "SCENE"}, {"PATH", "E1\\S3"}}));
        folder.write("Dane/GAME.cnv", appExtra);
        folder.write("Dane/E1/E1.cnv", episodeExtra);
        for (int i = 0; i < 3; ++i) {
            std::string name = "S";
            name += std::to_string(i + 1);
            std::string path = "Dane/E1/";
            path += name;
            path += "/";
            path += name;
            path += ".cnv";
            folder.write(path, sceneExtra[static_cast<size_t>(i)]);
        }
    }
};

// Calls a script method by name the way a code line does, with text arguments.
inline CMC_Variable* callMethod(CMC_Object* target, const char* method, std::vector<std::string> args = {},
                                CMC_ObjectsContainer* container = nullptr) {
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(target->getType());
    if (!runner) runner = target->getRunner();
    std::vector<CMC_String*> values;
    CXVector vector(101, 0.75f);
    for (const std::string& text : args) {
        values.push_back(new CMC_String(CXString("arg"), CXString(text.c_str())));
        vector.add(values.back());
    }
    CMC_ObjectsContainer* from = container ? container : target->getScene();
    CMC_Variable* result = runner->run(CXString(method), target, from, &vector);
    vector.removeAll();
    for (CMC_String* value : values) delete value;
    return result;
}

// The application's STRING LOG, which the test games' behaviours append to.
inline std::string logOf(CGameRun& run) {
    CMC_Object* log = run.app()->getObject(CXString("LOG"));
    return log ? std::string(static_cast<CMC_String*>(log)->getValue().GetBuffer()) : "<no LOG>";
}

inline std::string text(CMC_Variable* value) {
    return value ? std::string(value->toString().GetBuffer()) : std::string("<null>");
}

} // namespace KavirelTest
