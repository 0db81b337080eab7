// DATABASE's text file: a load of the bytes into rows of a four-field model, a search, the cursor moved
// both ways, and a save of the rows.
#include <memory>

#include "core/Elements.h"
#include "fuzz/FuzzSupport.h"
#include "script/Database.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Structure.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMC_ObjectsContainer room(nullptr, nullptr, CXString("ROOM"), TYPE_CLASS);
    CMElement model(CXString("ROW"));
    model.addProperty(CXString("FIELDS"), CXString("ID<INTEGER>,NAME<STRING>,SCORE<DOUBLE>,ON<BOOL>"));
    room.addObject(new CMC_Structure(&room, &model));
    CMElement definition(CXString("TABLE"));
    definition.addProperty(CXString("MODEL"), CXString("ROW"));
    auto* table = new CMC_Database(&room, &definition);
    room.addObject(table);
    table->init();
    table->load(KavirelFuzz::writeScratch("rows.txt", data, size));
    CMC_String name(CXString("n"), CXString("ala"));
    table->find(CXString("NAME"), &name, 0);
    table->next();
    table->prev();
    table->remove(CXString("NAME"), &name);
    table->save(KavirelFuzz::writeScratch("saved.txt", "", 0));
    return 0;
}
