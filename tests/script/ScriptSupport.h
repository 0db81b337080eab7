#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/File.h"
#include "platform/Files.h"
#include "platform/TempFolder.h"
#include "script/Behaviour.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

namespace KavirelTest {

using namespace KavirelDLL;

// Runs nothing: records each run as "behaviour:current:arg1,arg2" and can act on each run.
class RecordingBehaviour : public CMC_Behaviour {
public:
    RecordingBehaviour(CMC_ObjectsContainer* scene, const char* name, std::vector<std::string>* log)
        : CMC_Behaviour(scene, CXString(name), CXString("")), m_log(log) {}

    bool run(CMC_Object* current, CXArray* params, bool) override {
        std::string entry =
            std::string(getName().GetBuffer()) + ":" + (current ? current->getName().GetBuffer() : "");
        for (int i = 0; params && i < params->getSize(); ++i)
            entry += std::string(i ? "," : ":") + static_cast<CXString*>(params->at(i))->GetBuffer();
        if (m_log) m_log->push_back(entry);
        if (onRun) onRun(current);
        return false;
    }

    std::function<void(CMC_Object*)> onRun;

private:
    std::vector<std::string>* m_log;
};

inline CMElement* element(const char* name, std::vector<std::pair<const char*, const char*>> properties) {
    auto* result = new CMElement(CXString(name));
    for (auto& [key, value] : properties) result->addProperty(CXString(key), CXString(value));
    return result;
}

using Bytes = std::vector<unsigned char>;

// Archives over scratch files: what a storing archive wrote, and an archive reading given bytes.
class ArchiveScratch {
public:
    Bytes write(const std::function<void(CXArchive&)>& body) {
        std::string name = next();
        {
            CFile file;
            EXPECT_EQ(file.OpenDirect(CXString(engineName(name).c_str()), CFile::MODE_BINARY), 0);
            CXArchive archive(&file, true);
            body(archive);
            EXPECT_TRUE(archive.good());
            file.Close();
        }
        std::string text = readNative(m_folder.path() / name);
        return Bytes(text.begin(), text.end());
    }
    // Valid until the next call.
    CXArchive& read(const Bytes& bytes) {
        std::string name = next();
        m_folder.put(name, std::string(bytes.begin(), bytes.end()));
        m_archive.reset();
        m_file = std::make_unique<CFile>();
        EXPECT_EQ(
            m_file->OpenDirect(CXString(engineName(name).c_str()), CFile::MODE_READ | CFile::MODE_BINARY), 0);
        m_archive = std::make_unique<CXArchive>(m_file.get(), false);
        return *m_archive;
    }
    // Every byte of the last read was taken.
    bool consumed() { return m_file && m_file->Tell() == m_file->Length(); }

private:
    std::string next() {
        // Built piece by piece: GCC 12 warns wrongly (-Wrestrict) on "literal" + a temporary string.
        std::string name = "f";
        name += std::to_string(m_count++);
        name += ".bin";
        return name;
    }
    std::string engineName(const std::string& name) {
        return CPlatformFiles::toEngineName((m_folder.path() / name).string());
    }

    CTempFolder m_folder{"script"};
    std::unique_ptr<CFile> m_file;
    std::unique_ptr<CXArchive> m_archive;
    int m_count = 0;
};

// Pools and runners live for each test, as they do for one loaded game.
class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        kavirelRegisterTypes();
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
    }
    void TearDown() override {
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
};

} // namespace KavirelTest
