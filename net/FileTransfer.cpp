#include "net/FileTransfer.h"

#include <atomic>
#include <new>
#include <set>

#include "core/Log.h"
#include "display/Window.h"
#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "platform/Files.h"

namespace KavirelDLL {

namespace {

// Ids start at 1; touched on the main thread only, atomic all the same.
std::atomic<int> s_requestCounter{0};
std::atomic<int> s_entryCounter{0};

int nextId(std::atomic<int>& counter) {
    int id = ++counter;
    if (id <= 0) { // wrapped: ids stay positive
        counter = 1;
        id = 1;
    }
    return id;
}

const char* text(const CXString& s) { return s.GetBuffer() ? s.GetBuffer() : ""; }

CXString join(const CXString& a, const CXString& b) {
    if (a.GetLength() == 0) return b;
    if (b.GetLength() == 0) return a;
    return a + "\\" + b;
}

} // namespace

CFileReceiver_Entry::CFileReceiver_Entry(CXSocket* socket, int requestId, const CXString& folder1,
                                         const CXString& folder2, const CXString& fileName)
    : m_socket(socket), m_requestId(requestId), m_folder1(folder1), m_folder2(folder2), m_fileName(fileName) {}

bool CFileReceiver_Entry::received(CNetMessage* message) {
    if (m_failed || !message) return false;
    if (message->getType() == CNetMessage::FILE_RESPONSE) {
        auto* response = static_cast<CNetFileResponseMessage*>(message);
        int size = response->getFileLength2();
        if (m_entryId != -1 || response->getEntryId() == -1 || size < 0 || size > MAX_TRANSFER_FILE) {
            m_failed = true;
            return false;
        }
        m_entryId = response->getEntryId();
        m_length = response->getFileLength();
        m_bufferSize = size;
        m_buffer.assign(static_cast<size_t>(size), 0);
        return m_received < m_bufferSize;
    }
    if (message->getType() == CNetMessage::FILE_DATA) {
        auto* data = static_cast<CNetFileDataMessage*>(message);
        int64_t offset = data->getOffset(), count = data->getCount();
        if (m_entryId == -1 || data->getEntryId() != m_entryId || offset != m_received || count < 1 ||
            offset + count > m_bufferSize || !data->getData()) {
            m_failed = true;
            return false;
        }
        std::copy(data->getData(), data->getData() + count, m_buffer.begin() + offset);
        m_received += static_cast<int32_t>(count);
        return m_received < m_bufferSize;
    }
    return true;
}

int CFileReceiver_Entry::save_file() {
    // Below the current folder, which stays as it is (a "..", a drive or a link leading out is refused); the
    // folders the name needs are made.
    CXString name = join(join(m_folder1, m_folder2), m_fileName);
    std::string native;
    if (CPlatformFiles::resolveInside(CPlatformFiles::toEngineName(CPlatformFiles::workingFolder()), text(name),
                                      native, false) != EPlatformError::none) {
        logMessage("network: the received file \"%s\" would leave the current folder; nothing is kept", text(name));
        return ERR_FILE_WRITE;
    }
    const std::string target = CPlatformFiles::toEngineName(native);
    std::string folder = target;
    size_t cut = folder.find_last_of("\\/");
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut);
    if (!folder.empty() && CPlatformFiles::createFolder(folder) != EPlatformError::none) {
        logMessage("network: cannot make the folder \"%s\" for a received file", folder.c_str());
        return ERR_FILE_WRITE;
    }
    // Whole or not at all: a temporary beside it, renamed over the name once written; its name is its own, as
    // two copies of a game in one folder may receive the same file at once.
    const std::string temporary = target + CPlatformFiles::temporarySuffix(".kvpart");
    CPlatformFile file;
    bool written = file.open(temporary, EOpenMode::write) == EPlatformError::none &&
                   (m_buffer.empty() || file.write(m_buffer.data(), m_buffer.size()) == m_buffer.size());
    written = file.isOpen() && file.close() == EPlatformError::none && written;
    if (!written || CPlatformFiles::renameEntry(temporary, target, true) != EPlatformError::none) {
        CPlatformFiles::removeFile(temporary);
        logMessage("network: the received file \"%s\" cannot be written; nothing is kept", target.c_str());
        return ERR_FILE_WRITE;
    }
    return ERR_NONE;
}

CFileReceiver_Manager::CFileReceiver_Manager(CFileReceiver_Listener* listener) : m_listener(listener) {}

CFileReceiver_Manager::~CFileReceiver_Manager() {
    for (auto& [id, entry] : m_entries) delete entry;
}

int CFileReceiver_Manager::add_file(CXSocket* socket, const CXString& folder1, const CXString& folder2,
                                    const CXString& fileName) {
    if (!socket || fileName.GetLength() == 0) return 0;
    int id = nextId(s_requestCounter);
    auto* entry = new CFileReceiver_Entry(socket, id, folder1, folder2, fileName);
    m_entries[id] = entry;
    if (!socket->send(new CNetFileRequestMessage(socket, id, folder1, folder2, fileName))) {
        remove_file(id);
        return 0;
    }
    return id;
}

void CFileReceiver_Manager::remove_file(int requestId) {
    auto it = m_entries.find(requestId);
    if (it == m_entries.end()) return;
    delete it->second;
    m_entries.erase(it);
}

void CFileReceiver_Manager::received(CNetMessage* message) {
    if (!message) return;
    int requestId;
    if (message->getType() == CNetMessage::FILE_RESPONSE)
        requestId = static_cast<CNetFileResponseMessage*>(message)->getRequestId();
    else if (message->getType() == CNetMessage::FILE_DATA)
        requestId = static_cast<CNetFileDataMessage*>(message)->getRequestId();
    else
        return;
    auto it = m_entries.find(requestId);
    if (it == m_entries.end()) return;
    CFileReceiver_Entry* entry = it->second;
    // Only the connection the request went over answers it.
    if (message->getHandle() != entry->getHandle()) return;
    if (entry->received(message)) return;
    if (entry->isFailed()) {
        logMessage("network: the transfer of \"%s\" broke off (a message out of order or range)",
                   text(entry->getFileName()));
    } else if (!m_listener || !m_listener->onFileReceived(entry)) {
        entry->save_file();
    }
    remove_file(requestId);
}

void CFileReceiver_Manager::removeSocket(const CXSocket* socket) {
    std::erase_if(m_entries, [socket](auto& item) {
        if (item.second->getHandle() != socket) return false;
        delete item.second;
        return true;
    });
}

CFileSender_Entry::CFileSender_Entry(CXSocket* socket, int requestId, int entryId, const CXString& s1,
                                     const CXString& s2, const CXString& path, const std::string& native,
                                     Contents contents)
    : m_socket(socket), m_requestId(requestId), m_entryId(entryId), m_s1(s1), m_s2(s2), m_s3(path),
      m_native(native), m_contents(std::move(contents)) {}

CNetMessage* CFileSender_Entry::get_msg() {
    int length = static_cast<int>(m_contents->size());
    if (!m_responseSent) {
        m_responseSent = true;
        return new CNetFileResponseMessage(m_socket, m_requestId, m_entryId, length, length);
    }
    int n = length - m_position;
    if (n < 1) return nullptr;
    if (n > TRANSFER_CHUNK) n = TRANSFER_CHUNK;
    auto* message = new CNetFileDataMessage(m_socket, m_requestId, m_entryId, 0, m_position, n,
                                            m_contents->data() + m_position);
    m_position += n;
    return message;
}

bool CFileSender_Entry::send() {
    CNetMessage* message = get_msg();
    return message && m_socket->send(message);
}

CFileSender_Manager::~CFileSender_Manager() {
    for (auto& [id, entry] : m_entries) delete entry;
}

int CFileSender_Manager::add_file(CXSocket* socket, int requestId, const CXString& s1, const CXString& s2,
                                  const CXString& path) {
    if (!socket) return 0;
    std::string native;
    EPlatformError error = CPlatformFiles::resolveInside(text(CWindow::rootPath), text(path), native, true);
    if (error != EPlatformError::none) {
        logMessage("network: a peer asked for \"%s\", which is not a file of the game's folder; no answer",
                   text(path));
        return 0;
    }
    int mine = 0;
    CFileSender_Entry::Contents contents;
    for (auto& [id, entry] : m_entries) {
        if (entry->getHandle() == socket) ++mine;
        if (entry->getNativePath() == native) contents = entry->getContents();
    }
    if (mine >= MAX_SENDS_PER_CONNECTION || getCount() >= MAX_SENDS) {
        logMessage("network: a peer asked for \"%s\" while %d files are being sent (%d to it); no answer",
                   text(path), getCount(), mine);
        return 0;
    }
    if (!contents) {
        try {
            auto read = std::make_shared<std::vector<uint8_t>>();
            error = CPlatformFiles::readWholeFile(CPlatformFiles::toEngineName(native), *read,
                                                  static_cast<uint64_t>(MAX_TRANSFER_FILE));
            if (error == EPlatformError::none && getHeldBytes() + int64_t(read->size()) > MAX_HELD_BYTES) {
                logMessage("network: a peer asked for \"%s\" while too much is being sent; no answer", text(path));
                return 0;
            }
            contents = std::move(read);
        } catch (const std::bad_alloc&) {
            error = EPlatformError::tooLarge; // no memory for it
        }
    }
    if (error != EPlatformError::none) {
        logMessage("network: a peer asked for \"%s\", which cannot be read or is over 64 MiB; no answer",
                   text(path));
        return 0;
    }
    int id = nextId(s_entryCounter);
    m_entries[id] = new CFileSender_Entry(socket, requestId, id, s1, s2, path, native, std::move(contents));
    return id;
}

int64_t CFileSender_Manager::getHeldBytes() const {
    std::set<const void*> seen;
    int64_t bytes = 0;
    for (auto& [id, entry] : m_entries)
        if (seen.insert(entry->getContents().get()).second) bytes += int64_t(entry->getContents()->size());
    return bytes;
}

void CFileSender_Manager::remove_file(int entryId) {
    auto it = m_entries.find(entryId);
    if (it == m_entries.end()) return;
    delete it->second;
    m_entries.erase(it);
}

void CFileSender_Manager::tick() {
    std::vector<int> ids;
    for (auto& [id, entry] : m_entries) ids.push_back(id);
    for (int id : ids) {
        auto it = m_entries.find(id);
        if (it == m_entries.end()) continue;
        if (!it->second->send() || it->second->isDone()) remove_file(id);
    }
}

void CFileSender_Manager::removeSocket(const CXSocket* socket) {
    std::erase_if(m_entries, [socket](auto& item) {
        if (item.second->getHandle() != socket) return false;
        delete item.second;
        return true;
    });
}

} // namespace KavirelDLL
