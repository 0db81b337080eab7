#pragma once
#include <vector>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// PATH: the nodes of a route, other objects of its container in order, with a density. Each name is looked
// up once, when the node is added: a name not found then is a null node for good. Nodes are kept by
// handle, so a deleted node is found again by its name or reads as missing.
class CMC_Path : public CMC_Object {
public:
    // NODES: a list of object names.
    CMC_Path(CMC_ObjectsContainer* scene, CMElement* element);
    // A blank path named "temp" (caches rebuild paths from these).
    CMC_Path();

    // For every node "[" + its text + "]"; a null node is "[]".
    CXString toString() override;
    CXString** getBehavioursList() override;
    // The object part, the node count and each node's name ("" for a null node); the density is not kept.
    void serialize(CXArchive* archive) override;

    int getSize() const { return static_cast<int>(m_nodes.size()); }
    // Null outside the nodes, for a null node and for one that is gone.
    CMC_Object* getNode(int index);
    // The node's name; "" for a null node.
    CXString getNodeName(int index) const;
    void setDensity(double density) { m_density = density; }
    double getDensity() const { return m_density; }
    // Appends the object as a node; null appends a null node.
    void forwardToNodes(CMC_Object* object);

private:
    std::vector<CMC_ObjectHandle> m_nodes;
    double m_density = 1.0;
};

// PATH methods.
class CMC_Path_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_GETNODE = 2,
        MTH_GETSIZE = 3,
        MTH_SETPROPERTY = 4,
        MTH_GETPROPERTY = 5,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
