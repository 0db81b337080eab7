#include "display/SharedBlock.h"

#include <cstring>
#include <new>

namespace KavirelDLL {

CSharedBlock CSharedBlock::adopt(char* data) {
    CSharedBlock block;
    if (!data) return block;
    block.m_data = data;
    block.m_owner = std::make_shared<Owner>(data);
    return block;
}

CSharedBlock CSharedBlock::allocate(size_t bytes) {
    if (bytes == 0) return CSharedBlock();
    char* data = new (std::nothrow) char[bytes]();
    return adopt(data);
}

CSharedBlock CSharedBlock::allocateCopy(const char* source, size_t bytes) {
    CSharedBlock block = allocate(bytes);
    if (block && source) std::memcpy(block.m_data, source, bytes);
    return block;
}

CSharedBlock CSharedBlock::borrow(char* data) {
    CSharedBlock block;
    block.m_data = data;
    return block;
}

void CSharedBlock::reset() {
    m_data = nullptr;
    m_owner.reset();
}

void CSharedBlock::release() {
    if (m_owner) m_owner->armed = false;
    reset();
}

} // namespace KavirelDLL
