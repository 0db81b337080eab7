#pragma once
#include <cstdint>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CFile;

// Typed binary reads and writes over an open CFile: little-endian, fixed width, no padding, no markers.
// A read that runs out of data, or meets a length larger than what remains, sets ERR_FILE_DAMAGED and
// leaves its target zero or empty; a value that cannot be stored sets ERR_FILE_WRITE and writes nothing.
class CXArchive : public CXObject {
public:
    // The file is not owned.
    CXArchive(CFile* file, bool storing);
    ~CXArchive() override;

    void Close();
    bool isStoring() const { return m_storing; }
    CFile* GetFileHandle() const { return m_file; }
    void Separator(unsigned char separator) { m_separator = separator; }

    CXArchive& operator<<(int32_t value);
    CXArchive& operator<<(uint32_t value);
    CXArchive& operator<<(int64_t value);
    // Stored as the 32-bit integer value × 10000, truncated toward zero and saturated at the int32 range.
    CXArchive& operator<<(double value);
    CXArchive& operator<<(bool value);
    CXArchive& operator<<(const CXRect& value);
    // A 4-byte length, then the bytes.
    CXArchive& operator<<(const CXString& value);
    CXArchive& operator<<(const char* value);
    // A 1-byte length, then the bytes; longer than 255 bytes is refused.
    CXArchive& writeShortString(const CXString& value);

    CXArchive& operator>>(int32_t* value);
    CXArchive& operator>>(uint32_t* value);
    CXArchive& operator>>(int64_t* value);
    CXArchive& operator>>(double* value);
    // Any non-zero byte is true.
    CXArchive& operator>>(bool* value);
    CXArchive& operator>>(CXRect* value);
    // A length below 1 gives an empty string.
    CXArchive& operator>>(CXString* value);
    // A new[] text owned by the caller; null after a failed read.
    CXArchive& operator>>(char** value);
    CXArchive& readShortString(CXString* value);

    // Text helpers over the same file: one character, one blank-delimited word (at most 1023
    // characters), and a text written as it is.
    CXArchive& operator>>(char* value);
    CXArchive& operator>>(unsigned char* value);
    CXArchive& FRead(CXString& value);
    CXArchive& FWrite(const CXString& value);

    // Appends the named file's whole content (opened as a binary file without a window); false when it
    // cannot be opened or fully copied.
    bool CopyFileA(CXString name);

    // True while no read or write has failed.
    bool good() const { return LastError() == ERR_NONE; }

private:
    bool readBytes(void* target, int64_t count);
    bool writeBytes(const void* source, int64_t count);
    // Bytes left between the file's position and its end.
    int64_t remaining();

    CFile* m_file;
    unsigned char m_separator = 0;
    bool m_storing;
};

} // namespace KavirelDLL
