// Script classes in a running game: class files, NEW, methods, inheritance and DELETE.
#include "script/GameFixtures.h"

#include "core/Log.h"
#include "script/Class.h"
#include "script/Scene.h"

namespace KavirelTest {

namespace {

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string behaviour(const std::string& name, const std::string& code) {
    return object(name, {{"TYPE", "BEHAVIOUR"}, {"CODE", code}});
}

// CAR derives from VEHICLE and MID (in that order); each of the three files has a DRAW.
void carGame(CGameFolder& folder) {
    EpisodeGame game(
        folder, object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}), "",
        {object("CAR", {{"TYPE", "CLASS"}, {"DEF", "CAR.cnv"}, {"BASE", "VEHICLE.cnv, MID.cnv"}}) +
             object("BROKEN", {{"TYPE", "CLASS"}, {"DEF", "NOFILE.cnv"}}) +
             behaviour("HELP", "{LOG^ADD(\"HELP.\");}") +
             behaviour("NOTEDONE", "{LOG^ADD(\"SPEED.DONE.\");}") +
             behaviour("__INIT__", "{CAR^NEW(\"AUTO\",5,\"red\");}"),
         "", ""});
    folder.write("COMMON/CLASSES/VEHICLE.cnv", behaviour("DRAW", "{LOG^ADD(\"V.DRAW.\");}") +
                                                   object("WHEELS", {{"TYPE", "INTEGER"}, {"VALUE", "4"}}) +
                                                   behaviour("DESTRUCTOR", "{LOG^ADD(\"V.DTOR.\");}"));
    folder.write("COMMON/CLASSES/MID.cnv", behaviour("DRAW", "{LOG^ADD(\"M.DRAW.\");}"));
    folder.write(
        "COMMON/CLASSES/CAR.cnv",
        object("SPEED", {{"TYPE", "INTEGER"}, {"VALUE", "0"}, {"ONDONE", "NOTEDONE"}}) +
            object("COLOR", {{"TYPE", "STRING"}, {"ONINIT", "{LOG^ADD(\"COLOR.INIT.\");}"}}) +
            object("__RETURN__", {{"TYPE", "INTEGER"}, {"VALUE", "0"}}) +
            behaviour(
                "CONSTRUCTOR",
                "{LOG^ADD(\"CTOR($1,$2,$3).\");SPEED^SET($2);COLOR^SET(\"$3\");__RETURN__^SET(SPEED);}") +
            behaviour("DRAW", "{LOG^ADD(\"C.DRAW.\");SUPER_DRAW^RUN();}") +
            behaviour("FASTER", "{SPEED^ADD($1);__RETURN__^SET(SPEED);}") +
            behaviour("DESTRUCTOR", "{LOG^ADD(\"DTOR($1).\");}") +
            behaviour("TRAILER", "{CAR^NEW(\"INNER\");}") +
            behaviour("SCRAP", "{CAR^DELETE(\"$1\");LOG^ADD(\"NOTREACHED.\");}"));
}

} // namespace

TEST(Class, InstancesTakeTheirFilesMembersAndRunTheirMethods) {
    CGameFolder folder;
    carGame(folder);
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    // NEW started the members, then ran the CONSTRUCTOR with the instance's name first.
    EXPECT_EQ(logOf(run), "COLOR.INIT.CTOR(AUTO,5,red).");
    CMC_Object* car = run.find("AUTO");
    ASSERT_NE(car, nullptr);
    ASSERT_EQ(car->getType(), TYPE_CLASS);
    auto* instance = static_cast<CMC_Class*>(car);
    EXPECT_EQ(text(instance->getObject("COLOR") ? static_cast<CMC_Variable*>(instance->getObject("COLOR"))
                                                : nullptr),
              "red");
    EXPECT_EQ(text(instance->getVariable("WHEELS")), "4");

    // The derived DRAW; each base's stays under one more "SUPER_".
    callMethod(car, "DRAW");
    EXPECT_EQ(logOf(run), "COLOR.INIT.CTOR(AUTO,5,red).C.DRAW.M.DRAW.");
    callMethod(car, "SUPER_SUPER_DRAW");
    EXPECT_EQ(logOf(run), "COLOR.INIT.CTOR(AUTO,5,red).C.DRAW.M.DRAW.V.DRAW.");

    // A method's value is a copy of "__RETURN__": later changes do not reach it.
    CMC_Variable* first = callMethod(car, "FASTER", {"10"});
    CMC_Variable* second = callMethod(car, "FASTER", {"1"});
    EXPECT_EQ(text(first), "15");
    EXPECT_EQ(text(second), "16");
    EXPECT_EQ(callMethod(car, "NOSUCHMETHOD"), nullptr);
    // The common methods work as on any object.
    EXPECT_EQ(text(callMethod(car, "GETNAME")), "AUTO");

    // NEW answers the CONSTRUCTOR's value.
    CMC_Object* declared = run.find("CAR");
    EXPECT_EQ(text(callMethod(declared, "NEW", {"OTHER", "7", "blue"})), "7");
    EXPECT_NE(run.find("OTHER"), nullptr);

    // A missing class file gives an empty instance and a log line.
    CLogCapture log;
    callMethod(run.find("BROKEN"), "NEW", {"EMPTY"});
    ASSERT_NE(run.find("EMPTY"), nullptr);
    EXPECT_EQ(static_cast<CMC_Class*>(run.find("EMPTY"))->getObjects()->getSize(), 0);
    EXPECT_TRUE(log.contains("NOFILE.cnv cannot be read"));
    // An instance never takes its class's place.
    EXPECT_EQ(callMethod(declared, "NEW", {"CAR"}), nullptr);
    EXPECT_EQ(run.find("CAR"), declared);
    EXPECT_TRUE(log.contains("cannot take its class's name"));
}

TEST(Class, DestructorsRunOnceWhetherDeletedOrEndedWithTheScene) {
    CGameFolder folder;
    carGame(folder);
    CGameRun run(folder);
    ASSERT_TRUE(run.started());
    CMC_Object* declared = run.find("CAR");
    callMethod(declared, "NEW", {"SECOND"});
    callMethod(declared, "NEW", {"THIRD"});

    // A scene behaviour reached from an instance runs there, and keeps its own scene afterwards.
    callMethod(run.find("AUTO"), "HELP");
    std::string before = logOf(run);
    callMethod(declared, "DELETE", {"AUTO"});
    EXPECT_EQ(logOf(run), before + "DTOR(AUTO).SPEED.DONE.");
    EXPECT_EQ(run.find("AUTO"), nullptr);
    EXPECT_EQ(run.find("CAR"), declared); // the class stays
    callMethod(run.find("HELP"), "RUN");
    EXPECT_EQ(countOf(logOf(run), "HELP."), 2);

    // Only class instances are deleted.
    CLogCapture log;
    before = logOf(run);
    EXPECT_EQ(callMethod(declared, "DELETE", {"HELP"}), nullptr);
    EXPECT_EQ(callMethod(declared, "DELETE", {"AUTO"}), nullptr);
    EXPECT_NE(run.find("HELP"), nullptr);
    EXPECT_EQ(logOf(run), before);
    EXPECT_TRUE(log.contains("no class instance of that name"));

    // An instance that deletes itself in its own method: the method stops, nothing of it is touched again.
    callMethod(declared, "NEW", {"FOURTH"});
    before = logOf(run);
    EXPECT_EQ(callMethod(run.find("FOURTH"), "SCRAP", {"FOURTH"}), nullptr);
    EXPECT_EQ(logOf(run), before + "DTOR(FOURTH).SPEED.DONE.");
    EXPECT_EQ(run.find("FOURTH"), nullptr);
    // An instance made in a method belongs to the instance, and ends with it.
    callMethod(run.find("THIRD"), "TRAILER");
    EXPECT_EQ(run.find("INNER"), nullptr);
    auto* third = static_cast<CMC_Class*>(run.find("THIRD"));
    ASSERT_NE(third->getObject("INNER"), nullptr);
    before = logOf(run);

    // Leaving the scene ends each instance once: its DESTRUCTOR, then its members.
    callMethod(run.app()->find(CXString("E1")), "NEXT");
    run.frames(1);
    EXPECT_EQ(run.sceneName(), "S2");
    std::string after = logOf(run).substr(before.size());
    EXPECT_EQ(countOf(after, "DTOR($1)."), 3); // the scene's end hands no parameters
    EXPECT_EQ(countOf(after, "SPEED.DONE."), 3);
    EXPECT_EQ(countOf(logOf(run), "V.DTOR."), 0);
}

} // namespace KavirelTest
