#include "script/Database.h"

#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/WholeFile.h"
#include "script/Behaviour.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Structure.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

CMC_Structure* namelessCopy(CMC_Structure* structure) {
    auto* copy = static_cast<CMC_Structure*>(structure->clone());
    copy->setName(CXString(""));
    return copy;
}

bool fieldEquals(CMC_Structure* row, const CXString& field, CMC_Variable* value) {
    CMC_Variable* own = row->getField(field);
    return own && value && own->equals(value);
}

// One line of a text file however long it is (a read gives at most a part of it), without its line end. The
// parts are appended where the line is, so a long line costs its length a few times over, not once a part.
bool readLine(CFile& file, CXString& line) {
    line = CXString("");
    bool any = false;
    for (;;) {
        CXString part = file.getLine();
        if (part.GetLength() == 0) break;
        any = true;
        line += part;
        if (line.lastChar() == '\n') break;
    }
    int length = line.GetLength();
    while (length > 0 && (line.GetAt(length - 1) == '\n' || line.GetAt(length - 1) == '\r')) --length;
    line.left(length);
    return any;
}

// The first field of the row whose text its line cannot carry (a "|" or a line end splits it at LOAD), or
// null.
CMC_Variable* fieldThatSplits(CMC_Structure* row) {
    for (int i = 0; i < row->getFieldsNo(); ++i) {
        CMC_Variable* field = row->getField(i);
        CXString text = field->toString();
        for (int c = 0; c < text.GetLength(); ++c)
            if (text.GetAt(c) == '|' || text.GetAt(c) == '\n' || text.GetAt(c) == '\r') return field;
    }
    return nullptr;
}

} // namespace

CMC_Database::CMC_Database(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_DATABASE), m_rows(new CXVector(101, 0.75f)) {
    if (element) m_modelName = element->getPropertyValue("MODEL");
    initializeBehaviours(scene, element);
}

CMC_Database::~CMC_Database() {
    releaseAnchor();
    if (CMC_Structure* row = static_cast<CMC_Structure*>(m_mappedRow.current())) unmapRow(row);
    for (int i = 0; i < m_rows->getSize(); ++i) delete m_rows->at(i);
    delete m_rows;
}

CXString** CMC_Database::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

CMC_Runner* CMC_Database::getRunner() { return CMC_RunnerFactory::getRunner(TYPE_DATABASE); }

void CMC_Database::init() {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_ObjectsContainer* scene = getScene();
    if (scene) {
        CMC_Object* model = scene->getObject(m_modelName);
        if (model && model->getType() == TYPE_STRUCTURE)
            m_model.set(model);
        else
            logMessage("DATABASE %s: its MODEL \"%s\" is not a STRUCT; it loads no file", m_name.GetBuffer(),
                       m_modelName.GetBuffer());
        auto* cursor = new CMC_Structure(m_name + "_CURSOR");
        cursor->setScene(scene);
        m_cursorStructure.set(cursor);
        scene->addObject(cursor);
        if (!self->object) return;
    }
    CMC_Object::init();
}

CMC_Structure* CMC_Database::getModel() { return static_cast<CMC_Structure*>(m_model.current()); }

CMC_Structure* CMC_Database::getCursorStructure() {
    return static_cast<CMC_Structure*>(m_cursorStructure.current());
}

CMC_Structure* CMC_Database::getRow(int index) {
    if (index < 0 || index >= m_rows->getSize()) return nullptr;
    return static_cast<CMC_Structure*>(m_rows->at(index));
}

void CMC_Database::mapRow(int index) {
    CMC_Structure* row = getRow(index);
    CMC_Structure* cursor = getCursorStructure();
    if (!row || !cursor) return;
    cursor->map(row);
    m_mappedRow.set(row);
}

void CMC_Database::unmapRow(CMC_Structure* row) {
    if (!m_mappedRow.refersTo(row)) return;
    m_mappedRow.clear();
    if (CMC_Structure* cursor = getCursorStructure()) cursor->flush();
}

void CMC_Database::add(CMC_Structure* structure) {
    if (structure) m_rows->add(namelessCopy(structure));
}

bool CMC_Database::insertAt(int index, CMC_Structure* structure) {
    if (!structure || index < 0 || index > m_rows->getSize()) return false;
    if (index == m_rows->getSize())
        m_rows->add(namelessCopy(structure));
    else
        m_rows->insertAt(index, namelessCopy(structure));
    return true;
}

void CMC_Database::remove(const CXString& field, CMC_Variable* value) {
    std::vector<CMC_Structure*> going;
    for (int i = 0; i < m_rows->getSize(); ++i) {
        auto* row = static_cast<CMC_Structure*>(m_rows->at(i));
        if (fieldEquals(row, field, value)) going.push_back(row);
    }
    for (CMC_Structure* row : going) {
        unmapRow(row);
        m_rows->remove(row);
        delete row;
    }
}

bool CMC_Database::removeAt(int index) {
    CMC_Structure* row = getRow(index);
    if (!row) return false;
    unmapRow(row);
    m_rows->removeAt(index);
    delete row;
    return true;
}

void CMC_Database::removeAll() {
    if (CMC_Structure* row = static_cast<CMC_Structure*>(m_mappedRow.current())) unmapRow(row);
    for (int i = 0; i < m_rows->getSize(); ++i) delete m_rows->at(i);
    m_rows->removeAll();
}

int CMC_Database::find(const CXString& field, CMC_Variable* value, int start) {
    for (int i = start < 0 ? 0 : start; i < m_rows->getSize(); ++i) {
        if (fieldEquals(static_cast<CMC_Structure*>(m_rows->at(i)), field, value)) {
            mapRow(i);
            return i;
        }
    }
    return -1;
}

void CMC_Database::select(int index) {
    if (index < 0 || index >= m_rows->getSize()) return;
    m_cursor = index;
    mapRow(index);
}

void CMC_Database::next() {
    int rows = m_rows->getSize();
    m_cursor = m_cursor + 1 >= rows || m_cursor < 0 ? 0 : m_cursor + 1;
    mapRow(m_cursor);
}

void CMC_Database::prev() {
    int rows = m_rows->getSize();
    // Wraps from the first row, and from a cursor left past rows that were removed.
    m_cursor = m_cursor <= 0 || m_cursor >= rows ? (rows > 0 ? rows - 1 : 0) : m_cursor - 1;
    mapRow(m_cursor);
}

int CMC_Database::load(const CXString& fileName) {
    CMC_Structure* model = getModel();
    if (!model) {
        logMessage("DATABASE %s: LOAD of %s without a model reads nothing", m_name.GetBuffer(),
                   fileName.GetBuffer());
        return -1;
    }
    CMC_ObjectsContainer* scene = getScene();
    CFile file;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName, CFile::MODE_READ | CFile::MODE_TEXT) !=
        ERR_NONE) {
        logMessage("DATABASE %s: %s cannot be opened", m_name.GetBuffer(), fileName.GetBuffer());
        setErrorCode(ERR_FILE_NOT_FOUND);
        return ERR_FILE_NOT_FOUND;
    }
    CXString line;
    while (readLine(file, line)) {
        if (line.GetLength() == 0) continue;
        CMC_Structure* row = namelessCopy(model);
        row->fromString(line);
        m_rows->add(row);
    }
    file.Close();
    if (m_rows->getSize() > 0) {
        m_cursor = 0;
        mapRow(0);
    }
    setErrorCode(ERR_NONE);
    return ERR_NONE;
}

int CMC_Database::save(const CXString& fileName) {
    CMC_ObjectsContainer* scene = getScene();
    // The format stays as games expect it; a row it cannot keep is named, once a SAVE.
    int first = -1, splitting = 0, firstEmpty = -1, empty = 0;
    CMC_Variable* field = nullptr;
    for (int i = 0; i < m_rows->getSize(); ++i) {
        auto* row = static_cast<CMC_Structure*>(m_rows->at(i));
        if (CMC_Variable* found = fieldThatSplits(row)) {
            if (first < 0) {
                first = i;
                field = found;
            }
            ++splitting;
        } else if (row->toString().GetLength() == 0) {
            // An empty line, which LOAD skips: a row of one empty text.
            if (firstEmpty < 0) firstEmpty = i;
            ++empty;
        }
    }
    if (field) {
        const CXString& full = field->name();
        int at = full.FindLast('_');
        CXString name = at >= 0 ? full.Right(at + 1) : full;
        logMessage("DATABASE %s: SAVE to %s: row %d's %s holds \"|\" or a line end, which a row's line cannot "
                   "carry; it will not load back as it was (%d row%s like it)",
                   m_name.GetBuffer(), fileName.GetBuffer(), first, name.GetBuffer(), splitting,
                   splitting == 1 ? "" : "s");
    }
    if (empty > 0)
        logMessage("DATABASE %s: SAVE to %s: row %d's line is empty, which LOAD skips; it will not load back "
                   "(%d row%s like it)",
                   m_name.GetBuffer(), fileName.GetBuffer(), firstEmpty, empty, empty == 1 ? "" : "s");
    CXString what = CXString("DATABASE ") + m_name;
    int result = writeWholeFile(scene ? scene->getWindow() : nullptr, fileName,
                                CFile::MODE_UPDATE | CFile::MODE_TEXT, what.GetBuffer(), [this](CFile& file) {
                                    for (int i = 0; i < m_rows->getSize(); ++i) {
                                        CXString line =
                                            static_cast<CMC_Structure*>(m_rows->at(i))->toString();
                                        line += '\n';
                                        if (file.putLine(line) != line.GetLength()) return false;
                                    }
                                    return true;
                                });
    setErrorCode(result);
    return result;
}

// ---- runner ----

void CMC_Database_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ADD", MTH_ADD);
    addMethod("REMOVE", MTH_REMOVE);
    addMethod("LOAD", MTH_LOAD);
    addMethod("SAVE", MTH_SAVE);
    addMethod("REMOVEALL", MTH_REMOVEALL);
    addMethod("FIND", MTH_FIND);
    addMethod("SELECT", MTH_SELECT);
    addMethod("NEXT", MTH_NEXT);
    addMethod("PREV", MTH_PREV);
    addMethod("GETROWSNO", MTH_GETROWSNO);
    addMethod("REMOVEAT", MTH_REMOVEAT);
    addMethod("INSERTAT", MTH_INSERTAT);
    addMethod("GETCURSORPOS", MTH_GETCURSORPOS);
}

namespace {

// The container's STRUCT of that name, or null with a log line.
CMC_Structure* structureNamed(CMC_ObjectsContainer* container, CMC_Object* database, const CXString& name,
                              const char* method) {
    CMC_Object* found = container ? container->getObject(name) : nullptr;
    if (found && found->getType() == TYPE_STRUCTURE) return static_cast<CMC_Structure*>(found);
    logMessage("DATABASE %s: %s of \"%s\", which is not a STRUCT, does nothing",
               database->getName().GetBuffer(), method, name.GetBuffer());
    return nullptr;
}

} // namespace

CMC_Variable* CMC_Database_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                       CXVector* args) {
    if (id < MTH_ADD || id > MTH_GETCURSORPOS) return CMC_Runner::run(id, object, container, args);
    if (!object || object->getType() != TYPE_DATABASE) return nullptr;
    auto* database = static_cast<CMC_Database*>(object);
    CMC_ArgumentsGuard guard(object, container, args);
    switch (id) {
    case MTH_ADD: {
        CXString name = getParameterString(args, 0)->getValue();
        if (guard.gone()) return nullptr;
        if (CMC_Structure* structure = structureNamed(container, database, name, "ADD"))
            database->add(structure);
        return nullptr;
    }
    case MTH_REMOVE: {
        CXString field = getParameterString(args, 0)->getValue();
        CMC_Variable* value = getParameter(args, 1);
        if (guard.gone()) return nullptr;
        database->remove(field, value);
        return nullptr;
    }
    case MTH_LOAD:
    case MTH_SAVE: {
        CXString file = getParameterString(args, 0)->getValue();
        if (guard.gone()) return nullptr;
        if (id == MTH_LOAD)
            database->load(file);
        else
            database->save(file);
        return nullptr;
    }
    case MTH_REMOVEALL:
        database->removeAll();
        return nullptr;
    case MTH_FIND: {
        CXString field = getParameterString(args, 0)->getValue();
        int start = getParameterInteger(args, 2)->getValue();
        CMC_Variable* value = getParameter(args, 1);
        if (guard.gone()) return nullptr;
        return CMC_VariableFactory::allocInteger(database->find(field, value, start));
    }
    case MTH_SELECT: {
        int index = getParameterInteger(args, 0)->getValue();
        if (!guard.gone()) database->select(index);
        return nullptr;
    }
    case MTH_NEXT:
        database->next();
        return nullptr;
    case MTH_PREV:
        database->prev();
        return nullptr;
    case MTH_GETROWSNO:
        return CMC_VariableFactory::allocInteger(database->getRows());
    case MTH_REMOVEAT: {
        int index = getParameterInteger(args, 0)->getValue();
        if (guard.gone()) return nullptr;
        if (!database->removeAt(index))
            logMessage("DATABASE %s: REMOVEAT(%d) is outside its %d rows; nothing removed",
                       database->getName().GetBuffer(), index, database->getRows());
        return nullptr;
    }
    case MTH_INSERTAT: {
        int index = getParameterInteger(args, 0)->getValue();
        CXString name = getParameterString(args, 1)->getValue();
        if (guard.gone()) return nullptr;
        CMC_Structure* structure = structureNamed(container, database, name, "INSERTAT");
        if (structure && !database->insertAt(index, structure))
            logMessage("DATABASE %s: INSERTAT(%d) is outside its %d rows; nothing inserted",
                       database->getName().GetBuffer(), index, database->getRows());
        return nullptr;
    }
    case MTH_GETCURSORPOS:
        return CMC_VariableFactory::allocInteger(database->getCursorPos());
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
