#pragma once
#include <vector>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// VECTOR: a list of doubles of a fixed length with the operations of 2-D and 3-D motion. Operations on
// vectors of different lengths touch only the components both have, or nothing where the lengths must agree.
class CMC_Vector : public CMC_Object {
public:
    // More components than this are refused: SIZE or EXPAND past it is a script's mistake.
    static constexpr int kMaxSize = 1 << 20;

    // SIZE components; VALUE gives them in order (0.0 for those it lacks).
    CMC_Vector(CMC_ObjectsContainer* scene, CMElement* element);

    using CMC_Object::clone;
    // A copy named "clone" in the same container.
    CXObject* clone() override;
    // The components' texts joined by ",".
    CXString toString() override;
    CXString** getBehavioursList() override;
    // The object part, the size, then each component as the archive keeps doubles (four decimals).
    void serialize(CXArchive* archive) override;

    int getSize() const { return static_cast<int>(m_values.size()); }
    // 0.0 outside the components.
    double get(int index) const;
    // Nothing outside the components.
    void set(int index, double value);
    void fill(double value);
    double length() const;
    // 0.0 when the sizes differ.
    double dot(const CMC_Vector& other) const;
    // Component by component, when the sizes agree.
    void add(const CMC_Vector& other, double sign);
    void scale(double factor);
    // Unchanged when the length is 0.
    void normalize();
    // out = 2·d·n − this, d the dot product of this and n, over the components all three have.
    void reflect(const CMC_Vector& normal, CMC_Vector* out) const;
    // Grows to n components, the old ones moved to the end; fewer, or more than kMaxSize, leave it.
    void expand(int n);
    // The other's components, as many as both have.
    void assign(const CMC_Vector& other);

private:
    std::vector<double> m_values;
};

// VECTOR methods. Vector arguments are VECTOR objects given by name.
class CMC_Vector_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_GET = 2,
        MTH_GETSIZE = 3,
        MTH_VMUL = 4,
        MTH_SMUL = 5,
        MTH_MUL = 6,
        MTH_LEN = 7,
        MTH_NORMALIZE = 8,
        MTH_REFLECT = 9,
        MTH_EXPAND = 10,
        MTH_SET = 11,
        MTH_ASSIGN = 12,
        MTH_SUB = 13,
        MTH_NEG = 14,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
