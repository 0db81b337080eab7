#include "script/GameFixtures.h"

#include "script/Scene.h"

namespace KavirelTest {

TEST(GameRun, StartsInTheStartSceneAndRunsFrames) {
    CGameFolder folder;
    EpisodeGame game(folder);
    CGameRun run(folder);
    ASSERT_NE(run.app(), nullptr);
    EXPECT_TRUE(run.started());
    EXPECT_EQ(run.sceneName(), "S1");
    run.frames(5);
    EXPECT_EQ(run.frameCount(), 5);
    EXPECT_EQ(run.sceneName(), "S1");
}

} // namespace KavirelTest
