#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "core/XObject.h"
#include "core/XString.h"

namespace KavirelDLL {

class CXSocket;
class CNetMessage;
class CFileReceiver_Entry;

// Largest file that crosses; a bigger one is neither sent nor accepted.
constexpr int64_t MAX_TRANSFER_FILE = int64_t(64) << 20;
// Data bytes per message.
constexpr int TRANSFER_CHUNK = 10240;

class CFileReceiver_Listener {
public:
    virtual ~CFileReceiver_Listener() = default;
    // True when the listener took the file; false saves it.
    virtual bool onFileReceived(CFileReceiver_Entry* entry) = 0;
};

// A file asked for: sized by its response, then filled by its data in order.
class CFileReceiver_Entry : public CXObject {
public:
    CFileReceiver_Entry(CXSocket* socket, int requestId, const CXString& folder1, const CXString& folder2,
                        const CXString& fileName);

    int getHashcode() override { return m_requestId; }
    CXSocket* getHandle() const { return m_socket; }
    int getRequestId() const { return m_requestId; }
    int getEntryId() const { return m_entryId; }
    int getLength() const { return m_length; }
    int getBufferSize() const { return m_bufferSize; }
    int getReceived() const { return m_received; }
    const std::vector<unsigned char>& getBuffer() const { return m_buffer; }
    const CXString& getFileName() const { return m_fileName; }

    // True while more is expected. A message out of order or out of range marks the entry failed.
    bool received(CNetMessage* message);
    bool isFailed() const { return m_failed; }
    bool isComplete() const { return m_entryId != -1 && !m_failed && m_received == m_bufferSize; }
    // Writes folder 1 \ folder 2 \ file name below the current folder (folders made as needed) through a
    // temporary file renamed once whole. ERR_NONE or an error code.
    int save_file();

private:
    CXSocket* m_socket;
    int32_t m_requestId;
    int32_t m_entryId = -1;
    CXString m_folder1, m_folder2, m_fileName;
    int32_t m_length = 0;
    int32_t m_bufferSize = 0;
    std::vector<unsigned char> m_buffer;
    int32_t m_received = 0;
    bool m_failed = false;
};

class CFileReceiver_Manager {
public:
    explicit CFileReceiver_Manager(CFileReceiver_Listener* listener);
    ~CFileReceiver_Manager();
    CFileReceiver_Manager(const CFileReceiver_Manager&) = delete;
    CFileReceiver_Manager& operator=(const CFileReceiver_Manager&) = delete;

    // Asks for the file over the socket: its request id, or 0 when the request could not be sent.
    int add_file(CXSocket* socket, const CXString& folder1, const CXString& folder2, const CXString& fileName);
    void remove_file(int requestId);
    // A response or data message (typed); others are ignored.
    void received(CNetMessage* message);
    // The transfers over the socket end (its connection is gone).
    void removeSocket(const CXSocket* socket);
    int getCount() const { return static_cast<int>(m_entries.size()); }

private:
    CFileReceiver_Listener* m_listener;
    std::map<int, CFileReceiver_Entry*> m_entries;
};

// A file being sent: its response first, then one chunk per call.
class CFileSender_Entry : public CXObject {
public:
    CFileSender_Entry(CXSocket* socket, int requestId, int entryId, const CXString& s1, const CXString& s2,
                      const CXString& path, std::vector<unsigned char> contents);

    int getHashcode() override { return m_entryId; }
    CXSocket* getHandle() const { return m_socket; }
    int getEntryId() const { return m_entryId; }
    // The next message (the caller owns it), or null once everything went.
    CNetMessage* get_msg();
    bool send();

private:
    CXSocket* m_socket;
    int32_t m_requestId;
    int32_t m_entryId;
    CXString m_s1, m_s2, m_s3;
    bool m_responseSent = false;
    std::vector<unsigned char> m_contents;
    int32_t m_position = 0;
};

class CFileSender_Manager {
public:
    CFileSender_Manager() = default;
    ~CFileSender_Manager();
    CFileSender_Manager(const CFileSender_Manager&) = delete;
    CFileSender_Manager& operator=(const CFileSender_Manager&) = delete;

    // Reads the file at path inside the game folder (CWindow::rootPath) and queues it: its entry id, or 0
    // (nothing is answered) when the path leaves the folder, the file is missing or over the largest size.
    int add_file(CXSocket* socket, int requestId, const CXString& s1, const CXString& s2, const CXString& path);
    void remove_file(int entryId);
    // One message per entry; finished entries (and those whose send failed) go.
    void tick();
    void removeSocket(const CXSocket* socket);
    int getCount() const { return static_cast<int>(m_entries.size()); }

private:
    std::map<int, CFileSender_Entry*> m_entries;
};

} // namespace KavirelDLL
