#include "script/MultiArray.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "core/WholeFile.h"
#include "script/Behaviour.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// The product of the sizes, or -1 when a size is below 1 or the product passes the cell limit.
int64_t cellsOf(const std::vector<int32_t>& sizes) {
    int64_t cells = 1;
    for (int32_t size : sizes) {
        if (size < 1) return -1;
        cells *= size;
        if (cells > CMC_MultiArray::kMaxCells) return -1;
    }
    return cells;
}

CMC_Variable* ownCopy(CMC_Variable* value) {
    CXObject* copy = value ? value->clone() : nullptr;
    auto* variable = dynamic_cast<CMC_Variable*>(copy);
    if (!variable) delete copy;
    return variable;
}

} // namespace

CMC_MultiArray::CMC_MultiArray(CMC_ObjectsContainer* scene, const CXString& name)
    : CMC_Object(name, TYPE_MULTIARRAY) {
    if (scene) setScene(scene);
}

CMC_MultiArray::CMC_MultiArray(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_MULTIARRAY) {
    if (element && element->getProperties() && element->getProperties()->get("DIMENSIONS")) {
        CXString text = element->getPropertyValue("DIMENSIONS");
        int dimensions = text.toNumber();
        if (dimensions >= 1 && dimensions <= kMaxDimensions) {
            m_dimensions = dimensions;
        } else {
            logMessage("MULTIARRAY %s: DIMENSIONS=%s is not 1 to %d; it has 2", m_name.GetBuffer(),
                       text.GetBuffer(), kMaxDimensions);
        }
    }
    m_sizes.assign(static_cast<size_t>(m_dimensions), kStartSize);
    m_cellCount = static_cast<int32_t>(cellsOf(m_sizes));
    m_cells.assign(static_cast<size_t>(m_cellCount), nullptr);
    initializeBehaviours(scene, element);
}

CMC_MultiArray::~CMC_MultiArray() { removeAll(); }

CXObject* CMC_MultiArray::clone() { return this; }

CXString CMC_MultiArray::toString() { return CXString(""); }

CXString** CMC_MultiArray::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

CMC_Runner* CMC_MultiArray::getRunner() { return CMC_RunnerFactory::getRunner(TYPE_MULTIARRAY); }

void CMC_MultiArray::serialize(CXArchive*) {}

void CMC_MultiArray::saveINI() {}

void CMC_MultiArray::loadINI() {}

const char* CMC_MultiArray::refusal(const std::vector<int32_t>& coords) const {
    if (static_cast<int>(coords.size()) != m_dimensions)
        return "a count of coordinates other than its dimensions";
    for (int32_t c : coords)
        if (c < 0) return "a negative coordinate";
    return nullptr;
}

std::vector<int32_t> CMC_MultiArray::getCoords(int index) const {
    std::vector<int32_t> coords(static_cast<size_t>(m_dimensions), 0);
    for (size_t d = 0; d < coords.size() && d < m_sizes.size(); ++d) {
        coords[d] = index % m_sizes[d];
        index /= m_sizes[d];
    }
    return coords;
}

void CMC_MultiArray::set(std::vector<CMC_Variable*>& cells, const std::vector<int32_t>& sizes,
                         const std::vector<int32_t>& coords, CMC_Variable* value, bool copy) {
    int index = getIndex(sizes, coords);
    if (index < 0 || index >= static_cast<int>(cells.size())) return;
    CMC_Variable*& cell = cells[static_cast<size_t>(index)];
    if (cell == value && !copy) return;
    // Copied before the old value goes: it may be the one given.
    CMC_Variable* next = copy ? ownCopy(value) : value;
    delete cell;
    cell = next;
}

bool CMC_MultiArray::validateSize(const std::vector<int32_t>& coords) {
    if (refusal(coords)) return false;
    std::vector<int32_t> sizes = m_sizes;
    if (sizes.empty()) sizes.assign(static_cast<size_t>(m_dimensions), kStartSize);
    bool grew = sizes != m_sizes;
    for (size_t d = 0; d < sizes.size(); ++d) {
        int64_t size = sizes[d];
        while (size <= coords[d] && size <= kMaxCells) size *= 2;
        if (size > kMaxCells) return false;
        grew = grew || size != sizes[d];
        sizes[d] = static_cast<int32_t>(size);
    }
    if (!grew) return true;
    int64_t cells = cellsOf(sizes);
    if (cells < 0) return false;
    std::vector<CMC_Variable*> block(static_cast<size_t>(cells), nullptr);
    for (size_t i = 0; i < m_cells.size(); ++i)
        if (m_cells[i]) set(block, sizes, getCoords(static_cast<int>(i)), m_cells[i], false);
    m_cells.swap(block);
    m_sizes = sizes;
    m_cellCount = static_cast<int32_t>(cells);
    return true;
}

bool CMC_MultiArray::set(const std::vector<int32_t>& coords, CMC_Variable* value) {
    if (const char* reason = refusal(coords)) {
        logMessage("MULTIARRAY %s: SET with %s is refused", m_name.GetBuffer(), reason);
        return false;
    }
    if (!validateSize(coords)) {
        logMessage("MULTIARRAY %s: SET would need more than %d cells; refused", m_name.GetBuffer(),
                   kMaxCells);
        return false;
    }
    // The file keeps a cell as its type id and value, which only the scalar types have: a cell of another
    // type would be saved as bytes LOAD reads as further cells.
    const int type = value ? value->getType() : 0;
    if (value && (type < TYPE_INTEGER || type > TYPE_DOUBLE)) {
        logMessage("MULTIARRAY %s: SET of a value of type %d is refused; a cell holds INTEGER, STRING, BOOL or DOUBLE",
                   m_name.GetBuffer(), type);
        return false;
    }
    set(m_cells, m_sizes, coords, value, true);
    return true;
}

int CMC_MultiArray::count(CMC_Variable* value) {
    if (!value) return 0;
    int found = 0;
    for (CMC_Variable* cell : m_cells)
        if (cell && cell->equals(value)) ++found;
    return found;
}

int CMC_MultiArray::getSize(int dimension) {
    return dimension >= 0 && dimension < static_cast<int>(m_sizes.size())
               ? m_sizes[static_cast<size_t>(dimension)]
               : 0;
}

void CMC_MultiArray::removeAll() {
    for (CMC_Variable*& cell : m_cells) {
        delete cell;
        cell = nullptr;
    }
}

int CMC_MultiArray::save(const CXString& file) {
    CMC_ObjectsContainer* scene = getScene();
    // A blank array is saved with the sizes its first SET would give it.
    std::vector<int32_t> sizes = m_sizes;
    if (sizes.empty()) sizes.assign(static_cast<size_t>(m_dimensions), kStartSize);
    CXString what = CXString("MULTIARRAY ") + m_name;
    int result = writeWholeFile(scene ? scene->getWindow() : nullptr, file,
                                CFile::MODE_UPDATE | CFile::MODE_BINARY, what.GetBuffer(), [&](CFile& out) {
                                    CXArchive archive(&out, true);
                                    archive << static_cast<int32_t>(sizes.size());
                                    for (int32_t size : sizes) archive << size;
                                    for (size_t i = 0; i < m_cells.size(); ++i) {
                                        if (!m_cells[i]) continue;
                                        archive << static_cast<int32_t>(i);
                                        m_cells[i]->store(&archive);
                                    }
                                    archive << static_cast<int32_t>(cellsOf(sizes));
                                    return archive.good();
                                });
    setErrorCode(result);
    return result;
}

int CMC_MultiArray::load(const CXString& file) {
    removeAll();
    CMC_ObjectsContainer* scene = getScene();
    CFile in;
    if (in.Open(scene ? scene->getWindow() : nullptr, file, CFile::MODE_READ | CFile::MODE_BINARY) !=
        ERR_NONE) {
        logMessage("MULTIARRAY %s: %s cannot be opened; the array is empty", m_name.GetBuffer(),
                   file.GetBuffer());
        setErrorCode(ERR_FILE_NOT_FOUND);
        return ERR_FILE_NOT_FOUND;
    }
    CXArchive archive(&in, false);
    int32_t dimensions = 0;
    archive >> &dimensions;
    std::vector<int32_t> sizes;
    bool header = archive.good() && dimensions >= 1 && dimensions <= kMaxDimensions;
    for (int32_t d = 0; header && d < dimensions; ++d) {
        int32_t size = 0;
        archive >> &size;
        sizes.push_back(size);
        header = archive.good();
    }
    int64_t cells = header ? cellsOf(sizes) : -1;
    if (cells < 0) {
        logMessage("MULTIARRAY %s: %s has a damaged header; the array is empty", m_name.GetBuffer(),
                   file.GetBuffer());
        setErrorCode(ERR_FILE_DAMAGED);
        return ERR_FILE_DAMAGED;
    }
    m_dimensions = dimensions;
    m_sizes = sizes;
    m_cellCount = static_cast<int32_t>(cells);
    m_cells.assign(static_cast<size_t>(cells), nullptr);

    int result = ERR_FILE_DAMAGED;
    for (int64_t read = 0; read <= cells; ++read) {
        int32_t index = 0;
        archive >> &index;
        if (!archive.good() || index < 0) break;
        if (index >= m_cellCount) {
            result = ERR_NONE; // the end mark
            break;
        }
        CMC_Variable* value = CMC_VariableFactory::restore(&archive);
        bool good = value && archive.good();
        if (good) {
            delete m_cells[static_cast<size_t>(index)];
            m_cells[static_cast<size_t>(index)] = ownCopy(value);
        }
        CMC_Object::flush(value);
        if (!good) break;
    }
    if (result != ERR_NONE)
        logMessage("MULTIARRAY %s: %s is damaged; the cells before the damage are kept", m_name.GetBuffer(),
                   file.GetBuffer());
    setErrorCode(result);
    return result;
}

// ---- runner ----

void CMC_MultiArray_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("SET", MTH_SET);
    addMethod("GET", MTH_GET);
    addMethod("GETSIZE", MTH_GETSIZE);
    addMethod("COUNT", MTH_COUNT);
    addMethod("LOAD", MTH_LOAD);
    addMethod("SAVE", MTH_SAVE);
    addMethod("SAFEGET", MTH_SAFEGET);
}

CMC_Variable* CMC_MultiArray_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                         CXVector* args) {
    if (id < MTH_SET || id > MTH_SAFEGET) return CMC_Runner::run(id, object, container, args);
    if (!object || object->getType() != TYPE_MULTIARRAY) return nullptr;
    auto* array = static_cast<CMC_MultiArray*>(object);
    int count = argumentCount(args);
    CMC_ArgumentsGuard guard(object, container, args);
    switch (id) {
    case MTH_SET: {
        if (count < 1) return nullptr;
        std::vector<int32_t> coords;
        for (int i = 0; i + 1 < count; ++i) coords.push_back(getParameterInteger(args, i)->getValue());
        CMC_Variable* value = getParameter(args, count - 1);
        if (!value || guard.gone()) return nullptr;
        array->set(coords, value);
        return nullptr;
    }
    case MTH_GET:
    case MTH_SAFEGET: {
        std::vector<int32_t> coords;
        for (int i = 0; i < count; ++i) coords.push_back(getParameterInteger(args, i)->getValue());
        if (guard.gone()) return nullptr;
        if (const char* reason = array->refusal(coords))
            logMessage("MULTIARRAY %s: GET with %s is refused", array->getName().GetBuffer(), reason);
        CMC_Variable* cell = array->get(coords);
        CMC_Variable* result = cell ? CMC_VariableFactory::copyVariable(cell) : nullptr;
        if (result) return result;
        if (id == MTH_SAFEGET) {
            CMC_Integer* zero = CMC_VariableFactory::allocInteger();
            zero->setValue(0);
            return zero;
        }
        CMC_String* null = CMC_VariableFactory::allocString();
        null->setValue(CXString("NULL"));
        return null;
    }
    case MTH_GETSIZE: {
        int dimension = getParameterInteger(args, 0)->getValue();
        if (guard.gone()) return nullptr;
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(array->getSize(dimension));
        return result;
    }
    case MTH_COUNT: {
        CMC_Variable* value = getParameter(args, 0);
        if (guard.gone()) return nullptr;
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(array->count(value));
        return result;
    }
    case MTH_LOAD:
    case MTH_SAVE: {
        if (count < 1) return nullptr;
        CXString file = getParameterString(args, 0)->getValue();
        if (guard.gone()) return nullptr;
        if (id == MTH_LOAD)
            array->load(file);
        else
            array->save(file);
        return nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace KavirelDLL
