#include "platform/Registry.h"

#include "platform/Codepage.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KavirelDLL {

struct CPlatformRegistry::SKey {
    struct SValue {
        std::string name;
        ERegistryType type = ERegistryType::string;
        std::string text;
        uint32_t number = 0;
    };
    std::string name;
    std::vector<SValue> values;
    std::vector<std::unique_ptr<SKey>> keys; // kept sorted by folded name

    SKey* child(const std::string& childName) {
        std::string folded = foldCp1250(childName);
        for (auto& key : keys)
            if (foldCp1250(key->name) == folded) return key.get();
        return nullptr;
    }
    SKey* addChild(const std::string& childName) {
        std::string folded = foldCp1250(childName);
        auto it = std::find_if(keys.begin(), keys.end(),
                               [&](const auto& key) { return foldCp1250(key->name) > folded; });
        auto created = std::make_unique<SKey>();
        created->name = childName;
        return keys.insert(it, std::move(created))->get();
    }
    SValue* value(const std::string& valueName) {
        std::string folded = foldCp1250(valueName);
        for (auto& v : values)
            if (foldCp1250(v.name) == folded) return &v;
        return nullptr;
    }
    // The value of that name, which a write replaces whatever its type; a new one goes last.
    SValue& valueToWrite(const std::string& valueName) {
        if (SValue* v = value(valueName)) return *v;
        values.push_back(SValue{valueName, ERegistryType::none, {}, 0});
        return values.back();
    }
};

namespace {

const char* const kFileName = "registry.txt";
const char* const kHeader = "KavirelRegistry 1";
const char* const kRootNames[2] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
// Far beyond anything the engine writes; a bigger file is taken as damaged rather than read into memory.
constexpr uint64_t kMaxStoreBytes = 64u << 20;

std::vector<std::string> splitKey(const std::string& key) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= key.size()) {
        size_t end = key.find('\\', pos);
        if (end == std::string::npos) end = key.size();
        if (end > pos) parts.push_back(key.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

bool undefinedInCodepage(unsigned char c) {
    return c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98;
}

// Text in the file is UTF-8; '%' escapes (%HH) hold what UTF-8 cannot carry and the format's own marks.
std::string escape(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '%' || c == '"' || c == '[' || c == ']' || undefinedInCodepage(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c >= 0x80) {
            out += cp1250ToUtf8(std::string(1, static_cast<char>(c)));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool unescape(const std::string& text, std::string& out) {
    out.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == '%') {
            if (pos + 2 >= text.size()) return false;
            int high = hexDigit(text[pos + 1]);
            int low = hexDigit(text[pos + 2]);
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            pos += 3;
            continue;
        }
        size_t end = text.find('%', pos);
        if (end == std::string::npos) end = text.size();
        bool ok = false;
        out += utf8ToCp1250(text.substr(pos, end - pos), &ok);
        if (!ok) return false;
        pos = end;
    }
    return true;
}

void writeKey(std::string& out, const std::string& path, const CPlatformRegistry::SKey& key, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& value : key.values) {
            out += '"';
            out += escape(value.name);
            out += "\"=";
            if (value.type == ERegistryType::number) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "dword:%08x", value.number);
                out += buffer;
            } else {
                out += '"';
                out += escape(value.text);
                out += '"';
            }
            out += '\n';
        }
    }
    for (const auto& child : key.keys) writeKey(out, path + "\\" + escape(child->name), *child, false);
}

bool writeFileAtomically(const std::string& path, const std::string& contents, int& errorNumber) {
    std::string temporary = path + CPlatformFiles::temporarySuffix();
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        errorNumber = errno;
        return false;
    }
    const char* data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t done = ::write(fd, data, left);
        if (done < 0) {
            if (errno == EINTR) continue;
            errorNumber = errno;
            ::close(fd);
            unlink(temporary.c_str());
            return false;
        }
        data += done;
        left -= static_cast<size_t>(done);
    }
    if (fsync(fd) != 0 || ::close(fd) != 0) {
        errorNumber = errno;
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        errorNumber = errno;
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// Renames the file at path to the first free one of path + ".damaged", ".damaged.2", ... (an earlier damaged
// file is kept, never replaced).
bool moveAside(const std::string& path, std::string& aside, int& errorNumber) {
    for (int n = 1; n <= 1000; ++n) {
        aside = path + ".damaged" + (n > 1 ? "." + std::to_string(n) : std::string());
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return true;
        errorNumber = errno;
        if (errorNumber == EINVAL || errorNumber == ENOSYS) {
            // A file system without a rename that refuses to replace: look first.
            struct stat st;
            if (lstat(aside.c_str(), &st) == 0) continue;
            if (rename(path.c_str(), aside.c_str()) == 0) return true;
            errorNumber = errno;
        }
        if (errorNumber != EEXIST) return false;
    }
    errorNumber = EEXIST;
    return false;
}

} // namespace

CPlatformRegistry::CPlatformRegistry(const std::string& folder)
    : m_folder(folder.empty() ? CPlatformFiles::userConfigFolder() : folder) {
    m_roots[0] = std::make_unique<SKey>();
    m_roots[1] = std::make_unique<SKey>();
}

CPlatformRegistry::~CPlatformRegistry() = default;

CPlatformRegistry& CPlatformRegistry::shared() {
    static CPlatformRegistry registry;
    return registry;
}

std::string CPlatformRegistry::storeFile() const {
    if (m_folder.empty()) return "";
    return m_folder + "\\" + kFileName;
}

CPlatformRegistry::SStamp CPlatformRegistry::currentStamp() const {
    SStamp stamp;
    stamp.valid = true;
    std::string path;
    struct stat st;
    if (m_folder.empty() || CPlatformFiles::resolve(storeFile(), path) != EPlatformError::none ||
        stat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.seconds = st.st_mtim.tv_sec;
    stamp.nanoseconds = st.st_mtim.tv_nsec;
    return stamp;
}

void CPlatformRegistry::refresh() {
    // A file that could not be read is never read or written again in this run.
    if (m_memoryOnly) return;
    SStamp stamp = currentStamp();
    if (m_stamp.valid && stamp == m_stamp) return;
    m_stamp = stamp;
    load();
}

void CPlatformRegistry::load() {
    m_roots[0] = std::make_unique<SKey>();
    m_roots[1] = std::make_unique<SKey>();
    m_loadStatus = EPlatformError::none;
    m_loadMessage.clear();
    if (m_folder.empty()) return;
    std::vector<uint8_t> data;
    EPlatformError error = CPlatformFiles::readWholeFile(storeFile(), data, kMaxStoreBytes);
    if (error == EPlatformError::notFound) return;
    std::string text(data.begin(), data.end());
    auto damaged = [&](size_t lineNumber, const std::string& reason) {
        m_loadStatus = EPlatformError::corrupt;
        m_loadMessage = "line " + std::to_string(lineNumber) + ": " + reason;
    };
    if (error == EPlatformError::tooLarge) {
        damaged(0, "file too large");
    } else if (error != EPlatformError::none) {
        m_loadStatus = error;
        m_loadMessage = platformErrorText(error);
        // No file where one is looked for (a file in the folder's place) holds no records; anything else
        // may hold records that a write would destroy.
        if (error != EPlatformError::notFolder) {
            m_memoryOnly = true;
            std::fprintf(stderr,
                         "kavirel: registry file %s cannot be read (%s); it is left as it is, and the records "
                         "are kept for this run only\n",
                         nativeStorePath().c_str(), m_loadMessage.c_str());
        }
    } else {
        size_t pos = 0, lineNumber = 0;
        SKey* key = nullptr;
        bool ended = false;
        while (pos < text.size() && !ended) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) {
                // Every line is written with its end; a missing one is a cut-off file.
                damaged(lineNumber + 1, "last line cut off");
                break;
            }
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (lineNumber == 1) {
                if (line != kHeader) {
                    damaged(1, "not a registry file");
                    break;
                }
                continue;
            }
            if (line.empty() || line[0] == '#') continue;
            if (line == "end") {
                ended = true;
                continue;
            }
            if (line[0] == '[') {
                if (line.size() < 2 || line.back() != ']') {
                    damaged(lineNumber, "bad key line");
                    break;
                }
                std::vector<std::string> parts;
                std::string inner = line.substr(1, line.size() - 2);
                size_t p = 0;
                bool bad = false;
                while (p <= inner.size()) {
                    size_t e = inner.find('\\', p);
                    if (e == std::string::npos) e = inner.size();
                    std::string part;
                    if (e == p || !unescape(inner.substr(p, e - p), part)) bad = true;
                    parts.push_back(part);
                    p = e + 1;
                }
                int root = -1;
                if (!bad) {
                    std::string rootName = foldCp1250(parts[0]);
                    for (int r = 0; r < 2; ++r)
                        if (rootName == foldCp1250(kRootNames[r])) root = r;
                }
                if (bad || root < 0) {
                    damaged(lineNumber, "bad key name");
                    break;
                }
                key = m_roots[root].get();
                for (size_t i = 1; i < parts.size(); ++i) {
                    SKey* next = key->child(parts[i]);
                    key = next ? next : key->addChild(parts[i]);
                }
                continue;
            }
            if (line[0] != '"' || !key) {
                damaged(lineNumber, key ? "bad line" : "value outside a key");
                break;
            }
            size_t nameEnd = line.find('"', 1);
            std::string name;
            if (nameEnd == std::string::npos || nameEnd + 1 >= line.size() || line[nameEnd + 1] != '=' ||
                !unescape(line.substr(1, nameEnd - 1), name)) {
                damaged(lineNumber, "bad value name");
                break;
            }
            std::string rest = line.substr(nameEnd + 2);
            SKey::SValue value;
            value.name = name;
            if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' &&
                rest.find('"', 1) == rest.size() - 1 &&
                unescape(rest.substr(1, rest.size() - 2), value.text)) {
                value.type = ERegistryType::string;
            } else if (rest.size() == 14 && rest.compare(0, 6, "dword:") == 0 &&
                       std::all_of(rest.begin() + 6, rest.end(), [](char c) { return hexDigit(c) >= 0; })) {
                value.type = ERegistryType::number;
                value.number = static_cast<uint32_t>(std::stoul(rest.substr(6), nullptr, 16));
            } else {
                damaged(lineNumber, "bad value");
                break;
            }
            if (SKey::SValue* existing = key->value(name))
                *existing = value;
            else
                key->values.push_back(value);
        }
        if (m_loadStatus == EPlatformError::none && !ended) damaged(lineNumber, "end mark missing");
    }
    if (m_loadStatus == EPlatformError::corrupt) keepDamaged(error == EPlatformError::tooLarge);
}

std::string CPlatformRegistry::nativeStorePath() const {
    std::string path;
    if (CPlatformFiles::resolve(storeFile(), path) != EPlatformError::none) path = cp1250ToUtf8(storeFile());
    return path;
}

void CPlatformRegistry::keepDamaged(bool tooLarge) {
    const std::string path = nativeStorePath();
    // Another process replaced the file since it was read: the next call reads what is there now.
    if (currentStamp() != m_stamp) {
        m_stamp.valid = false;
        return;
    }
    std::string aside;
    int errorNumber = 0;
    if (!moveAside(path, aside, errorNumber)) {
        // Another process moved it first.
        if (errorNumber == ENOENT) {
            m_stamp.valid = false;
            return;
        }
        m_memoryOnly = true;
        std::fprintf(stderr,
                     "kavirel: registry file %s is damaged (%s) and cannot be moved aside (%s); it is left as "
                     "it is, and the records are kept for this run only\n",
                     path.c_str(), m_loadMessage.c_str(), platformErrorText(platformErrorFromErrno(errorNumber)));
        return;
    }
    CPlatformFiles::invalidateIndex(m_folder);
    if (tooLarge) {
        std::fprintf(stderr, "kavirel: registry file %s is too large to read; it is kept as %s, and a new one "
                             "is started\n",
                     path.c_str(), aside.c_str());
        m_stamp = currentStamp();
        return;
    }
    std::fprintf(stderr, "kavirel: registry file %s is damaged (%s); read what came before it, and kept the "
                         "file as %s\n",
                 path.c_str(), m_loadMessage.c_str(), aside.c_str());
    // The store holds at once what was read, so it is not lost when nothing else is written in this run.
    save();
}

EPlatformError CPlatformRegistry::save() {
    if (m_folder.empty()) return EPlatformError::notFound;
    if (m_memoryOnly) return EPlatformError::none;
    std::string out = std::string(kHeader) + "\n";
    for (int r = 0; r < 2; ++r) writeKey(out, kRootNames[r], *m_roots[r], true);
    out += "end\n";
    EPlatformError error = CPlatformFiles::createFolder(m_folder);
    std::string path;
    if (error == EPlatformError::none) error = CPlatformFiles::resolveForWrite(storeFile(), path);
    int errorNumber = 0;
    if (error == EPlatformError::none && !writeFileAtomically(path, out, errorNumber))
        error = platformErrorFromErrno(errorNumber);
    if (error != EPlatformError::none) {
        std::fprintf(stderr, "kavirel: could not write the registry file %s: %s\n",
                     path.empty() ? cp1250ToUtf8(storeFile()).c_str() : path.c_str(),
                     platformErrorText(error));
        // Read the file again next time, so what is in memory never differs from what is stored.
        m_stamp.valid = false;
        return error;
    }
    CPlatformFiles::invalidateIndex(m_folder);
    m_stamp = currentStamp();
    return EPlatformError::none;
}

void CPlatformRegistry::beginChange(CPlatformFileLock& fileLock) {
    // Another program changing the store waits until this change is stored (a file system without locks
    // takes none, and a folder that cannot be made leaves nothing to lock).
    if (!m_memoryOnly && !m_folder.empty() && CPlatformFiles::createFolder(m_folder) == EPlatformError::none)
        fileLock.lock(storeFile());
    // Read again whatever the file's times say: a file written within the same tick as the one read, on a
    // number the rename freed, can look unchanged, and what it holds would be lost with this change.
    m_stamp.valid = false;
    refresh();
}

CPlatformRegistry::SKey* CPlatformRegistry::findKey(ERegistryRoot root, const std::string& key, bool create) {
    SKey* current = m_roots[root == ERegistryRoot::currentUser ? 0 : 1].get();
    for (const auto& part : splitKey(key)) {
        SKey* next = current->child(part);
        if (!next) {
            if (!create) return nullptr;
            next = current->addChild(part);
        }
        current = next;
    }
    return current;
}

namespace {

// notFound for a missing key or value, wrongType for a value of another type.
EPlatformError valueOfType(CPlatformRegistry::SKey* key, const std::string& name, ERegistryType type,
                           CPlatformRegistry::SKey::SValue*& value) {
    value = key ? key->value(name) : nullptr;
    if (!value) return EPlatformError::notFound;
    return value->type == type ? EPlatformError::none : EPlatformError::wrongType;
}

} // namespace

EPlatformError CPlatformRegistry::createKey(ERegistryRoot root, const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CPlatformFileLock fileLock;
    beginChange(fileLock);
    if (findKey(root, key, false)) return EPlatformError::none;
    findKey(root, key, true);
    return save();
}

bool CPlatformRegistry::keyExists(ERegistryRoot root, const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    return findKey(root, key, false) != nullptr;
}

EPlatformError CPlatformRegistry::deleteKey(ERegistryRoot root, const std::string& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CPlatformFileLock fileLock;
    beginChange(fileLock);
    std::vector<std::string> parts = splitKey(key);
    if (parts.empty()) return EPlatformError::accessDenied;
    std::string last = parts.back();
    parts.pop_back();
    SKey* parent = m_roots[root == ERegistryRoot::currentUser ? 0 : 1].get();
    for (const auto& part : parts) {
        parent = parent->child(part);
        if (!parent) return EPlatformError::notFound;
    }
    std::string folded = foldCp1250(last);
    auto it = std::find_if(parent->keys.begin(), parent->keys.end(),
                           [&](const auto& k) { return foldCp1250(k->name) == folded; });
    if (it == parent->keys.end()) return EPlatformError::notFound;
    parent->keys.erase(it);
    return save();
}

EPlatformError CPlatformRegistry::setString(ERegistryRoot root, const std::string& key,
                                            const std::string& name, const std::string& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CPlatformFileLock fileLock;
    beginChange(fileLock);
    SKey::SValue& v = findKey(root, key, true)->valueToWrite(name);
    v.type = ERegistryType::string;
    v.text = value;
    v.number = 0;
    return save();
}

EPlatformError CPlatformRegistry::setNumber(ERegistryRoot root, const std::string& key,
                                            const std::string& name, uint32_t value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CPlatformFileLock fileLock;
    beginChange(fileLock);
    SKey::SValue& v = findKey(root, key, true)->valueToWrite(name);
    v.type = ERegistryType::number;
    v.text.clear();
    v.number = value;
    return save();
}

EPlatformError CPlatformRegistry::getString(ERegistryRoot root, const std::string& key,
                                            const std::string& name, std::string& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    SKey::SValue* v = nullptr;
    EPlatformError error = valueOfType(findKey(root, key, false), name, ERegistryType::string, v);
    if (error == EPlatformError::none) value = v->text;
    return error;
}

EPlatformError CPlatformRegistry::getNumber(ERegistryRoot root, const std::string& key,
                                            const std::string& name, uint32_t& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    SKey::SValue* v = nullptr;
    EPlatformError error = valueOfType(findKey(root, key, false), name, ERegistryType::number, v);
    if (error == EPlatformError::none) value = v->number;
    return error;
}

ERegistryType CPlatformRegistry::valueType(ERegistryRoot root, const std::string& key,
                                           const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    SKey* k = findKey(root, key, false);
    SKey::SValue* v = k ? k->value(name) : nullptr;
    return v ? v->type : ERegistryType::none;
}

EPlatformError CPlatformRegistry::deleteValue(ERegistryRoot root, const std::string& key,
                                              const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    CPlatformFileLock fileLock;
    beginChange(fileLock);
    SKey* k = findKey(root, key, false);
    if (!k) return EPlatformError::notFound;
    std::string folded = foldCp1250(name);
    auto it = std::find_if(k->values.begin(), k->values.end(),
                           [&](const auto& v) { return foldCp1250(v.name) == folded; });
    if (it == k->values.end()) return EPlatformError::notFound;
    k->values.erase(it);
    return save();
}

EPlatformError CPlatformRegistry::listSubKeys(ERegistryRoot root, const std::string& key,
                                              std::vector<std::string>& names) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    names.clear();
    SKey* k = findKey(root, key, false);
    if (!k) return EPlatformError::notFound;
    for (const auto& child : k->keys) names.push_back(child->name);
    return EPlatformError::none;
}

EPlatformError CPlatformRegistry::listValues(ERegistryRoot root, const std::string& key,
                                             std::vector<std::string>& names) {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    names.clear();
    SKey* k = findKey(root, key, false);
    if (!k) return EPlatformError::notFound;
    for (const auto& v : k->values) names.push_back(v.name);
    return EPlatformError::none;
}

EPlatformError CPlatformRegistry::loadStatus() {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    return m_loadStatus;
}

std::string CPlatformRegistry::loadMessage() {
    std::lock_guard<std::mutex> lock(m_mutex);
    refresh();
    return m_loadMessage;
}

} // namespace KavirelDLL
