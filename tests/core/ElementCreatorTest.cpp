#include <gtest/gtest.h>

#include <memory>

#include "core/Log.h"
#include "display/Image.h"
#include "display/Playable.h"
#include "display/Window.h"
#include "media/anim/Animo6.h"
#include "media/sequences/ElementCreator.h"
#include "media/sequences/SequencedPlayable.h"

using namespace KavirelDLL;

namespace {

CMElement* element(const char* type, const char* file, const char* visible) {
    CMElement* e = new CMElement("E");
    if (type) e->addProperty("TYPE", type);
    if (file) e->addProperty("FILENAME", file);
    if (visible) e->addProperty("VISIBLE", visible);
    return e;
}

} // namespace

TEST(ElementCreator, NothingForOtherTypesOrWithoutAFile) {
    std::unique_ptr<CMElement> image(element("IMAGE", "", "TRUE"));
    std::unique_ptr<CMElement> animo(element("ANIMO", nullptr, "TRUE"));
    std::unique_ptr<CMElement> text(element("TEXT", "a.fnt", "TRUE"));
    std::unique_ptr<CMElement> lower(element("image", "a.img", "TRUE"));
    EXPECT_EQ(CMElementCreator::createObject(nullptr, image.get()), nullptr);
    EXPECT_EQ(CMElementCreator::createObject(nullptr, text.get()), nullptr);
    EXPECT_EQ(CMElementCreator::createObject(nullptr, lower.get()), nullptr);
    EXPECT_EQ(CMElementCreator::createObject(nullptr, nullptr), nullptr);
    EXPECT_EQ(CMElementCreator::createPlayable(nullptr, animo.get()), nullptr);
    EXPECT_EQ(CMElementCreator::createPlayable(nullptr, text.get()), nullptr);
    EXPECT_EQ(CMElementCreator::createPlayable(nullptr, nullptr), nullptr);
    // An image is no playable here, an animation no object.
    std::unique_ptr<CMElement> img(element("IMAGE", "a.img", nullptr));
    EXPECT_EQ(CMElementCreator::createPlayable(nullptr, img.get()), nullptr);
}

// An image whose file does not open carries the error and stays as VISIBLE says.
TEST(ElementCreator, ImageWithoutItsFile) {
    CLogCapture log;
    CWindow window;
    std::unique_ptr<CMElement> image(element("IMAGE", "missing-back.img", "FALSE"));
    std::unique_ptr<CXObject> object(CMElementCreator::createObject(&window, image.get()));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(static_cast<CImage*>(object.get())->isVisible());
    EXPECT_FALSE(static_cast<CImage*>(object.get())->isLoaded());
    EXPECT_TRUE(log.contains("missing-back.img"));
}

// An animation whose file is missing carries the file's error; a sequence is made empty and plays nothing.
TEST(ElementCreator, MissingAnimationAndEmptySequence) {
    CLogCapture log;
    std::unique_ptr<CMElement> animo(element("ANIMO", "hero.ann", nullptr));
    std::unique_ptr<CPlayable> playable(CMElementCreator::createPlayable(nullptr, animo.get()));
    ASSERT_NE(playable, nullptr);
    EXPECT_NE(dynamic_cast<CAnimo6*>(playable.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CXObject*>(playable.get())->LastError(), ERR_FILE_NOT_FOUND);
    EXPECT_FALSE(playable->isVisible()); // VISIBLE absent reads as false
    EXPECT_TRUE(log.contains("hero.ann"));
    log.clear();

    std::unique_ptr<CMElement> sequence(element("SEQUENCE", nullptr, nullptr));
    std::unique_ptr<CPlayable> sequenced(CMElementCreator::createPlayable(nullptr, sequence.get()));
    ASSERT_NE(sequenced, nullptr);
    EXPECT_NE(dynamic_cast<CSequencedPlayable*>(sequenced.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CXObject*>(sequenced.get())->LastError(), 0);
    EXPECT_EQ(sequenced->getType(), 7);
    sequenced->play();
    EXPECT_FALSE(sequenced->isPlaying());
    EXPECT_TRUE(log.lines().empty());
}
