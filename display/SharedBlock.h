#pragma once
#include <cstddef>
#include <memory>

namespace KavirelDLL {

// A byte block that graphics objects share (copies and clones show the same pixels). The block is
// freed with its last holder, so freeing or converting one object never leaves another with a
// dangling pointer. Blocks the engine did not allocate (a display surface's memory) are borrowed.
class CSharedBlock {
public:
    CSharedBlock() = default;

    // Takes a block allocated with new[]; it is freed with delete[] by its last holder.
    static CSharedBlock adopt(char* data);
    // A new block of bytes, zero-filled; null when bytes is not positive or memory runs out.
    static CSharedBlock allocate(size_t bytes);
    static CSharedBlock allocateCopy(const char* source, size_t bytes);
    // Never freed here.
    static CSharedBlock borrow(char* data);

    char* get() const { return m_data; }
    explicit operator bool() const { return m_data != nullptr; }
    // Another holder exists: writes that must stay private need a copy first.
    bool isShared() const { return m_owner && m_owner.use_count() > 1; }
    bool isOwned() const { return m_owner != nullptr; }
    void reset();
    // Hands the block to whoever kept its pointer: no holder frees it any more.
    void release();

private:
    struct Owner {
        char* data;
        bool armed = true;
        explicit Owner(char* d) : data(d) {}
        Owner(const Owner&) = delete;
        Owner& operator=(const Owner&) = delete;
        ~Owner() {
            if (armed) delete[] data;
        }
    };

    char* m_data = nullptr;
    std::shared_ptr<Owner> m_owner;
};

} // namespace KavirelDLL
