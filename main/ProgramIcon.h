#pragma once
#include <cstdint>
#include <vector>

// The program's own window icon, for games that name none or whose icon file does not read: kProgramIconSide
// pixels a side, 8-bit RGBA, top row first.
constexpr int kProgramIconSide = 32;
std::vector<uint8_t> programIcon();
