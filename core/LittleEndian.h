#pragma once
#include <cstdint>
#include <vector>

namespace KavirelDLL {

// Little-endian fields of the engine's files (RIFF, Ogg headers, animations), whatever the machine's order.
namespace LittleEndian {

inline uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t read32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void write16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void write32(uint8_t* p, uint32_t v) {
    write16(p, v);
    write16(p + 2, v >> 16);
}
inline void append16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void append32(std::vector<uint8_t>& out, uint32_t v) {
    append16(out, v);
    append16(out, v >> 16);
}

} // namespace LittleEndian

} // namespace KavirelDLL
