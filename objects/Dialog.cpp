#include "objects/Dialog.h"

#include "core/Log.h"
#include "media/controls/XDialog.h"
#include "media/text/MultilineText6.h"
#include "objects/Animo.h"
#include "objects/Button.h"
#include "objects/Image.h"
#include "objects/Text.h"
#include "script/ObjectsContainer.h"

namespace KavirelDLL {

CMC_Dialog::CMC_Dialog(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_DIALOG), m_dialog(new CXDialog(container)) {
    initializeBehaviours(container, element);
}

CMC_Dialog::CMC_Dialog(CMC_ObjectsContainer* container)
    : CMC_MediaObject(container, CXString("temp"), TYPE_DIALOG, false), m_dialog(new CXDialog(container)) {}

CMC_Dialog::~CMC_Dialog() {
    releaseAnchor();
    delete m_dialog;
}

CXString** CMC_Dialog::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

// ---- runner ----

namespace {

using Call = CMC_MediaRunner::Call;

// The named object of the container; null (and a log line) when the name finds nothing.
CMC_Object* namedObject(Call& c, const char* method) {
    CXString name = c.string(0);
    if (c.gone()) return nullptr;
    CMC_Object* object = c.container() ? c.container()->getObject(name) : nullptr;
    if (!object)
        logMessage("DIALOG %s: %s names no object \"%s\"; nothing changes",
                   c.self<CMC_Dialog>()->getName().GetBuffer(), method, name.GetBuffer());
    return object;
}

CGraphicsObject* graphicOf(CMC_Object* object, bool textToo) {
    switch (object->getType()) {
    case TYPE_IMAGE:
        return static_cast<CMC_Image*>(object)->getImage();
    case TYPE_ANIMO:
        return static_cast<CMC_Animo*>(object)->getAnimo();
    case TYPE_TEXT:
        return textToo ? static_cast<CMC_Text*>(object)->getText() : nullptr;
    default:
        return nullptr;
    }
}

} // namespace

void CMC_Dialog_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SHOW", 1, [](Call& c) -> CMC_Variable* {
        if (CXDialog* d = c.self<CMC_Dialog>()->getDialog()) d->show();
        return nullptr;
    });
    addMethod("HIDE", 2, [](Call& c) -> CMC_Variable* {
        if (CXDialog* d = c.self<CMC_Dialog>()->getDialog()) d->hide();
        return nullptr;
    });
    addMethod("SETBACKGROUND", 3, [](Call& c) -> CMC_Variable* {
        CMC_Object* object = namedObject(c, "SETBACKGROUND");
        CGraphicsObject* graphic = object ? graphicOf(object, false) : nullptr;
        if (CXDialog* d = graphic ? c.self<CMC_Dialog>()->getDialog() : nullptr) d->setBackground(graphic);
        return nullptr;
    });
    addMethod("ADD", 4, [](Call& c) -> CMC_Variable* {
        CMC_Object* object = namedObject(c, "ADD");
        CXDialog* d = object ? c.self<CMC_Dialog>()->getDialog() : nullptr;
        if (!d) return nullptr;
        if (object->getType() == TYPE_BUTTON) {
            if (CButton* button = static_cast<CMC_Button*>(object)->getButton()) d->add(button);
        } else if (CGraphicsObject* graphic = graphicOf(object, true)) {
            d->add(graphic);
        }
        return nullptr;
    });
}

} // namespace KavirelDLL
