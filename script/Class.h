#pragma once
#include "script/ObjectsContainer.h"
#include "script/Runner.h"

namespace KavirelDLL {

// A script class: the declaration a scene makes (TYPE=CLASS, its file DEF and its bases BASE), and each
// instance NEW makes of it, a container of the objects of the class files under "$COMMON\CLASSES\". An
// instance looks names up in itself, then in its class and the class's scene, without listing the class.
class CMC_Class : public CMC_ObjectsContainer {
public:
    // The declaration: nothing is loaded yet.
    CMC_Class(CMC_ObjectsContainer* scene, CMElement* element);
    // An instance of the declared class, with the objects of its bases' files, then of its own.
    CMC_Class(CMC_ObjectsContainer* scene, CMC_Class* declared, const CXString& name);

    // Starts the objects, then raises ONINIT.
    void init() override;
    // Runs the DESTRUCTOR, ends the objects, then the object part.
    bool done(bool flag) override;
    // An object already stored under the name is kept as "SUPER_" + its name.
    void addObject(CMC_Object* object) override;
    CMC_Runner* getRunner() override;

    // A new started instance, not yet in any container.
    CMC_Class* newInstance(const CXString& name);
    CXString getClassPath(const CXString& name);
    // Makes and adds the objects of the class file.
    void import(const CXString& name);
    // Imports each of the comma-separated class names in order.
    void import_base(const CXString& bases);
    // Ends the objects (their ONDONE, and the DESTRUCTOR of instances among them) without running this
    // one's DESTRUCTOR: DELETE has run it.
    void endMembers();

    CXString getDefinitionFile() const { return m_definition; }
    CXString getBases() const { return m_bases; }
    bool isInstance() const { return m_instance; }

private:
    CXString m_definition;
    CXString m_bases;
    bool m_instance = false;
};

// CLASS methods: NEW and DELETE on a declared class; any other name runs the instance's behaviour of that
// name as a method.
class CMC_Class_Runner : public CMC_Runner {
public:
    enum : int { MTH_NEW = 1, MTH_DELETE = 2 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                      CXVector* args) override;
    // Runs the behaviour of that name found from the instance, with the instance as its scene and the
    // arguments' texts as its parameters; a pool copy of the instance's "__RETURN__" (null without one).
    virtual CMC_Variable* runClass(CMC_Object* instance, CMC_ObjectsContainer* container, CXVector* args,
                                   const CXString& name);

    // The same with the arguments already read as texts (none for null).
    static CMC_Variable* runWithTexts(CMC_Object* instance, CXArray* texts, const CXString& name);
};

} // namespace KavirelDLL
