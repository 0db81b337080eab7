#pragma once
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CXDialog;

// DIALOG: a movable panel over its container; scripts give it a background and add graphics and buttons by
// name. Every form has a panel (one read from a scene cache gets an empty one).
class CMC_Dialog : public CMC_MediaObject {
public:
    CMC_Dialog(CMC_ObjectsContainer* container, CMElement* element);
    explicit CMC_Dialog(CMC_ObjectsContainer* container);
    ~CMC_Dialog() override;

    CXString** getBehavioursList() override;
    CXDialog* getDialog() const { return m_dialog; }

private:
    CXDialog* m_dialog = nullptr;
};

class CMC_Dialog_Runner : public CMC_MediaRunner {
public:
    CMC_Dialog_Runner() : CMC_MediaRunner(TYPE_DIALOG) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
