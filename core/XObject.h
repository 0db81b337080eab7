#pragma once
#include <cstdint>

#include "core/XString.h"

namespace KavirelDLL {

class CMessage;

// Error codes the whole engine carries in CXObject::LastError.
enum : int {
    ERR_NONE = 0,
    ERR_FILE_NOT_FOUND = 2000,  // a file could not be found or opened
    ERR_FILE_DAMAGED = 2001,    // stored data is truncated or malformed
    ERR_FILE_WRITE = 2002,      // data could not be written (or a value cannot be stored)
    ERR_SOUND_DEVICE = -997,    // the primary sound buffer could not be made
    ERR_GRAPHICS_DEVICE = -998, // known to the error box; nothing sets it
    ERR_NO_SCRIPT_ROOT = 3000,  // application shell without a script root
    ERR_NOT_BUILT = -1000,      // asked of a part of the engine that is not built yet
};

// Root of the engine's classes: an error code, a to-delete mark for deferred deletion, and the
// identity operations the containers and the hash table rely on.
class CXObject {
public:
    CXObject() = default;
    CXObject(const CXObject&) = default;
    CXObject& operator=(const CXObject&) = default;

    virtual ~CXObject();
    virtual bool isToDelete();
    virtual void setToDelete();
    // The object's address cut to 32 bits.
    virtual int getHashcode();
    virtual bool equals(CXObject* other);
    // Sorted lists override this with a signed ordering: positive when this sorts after other.
    virtual int compare(CXObject* other);
    virtual CXObject* clone();
    virtual CXString toString();
    virtual void notifyMessageReceive(CMessage* message);
    virtual int processMessage(CMessage* message);

    void setErrorCode(int code) { m_errorCode = code; }
    int LastError() const { return m_errorCode; }

    static short swap_word(short value);
    static int swap_dword(int value);

    // Hands the text to the engine window's log hook.
    void log(const char* text, bool flag);
    // One-slot stopwatch: a name starts it, a null name stops it and reports the time spent.
    static void profile(const char* name, bool flag);

private:
    bool m_flag = false; // carried and copied; nothing reads it
    int32_t m_errorCode = 0;
    bool m_toDelete = false;
};

using _errtype = int32_t;

class CError {
public:
    CError() = default;
    CError(const CError&) = default;
    CError& operator=(const CError&) = default;

    int LastError() const { return m_lastError; }
    int operator<<(int code) {
        m_lastError = code;
        return code;
    }
    int operator<<(const char*) { return 0; }
    _errtype GetType() const { return m_type; }
    void Type(_errtype type) { m_type = type; }

private:
    int32_t m_lastError = 0;
    _errtype m_type = 1;
};

} // namespace KavirelDLL
