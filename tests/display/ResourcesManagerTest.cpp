#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/Playable.h"
#include "display/ResourcesManager.h"

using namespace KavirelDLL;

namespace {

std::vector<std::string> g_events;

// A loaded resource that says when it is hidden and destroyed.
class Resource : public CPlayable {
public:
    explicit Resource(const char* name) : CPlayable(nullptr) { setFilename(name); }
    ~Resource() override { g_events.push_back("deleted:" + std::string(m_fileName.GetBuffer())); }
    void hide() override {
        g_events.push_back("hidden:" + std::string(m_fileName.GetBuffer()));
        CPlayable::hide();
    }
    void play() override {}
    void stop(bool) override {}
    void pause() override {}
    void resume() override {}
    void seek(int) override {}
};

class ResourcesManagerTest : public ::testing::Test {
protected:
    void SetUp() override { g_events.clear(); }
};

} // namespace

TEST_F(ResourcesManagerTest, UseCountsDecideWhenAResourceGoes) {
    CResourcesManager cache(nullptr);
    auto* sound = new Resource("Sound.wav");
    cache.add(sound);
    EXPECT_TRUE(cache.contains(sound));
    EXPECT_EQ(cache.get("SOUND.WAV"), sound);
    EXPECT_EQ(cache.get("sound.wav"), sound);
    EXPECT_EQ(cache.get("other.wav"), nullptr);

    EXPECT_FALSE(cache.remove(sound));
    EXPECT_FALSE(cache.remove(sound));
    EXPECT_TRUE(g_events.empty());
    EXPECT_TRUE(cache.remove(sound));
    EXPECT_EQ(g_events, (std::vector<std::string>{"hidden:Sound.wav", "deleted:Sound.wav"}));
    EXPECT_EQ(cache.getSize(), 0);
    EXPECT_EQ(cache.get("sound.wav"), nullptr);
}

TEST_F(ResourcesManagerTest, NamesWithoutRegardToCaseAndThePositionOfInsertion) {
    CResourcesManager cache(nullptr);
    // Code page 1250 names.
    auto* a = new Resource("\xA3\xD3"
                           "D"
                           "\x8F"
                           ".IMG");
    auto* b = new Resource("b.img");
    auto* first = new Resource("B.IMG");
    cache.add(a);
    cache.add(b);
    cache.insertAt(first, 0);
    EXPECT_EQ(cache.get("\xB3\xF3"
                        "d"
                        "\x9F"
                        ".img"),
              a);
    // The first entry of a name wins.
    EXPECT_EQ(cache.get("b.img"), first);
    // Adding what is already held counts a use rather than a second entry.
    cache.add(a);
    EXPECT_EQ(cache.getSize(), 3);
    EXPECT_FALSE(cache.remove(a));
    EXPECT_FALSE(cache.remove(a));
    EXPECT_TRUE(cache.remove(a));
    EXPECT_FALSE(cache.remove(a));
    EXPECT_FALSE(cache.remove(static_cast<CFileResolver*>(nullptr)));
    cache.add(static_cast<CFileResolver*>(nullptr));
    EXPECT_EQ(cache.getSize(), 2);
}

TEST_F(ResourcesManagerTest, FlushDestroysOwnResourcesAndForgetsTheChain) {
    auto* app = new CResourcesManager(nullptr);
    CResourcesManager unit(nullptr);
    auto* shared = new Resource("shared.ann");
    auto* local = new Resource("local.img");
    app->add(shared);
    unit.add(local);
    unit.add(app);
    EXPECT_EQ(unit.get("SHARED.ANN"), shared);
    EXPECT_FALSE(unit.contains(shared));

    // Leaving the scene: the unit's own resource goes, the application's stays.
    unit.flush();
    EXPECT_EQ(g_events, (std::vector<std::string>{"deleted:local.img"}));
    EXPECT_TRUE(app->contains(shared));
    EXPECT_EQ(unit.get("shared.ann"), nullptr);

    // The unit's borrowed use goes back to the application's cache even after the chain is gone.
    EXPECT_FALSE(unit.remove(shared));
    EXPECT_TRUE(app->remove(shared));
    EXPECT_EQ(g_events.back(), "deleted:shared.ann");
    delete app;
}

TEST_F(ResourcesManagerTest, ABorrowedUseIsGivenBackToTheLender) {
    CResourcesManager app(nullptr), unit(nullptr);
    auto* r = new Resource("hero.ann");
    app.add(r);
    unit.add(&app);
    unit.add(&app);
    EXPECT_EQ(unit.get("hero.ann"), r);
    EXPECT_EQ(unit.get("hero.ann"), r);
    // The application's own user lets go: the unit's two uses keep it.
    EXPECT_FALSE(app.remove(r));
    // The application cannot take away the unit's uses.
    EXPECT_FALSE(app.remove(r));
    EXPECT_FALSE(unit.remove(r));
    EXPECT_TRUE(g_events.empty());
    EXPECT_TRUE(unit.remove(r));
    EXPECT_EQ(g_events, (std::vector<std::string>{"hidden:hero.ann", "deleted:hero.ann"}));
}

TEST_F(ResourcesManagerTest, FlushingALenderHandsLentResourcesToTheBorrower) {
    CResourcesManager app(nullptr);
    auto* unit = new CResourcesManager(nullptr);
    auto* back = new Resource("back.img");
    auto* kept = new Resource("kept.img");
    unit->add(back);
    unit->add(kept);
    app.add(unit);
    // Something outside the scene took the unit's image through the application's cache.
    EXPECT_EQ(app.get("kept.img"), kept);

    unit->flush();
    EXPECT_EQ(g_events, (std::vector<std::string>{"deleted:back.img"}));
    EXPECT_TRUE(app.contains(kept));
    EXPECT_EQ(app.get("KEPT.IMG"), kept);

    // The unit goes away without touching what the application now holds.
    delete unit;
    EXPECT_EQ(app.get("back.img"), nullptr);
    EXPECT_FALSE(app.remove(kept));
    EXPECT_TRUE(app.remove(kept));
    EXPECT_EQ(g_events.back(), "deleted:kept.img");
}

TEST_F(ResourcesManagerTest, ACacheThatGoesAwayLeavesEveryChain) {
    CResourcesManager app(nullptr);
    auto* unit = new CResourcesManager(nullptr);
    unit->add(new Resource("a.img"));
    app.add(unit);
    delete unit;
    EXPECT_EQ(g_events, (std::vector<std::string>{"deleted:a.img"}));
    // A dangling chained cache would be asked here.
    EXPECT_EQ(app.get("a.img"), nullptr);
}

TEST_F(ResourcesManagerTest, LoopedChainsEndTheSearch) {
    CResourcesManager a(nullptr), b(nullptr), c(nullptr);
    a.add(&b);
    b.add(&c);
    c.add(&a);
    a.add(&a);
    EXPECT_EQ(a.get("nothing"), nullptr);
    auto* r = new Resource("deep.img");
    c.add(r);
    EXPECT_EQ(a.get("DEEP.IMG"), r);
    EXPECT_FALSE(c.remove(r));
    EXPECT_TRUE(a.remove(r));
}

TEST_F(ResourcesManagerTest, ABorrowerThatGoesAwayGivesItsUsesBack) {
    CResourcesManager app(nullptr);
    auto* unit = new CResourcesManager(nullptr);
    auto* r = new Resource("music.wav");
    app.add(r);
    unit->add(&app);
    EXPECT_EQ(unit->get("music.wav"), r);
    delete unit;
    EXPECT_TRUE(g_events.empty());
    EXPECT_TRUE(app.remove(r));
}

TEST_F(ResourcesManagerTest, DestructionFlushes) {
    {
        CResourcesManager cache(nullptr);
        cache.add(new Resource("x.img"));
        cache.add(new Resource("y.img"));
    }
    EXPECT_EQ(g_events, (std::vector<std::string>{"deleted:x.img", "deleted:y.img"}));
}
