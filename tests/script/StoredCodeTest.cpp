#include "script/ScriptSupport.h"

#include "script/Expression.h"
#include "script/Scene.h"

namespace KavirelTest {

class StoredCode : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    }
    void TearDown() override {
        delete scene;
        ScriptTest::TearDown();
    }
    CMC_Scene* scene = nullptr;
    ArchiveScratch scratch;
};

TEST_F(StoredCode, ABehaviourKeepsItsCodeAndCondition) {
    CMElement* element = KavirelTest::element("B", {{"CODE", "{X^INC();}"}, {"CONDITION", "C"}});
    CMC_Behaviour original(scene, element);
    delete element;
    Bytes bytes = scratch.write([&](CXArchive& archive) { original.serialize(&archive); });

    CMC_Behaviour copy(scene);
    copy.serialize(&scratch.read(bytes));
    EXPECT_TRUE(scratch.consumed());
    EXPECT_EQ(std::string(copy.getName().GetBuffer()), "B");
    EXPECT_EQ(std::string(copy.getCode().GetBuffer()), "X^INC();");
    EXPECT_EQ(std::string(copy.getCodition().GetBuffer()), "C");
}

TEST_F(StoredCode, AnExpressionKeepsItsOperandsAndRefusesADamagedCount) {
    CMC_Expression original(scene, CXString("A+B*2"));
    Bytes bytes = scratch.write([&](CXArchive& archive) { original.serialize(&archive); });

    CMC_Expression copy(scene, static_cast<CMElement*>(nullptr));
    copy.serialize(&scratch.read(bytes));
    EXPECT_TRUE(scratch.consumed());
    ASSERT_EQ(copy.getOperandCount(), 3);
    EXPECT_EQ(std::string(copy.getOperandText(2).GetBuffer()), "2");
    EXPECT_EQ(copy.getOperator(1), OP_ADD);
    EXPECT_EQ(copy.getOperator(2), OP_MULTIPLY);

    // The count sits after the common record (name, binding count) and the two flags.
    Bytes damaged = bytes;
    size_t at = 4 + 4 + 4 + 2;
    damaged[at] = 0xff;
    damaged[at + 1] = 0xff;
    damaged[at + 2] = 0xff;
    damaged[at + 3] = 0x7f;
    CMC_Expression refused(scene, static_cast<CMElement*>(nullptr));
    CXArchive& archive = scratch.read(damaged);
    refused.serialize(&archive);
    EXPECT_FALSE(archive.good());
    EXPECT_LE(refused.getOperandCount(), 2);
}

} // namespace KavirelTest
