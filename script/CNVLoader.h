#pragma once
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CWindow;

// The definition loader "CNVLOADER": scripts load a further definition file into a container at run time,
// as one GROUP named like the file, and release that group again.
class CMC_CNVLoader : public CMC_Object {
public:
    CMC_CNVLoader(CWindow* window, CMC_ObjectsContainer* container);

    // Makes the file's objects in the loader's container, once per file name.
    virtual void load(const CXString& file);
    // Deletes the file's group, its objects, their clones and its behaviours.
    virtual void release(const CXString& file);

    CXString getLastLoaded() const { return m_lastLoaded; }

private:
    CWindow* m_window;
    CXString m_lastLoaded;
};

// CNVLOADER methods.
class CMC_CNVLoader_Runner : public CMC_Runner {
public:
    enum : int { MTH_LOAD = 1, MTH_RELEASE = 2 };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
