#pragma once
#include <cstdint>
#include <vector>

#include "core/XObject.h"

namespace KavirelDLL {

class CXSocket;
class CXArray;
class CMC_Variable;
class CMC_Behaviour;

enum : int {
    ERR_NET_DAMAGED = 5001,   // a message too short, too long or not of its type's layout
    ERR_NET_PORT_TAKEN = 5002, // another program listens on the port
    ERR_NET_CONNECT = 5003,   // the host did not resolve, refused or did not answer in time
    ERR_NET_CLOSED = 5004,    // the connection is closed, or was dropped
};

// One message of the engine's protocol: a block of a 32-bit type, a 32-bit total length (header included)
// and the type's payload, all little-endian.
class CNetMessage : public CXObject {
public:
    enum Type : int32_t {
        CMD = 1,
        VARIABLE = 2,
        BEHAVIOUR = 3,
        GOODBYE = 4,
        TEXT = 5,
        PING = 6,
        HELLO = 7,
        FILE_REQUEST = 8,
        FILE_RESPONSE = 9,
        FILE_DATA = 10,
    };
    static constexpr int HEADER = 8;
    // Longer frames are refused by senders and drop the connection they come on.
    static constexpr int MAX_LENGTH = 1 << 20;

    // A header-only message (a goodbye).
    CNetMessage(CXSocket* socket, int type);
    // The block at bytes: type and total length from its first two words. The caller holds at least the
    // total length's bytes (the frame reader checks it).
    CNetMessage(CXSocket* socket, const unsigned char* bytes);
    // A copy of another message's block, socket and type under a sender name.
    CNetMessage(const CXString& senderName, CNetMessage* raw);
    explicit CNetMessage(CXSocket* socket);
    CNetMessage(const CNetMessage& other) = default;
    CNetMessage& operator=(const CNetMessage& other) = default;
    ~CNetMessage() override;

    int getType() const { return m_type; }
    int getBufferLen() const { return m_length; }
    const unsigned char* getBuffer() const { return m_buffer.data(); }
    CXSocket* getHandle() const { return m_socket; }
    const CXString& getSenderName() const { return m_sender; }
    void setSender(const CXString& name) { m_sender = name; }
    void setHandle(CXSocket* socket) { m_socket = socket; }
    // Whether the typed reader found its type's layout; a raw message always is.
    bool isValid() const { return m_valid; }

protected:
    // Starts a block of the type and total length (payload zeroed).
    void allocate(int type, int length);
    // A block of one zero-ended text.
    void allocateText(int type, const CXString& text);
    // A payload the protocol cannot carry: a header only, marked invalid, which senders refuse.
    void refuse(int type);
    void putInt(int offset, int32_t value);
    // Writes text and its end zero at offset; returns the offset after it.
    int putString(int offset, const CXString& text);
    int32_t getInt(int offset) const;
    // Reads a zero-ended text at offset inside the block; false when no zero ends it there.
    bool getString(int& offset, CXString& out) const;
    static int stringSize(const CXString& text) { return text.GetLength() + 1; }

    int32_t m_type = 0;
    int32_t m_length = 0;
    std::vector<unsigned char> m_buffer;
    CXSocket* m_socket = nullptr;
    CXString m_sender;
    bool m_valid = true;
};

class CNetCmdMessage : public CNetMessage {
public:
    CNetCmdMessage(CXSocket* socket, const CXString& command, CXArray* params);
    CNetCmdMessage(const CXString& senderName, CNetMessage* raw);
    CNetCmdMessage(const CNetCmdMessage& other);
    CNetCmdMessage& operator=(const CNetCmdMessage& other);
    ~CNetCmdMessage() override;

    const CXString& getCommand() const { return m_command; }
    // The parameters (CXString*, owned by the message); an empty list when there are none.
    CXArray* getParams() const { return m_params; }

private:
    void copyParams(const CXArray* from);
    CXString m_command;
    CXArray* m_params;
};

class CNetVariableMessage : public CNetMessage {
public:
    CNetVariableMessage(CXSocket* socket, CMC_Variable* variable);
    CNetVariableMessage(const CXString& senderName, CNetMessage* raw);

    const CXString& getVariableName() const { return m_name; }
    int getValueOffset() const { return m_valueOffset; }
    // The type id the value's image begins with.
    int getVariableType() const;
    // A new temporary value read from the image (main thread: the pools); null when it does not read.
    CMC_Variable* getVariable() const;

private:
    CXString m_name;
    int32_t m_valueOffset = 0;
};

class CNetBehaviourMessage : public CNetMessage {
public:
    CNetBehaviourMessage(CXSocket* socket, const CXString& code);
    CNetBehaviourMessage(CXSocket* socket, CMC_Behaviour* behaviour);
    CNetBehaviourMessage(const CXString& senderName, CNetMessage* raw);
    const CXString& getCode() const { return m_code; }

private:
    CXString m_code;
};

class CNetTextMessage : public CNetMessage {
public:
    CNetTextMessage(CXSocket* socket, const CXString& text);
    CNetTextMessage(const CXString& senderName, CNetMessage* raw);
    const CXString& getText() const { return m_text; }

private:
    CXString m_text;
};

class CNetPingMessage : public CNetMessage {
public:
    static constexpr int LENGTH = 1024;
    CNetPingMessage(CXSocket* socket, int time);
    CNetPingMessage(const CXString& senderName, CNetMessage* raw);
    // The answer to a ping: its copy with the response flag set.
    static CNetPingMessage* response(const CNetPingMessage& ping);
    int getTime() const { return m_time; }
    bool isResponse() const { return m_response != 0; }

private:
    int32_t m_time = 0;
    int32_t m_response = 0;
};

class CNetHelloMessage : public CNetMessage {
public:
    CNetHelloMessage(CXSocket* socket, const CXString& name);
    CNetHelloMessage(const CXString& senderName, CNetMessage* raw);
    const CXString& getName() const { return m_name; }

private:
    CXString m_name;
};

class CNetFileRequestMessage : public CNetMessage {
public:
    CNetFileRequestMessage(CXSocket* socket, int requestId, const CXString& s1, const CXString& s2,
                           const CXString& s3);
    CNetFileRequestMessage(const CXString& senderName, CNetMessage* raw);
    int getRequestId() const { return m_requestId; }
    int getMarker() const { return m_marker; }
    const CXString& getString1() const { return m_s1; }
    const CXString& getString2() const { return m_s2; }
    // The path of the file asked for.
    const CXString& getString3() const { return m_s3; }

private:
    int32_t m_requestId = 0;
    int32_t m_marker = -1;
    CXString m_s1, m_s2, m_s3;
};

class CNetFileResponseMessage : public CNetMessage {
public:
    static constexpr int LENGTH = 24;
    CNetFileResponseMessage(CXSocket* socket, int requestId, int entryId, int length, int length2);
    CNetFileResponseMessage(const CXString& senderName, CNetMessage* raw);
    int getRequestId() const { return m_requestId; }
    int getEntryId() const { return m_entryId; }
    int getFileLength() const { return m_length1; }
    int getFileLength2() const { return m_length2; }

private:
    int32_t m_requestId = 0, m_entryId = 0, m_length1 = 0, m_length2 = 0;
};

class CNetFileDataMessage : public CNetMessage {
public:
    static constexpr int DATA_OFFSET = 28;
    CNetFileDataMessage(CXSocket* socket, int requestId, int entryId, int reserved, int offset, int count,
                        const void* bytes);
    CNetFileDataMessage(const CXString& senderName, CNetMessage* raw);
    CNetFileDataMessage(const CNetFileDataMessage& other) = default;
    int getRequestId() const { return m_requestId; }
    int getEntryId() const { return m_entryId; }
    int getReserved() const { return m_reserved; }
    int getOffset() const { return m_offset; }
    int getCount() const { return m_count; }
    // The count's bytes inside the block (null when the message did not read).
    const unsigned char* getData() const { return m_valid ? getBuffer() + DATA_OFFSET : nullptr; }

private:
    int32_t m_requestId = 0, m_entryId = 0, m_reserved = 0, m_offset = 0, m_count = 0;
};

} // namespace KavirelDLL
