#pragma once
#include <cstddef>

#include "core/Geometry.h"
#include "core/XObject.h"

namespace KavirelDLL {

// An owned block of count elements of a fixed size, with a cursor and an optional backup copy.
class CDataBuffer : public CXObject {
public:
    // The data is not cleared.
    CDataBuffer(int count, int elementSize);
    CDataBuffer(const char* source, int count, int elementSize);
    CDataBuffer(const CDataBuffer& other);
    CDataBuffer& operator=(const CDataBuffer& other);
    ~CDataBuffer() override;

    CXObject* clone() override;
    virtual void flush();
    virtual void backup();
    virtual void restore(bool discard);

    void start() { m_cursor = 0; }
    CDataBuffer& operator++() { return *this += 1; }
    CDataBuffer& operator--() { return *this -= 1; }
    CDataBuffer& operator+=(int n);
    CDataBuffer& operator-=(int n);
    operator char*() { return getPtr(); }
    operator short int*() { return reinterpret_cast<short int*>(getPtr()); }
    char* getPtr() { return m_data ? m_data + m_cursor : nullptr; }
    char* getBuffer() { return m_data; }
    int getMemoryUsage() const { return m_count * m_elementSize; }
    void zero();

    int getCount() const { return m_count; }
    int getElementSize() const { return m_elementSize; }
    bool hasBackup() const { return m_backup != nullptr; }

protected:
    size_t byteSize() const { return static_cast<size_t>(m_count) * static_cast<size_t>(m_elementSize); }
    void copyFrom(const CDataBuffer& other);

    char* m_data;
    char* m_backup;
    ptrdiff_t m_cursor; // bytes from the start of the data
    int32_t m_count;
    int32_t m_elementSize;
};

// A buffer of width × height elements, row after row.
class CDataBuffer2Dim : public CDataBuffer {
public:
    CDataBuffer2Dim(const CXSize& size, int elementSize);
    CDataBuffer2Dim(const char* source, const CXSize& size, int elementSize);

    CXObject* clone() override;
    virtual int getWidth() { return m_width; }
    virtual int getHeight() { return m_height; }
    // Puts the cursor on element (x, y) and returns it.
    virtual char* at(int x, int y);
    virtual void nextLine();
    virtual void prevLine();

private:
    int32_t m_width;
    int32_t m_height;
};

} // namespace KavirelDLL
