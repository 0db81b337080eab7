#include "net/NetMessage.h"

#include <cstring>

#include "core/Containers.h"
#include "script/Behaviour.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

int32_t readInt(const unsigned char* at) {
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24);
}

} // namespace

CNetMessage::CNetMessage(CXSocket* socket, int type) : m_socket(socket) { allocate(type, HEADER); }

CNetMessage::CNetMessage(CXSocket* socket, const unsigned char* bytes) : m_socket(socket) {
    m_type = readInt(bytes);
    m_length = readInt(bytes + 4);
    if (m_length < HEADER) m_length = HEADER; // the frame reader never hands such a block; keep to the header
    m_buffer.assign(bytes, bytes + m_length);
}

CNetMessage::CNetMessage(const CXString& senderName, CNetMessage* raw)
    : m_type(raw->m_type), m_length(raw->m_length), m_buffer(raw->m_buffer), m_socket(raw->m_socket),
      m_sender(senderName) {}

CNetMessage::CNetMessage(CXSocket* socket) : m_socket(socket) {}

CNetMessage::~CNetMessage() = default;

void CNetMessage::allocate(int type, int length) {
    m_type = type;
    m_length = length;
    m_buffer.assign(static_cast<size_t>(length), 0);
    putInt(0, type);
    putInt(4, length);
}

void CNetMessage::putInt(int offset, int32_t value) {
    NetBytes::putU32(m_buffer.data() + offset, static_cast<uint32_t>(value));
}

int CNetMessage::putString(int offset, const CXString& text) {
    if (text.GetLength() > 0) std::memcpy(m_buffer.data() + offset, text.GetBuffer(), text.GetLength());
    m_buffer[offset + text.GetLength()] = 0;
    return offset + text.GetLength() + 1;
}

int32_t CNetMessage::getInt(int offset) const {
    return offset >= 0 && offset + 4 <= m_length ? readInt(m_buffer.data() + offset) : 0;
}

bool CNetMessage::getString(int& offset, CXString& out) const {
    if (offset < 0 || offset >= m_length) return false;
    const void* end = std::memchr(m_buffer.data() + offset, 0, static_cast<size_t>(m_length - offset));
    if (!end) return false;
    out = CXString(reinterpret_cast<const char*>(m_buffer.data() + offset));
    offset = static_cast<int>(static_cast<const unsigned char*>(end) - m_buffer.data()) + 1;
    return true;
}

// ---- commands

CNetCmdMessage::CNetCmdMessage(CXSocket* socket, const CXString& command, CXArray* params)
    : CNetMessage(socket), m_command(command), m_params(new CXArray()) {
    copyParams(params);
    int64_t length = HEADER + stringSize(command);
    for (int i = 0; i < m_params->getSize(); i++) length += stringSize(*static_cast<CXString*>(m_params->at(i)));
    if (length > MAX_LENGTH) {
        refuse(CMD);
        return;
    }
    allocate(CMD, static_cast<int>(length));
    int at = putString(HEADER, command);
    for (int i = 0; i < m_params->getSize(); i++) at = putString(at, *static_cast<CXString*>(m_params->at(i)));
}

CNetCmdMessage::CNetCmdMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw), m_params(new CXArray()) {
    int at = HEADER;
    m_valid = getString(at, m_command);
    while (m_valid && at < m_length) {
        CXString param;
        m_valid = getString(at, param);
        if (m_valid) m_params->add(new CXString(param));
    }
}

CNetCmdMessage::CNetCmdMessage(const CNetCmdMessage& other)
    : CNetMessage(other), m_command(other.m_command), m_params(new CXArray()) {
    copyParams(other.m_params);
}

CNetCmdMessage& CNetCmdMessage::operator=(const CNetCmdMessage& other) {
    if (this == &other) return *this;
    CNetMessage::operator=(other);
    m_command = other.m_command;
    for (int i = 0; i < m_params->getSize(); i++) delete static_cast<CXString*>(m_params->at(i));
    m_params->removeAll();
    copyParams(other.m_params);
    return *this;
}

CNetCmdMessage::~CNetCmdMessage() {
    for (int i = 0; i < m_params->getSize(); i++) delete static_cast<CXString*>(m_params->at(i));
    delete m_params;
}

void CNetCmdMessage::copyParams(const CXArray* from) {
    if (!from) return;
    for (int i = 0; i < from->getSize(); i++) {
        auto* s = static_cast<CXString*>(from->at(i));
        m_params->add(new CXString(s ? *s : CXString()));
    }
}

// ---- variables

CNetVariableMessage::CNetVariableMessage(CXSocket* socket, CMC_Variable* variable) : CNetMessage(socket) {
    m_name = variable->getName();
    const int image = variable->getBufferLen();
    const int64_t length = int64_t(HEADER) + stringSize(m_name) + image;
    if (image < 0 || length > MAX_LENGTH) {
        refuse(VARIABLE);
        return;
    }
    allocate(VARIABLE, static_cast<int>(length));
    m_valueOffset = putString(HEADER, m_name);
    variable->netstore(m_buffer.data() + m_valueOffset);
}

CNetVariableMessage::CNetVariableMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw) {
    int at = HEADER;
    // The image begins with its type id.
    m_valid = getString(at, m_name) && at + 4 <= m_length;
    m_valueOffset = m_valid ? at : 0;
}

int CNetVariableMessage::getVariableType() const { return m_valid ? getInt(m_valueOffset) : 0; }

CMC_Variable* CNetVariableMessage::getVariable() const {
    if (!m_valid) return nullptr;
    return CMC_VariableFactory::netrestore(m_buffer.data() + m_valueOffset, m_length - m_valueOffset);
}

// ---- texts of one string

void CNetMessage::allocateText(int type, const CXString& text) {
    const int64_t length = int64_t(HEADER) + stringSize(text);
    if (length > MAX_LENGTH) {
        refuse(type);
        return;
    }
    allocate(type, static_cast<int>(length));
    putString(HEADER, text);
}

void CNetMessage::refuse(int type) {
    allocate(type, HEADER);
    m_valid = false;
}

CNetBehaviourMessage::CNetBehaviourMessage(CXSocket* socket, const CXString& code)
    : CNetMessage(socket), m_code(code) {
    allocateText(BEHAVIOUR, code);
}

CNetBehaviourMessage::CNetBehaviourMessage(CXSocket* socket, CMC_Behaviour* behaviour)
    : CNetBehaviourMessage(socket, behaviour->getCode()) {}

CNetBehaviourMessage::CNetBehaviourMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw) {
    int at = HEADER;
    m_valid = getString(at, m_code);
}

CNetTextMessage::CNetTextMessage(CXSocket* socket, const CXString& text) : CNetMessage(socket), m_text(text) {
    allocateText(TEXT, text);
}

CNetTextMessage::CNetTextMessage(const CXString& senderName, CNetMessage* raw) : CNetMessage(senderName, raw) {
    int at = HEADER;
    m_valid = getString(at, m_text);
}

CNetHelloMessage::CNetHelloMessage(CXSocket* socket, const CXString& name) : CNetMessage(socket), m_name(name) {
    allocateText(HELLO, name);
}

CNetHelloMessage::CNetHelloMessage(const CXString& senderName, CNetMessage* raw) : CNetMessage(senderName, raw) {
    int at = HEADER;
    m_valid = getString(at, m_name);
}

// ---- pings

CNetPingMessage::CNetPingMessage(CXSocket* socket, int time) : CNetMessage(socket), m_time(time) {
    allocate(PING, LENGTH);
    putInt(8, time);
    putInt(12, 0);
}

CNetPingMessage::CNetPingMessage(const CXString& senderName, CNetMessage* raw) : CNetMessage(senderName, raw) {
    m_valid = m_length >= 16;
    m_time = getInt(8);
    m_response = getInt(12);
}

CNetPingMessage* CNetPingMessage::response(const CNetPingMessage& ping) {
    auto* answer = new CNetPingMessage(ping);
    answer->m_response = 1;
    answer->putInt(12, 1);
    return answer;
}

// ---- file transfer

CNetFileRequestMessage::CNetFileRequestMessage(CXSocket* socket, int requestId, const CXString& s1,
                                               const CXString& s2, const CXString& s3)
    : CNetMessage(socket), m_requestId(requestId), m_s1(s1), m_s2(s2), m_s3(s3) {
    const int64_t length = int64_t(HEADER) + 8 + stringSize(s1) + stringSize(s2) + stringSize(s3);
    if (length > MAX_LENGTH) {
        refuse(FILE_REQUEST);
        return;
    }
    allocate(FILE_REQUEST, static_cast<int>(length));
    putInt(8, requestId);
    putInt(12, -1);
    putString(putString(putString(16, s1), s2), s3);
}

CNetFileRequestMessage::CNetFileRequestMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw) {
    int at = 16;
    m_valid = m_length >= 16 && getString(at, m_s1) && getString(at, m_s2) && getString(at, m_s3);
    m_requestId = getInt(8);
    m_marker = getInt(12);
}

CNetFileResponseMessage::CNetFileResponseMessage(CXSocket* socket, int requestId, int entryId, int length,
                                                 int length2)
    : CNetMessage(socket), m_requestId(requestId), m_entryId(entryId), m_length1(length), m_length2(length2) {
    allocate(FILE_RESPONSE, LENGTH);
    putInt(8, requestId);
    putInt(12, entryId);
    putInt(16, length);
    putInt(20, length2);
}

CNetFileResponseMessage::CNetFileResponseMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw) {
    m_valid = m_length >= LENGTH;
    m_requestId = getInt(8);
    m_entryId = getInt(12);
    m_length1 = getInt(16);
    m_length2 = getInt(20);
}

CNetFileDataMessage::CNetFileDataMessage(CXSocket* socket, int requestId, int entryId, int reserved, int offset,
                                         int count, const void* bytes)
    : CNetMessage(socket), m_requestId(requestId), m_entryId(entryId), m_reserved(reserved), m_offset(offset),
      m_count(count) {
    if (count < 0 || count > MAX_LENGTH - DATA_OFFSET || (count > 0 && !bytes)) {
        refuse(FILE_DATA);
        return;
    }
    allocate(FILE_DATA, DATA_OFFSET + count);
    putInt(8, requestId);
    putInt(12, entryId);
    putInt(16, reserved);
    putInt(20, offset);
    putInt(24, count);
    if (count > 0) std::memcpy(m_buffer.data() + DATA_OFFSET, bytes, static_cast<size_t>(count));
}

CNetFileDataMessage::CNetFileDataMessage(const CXString& senderName, CNetMessage* raw)
    : CNetMessage(senderName, raw) {
    m_requestId = getInt(8);
    m_entryId = getInt(12);
    m_reserved = getInt(16);
    m_offset = getInt(20);
    m_count = getInt(24);
    m_valid = m_length >= DATA_OFFSET && m_count >= 0 && m_count <= m_length - DATA_OFFSET;
}

} // namespace KavirelDLL
