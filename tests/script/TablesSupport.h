#pragma once
#include "ScriptSupport.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "core/Log.h"
#include "script/Integer.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelTest {

// A scene for DATABASE and MULTIARRAY objects, their files in a scratch folder, and their methods called as a
// script line calls them.
class TablesTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    }
    void TearDown() override {
        scene->unload();
        delete scene;
        ScriptTest::TearDown();
    }

    // The engine's name of a file in the scratch folder.
    CXString file(const std::string& name) {
        return CXString(CPlatformFiles::toEngineName((folder.path() / name).string()).c_str());
    }
    std::string read(const std::string& name) { return readNative(folder.path() / name); }

    // Arguments: an int is an INTEGER, any text a STRING, as script literals are.
    struct Arg {
        Arg(int value) : integer(true), number(value) {}
        Arg(const char* value) : text(value) {}
        bool integer = false;
        int number = 0;
        std::string text;
    };
    CMC_Variable* call(CMC_Object* target, const char* method, std::initializer_list<Arg> values = {}) {
        CXVector list(101, 0.75f);
        std::vector<CMC_Variable*> owned;
        for (const Arg& value : values) {
            if (value.integer)
                owned.push_back(new CMC_Integer(value.number));
            else
                owned.push_back(new CMC_String(CXString("arg"), CXString(value.text.c_str())));
            list.add(owned.back());
        }
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(target->getType());
        CMC_Variable* result = runner->run(CXString(method), target, scene, &list);
        for (CMC_Variable* value : owned) delete value;
        return result;
    }
    std::string callText(CMC_Object* target, const char* method, std::initializer_list<Arg> values = {}) {
        CMC_Variable* result = call(target, method, values);
        std::string text = result ? result->toString().GetBuffer() : "<null>";
        CMC_Object::flush(result);
        return text;
    }

    CTempFolder folder{"tables"};
    CMC_Scene* scene = nullptr;
};

// Little-endian bytes of a stored file, built by hand.
struct StoredBytes {
    std::string bytes;
    StoredBytes& i32(int32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
        return *this;
    }
    StoredBytes& integer(int32_t value) { return i32(TYPE_INTEGER).i32(value); }
    StoredBytes& text(const std::string& value) {
        i32(TYPE_STRING).i32(static_cast<int32_t>(value.size()));
        bytes += value;
        return *this;
    }
};

} // namespace KavirelTest
