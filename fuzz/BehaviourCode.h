#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The behaviour code a fuzzed input stands for: either the input itself (an input that starts with "{", as
// every behaviour's code does), or code made from the input's bytes by a generator over the small world's
// names, the methods of their types and the language's statements, weighted so that what a line calls
// deletes, re-creates and changes what the line, its behaviour or a loop around it still uses.
namespace KavirelFuzz {

struct GeneratedCode {
    // The behaviour FUZZ's code: the first scene runs it when it starts and on each tick of the timer T.
    std::string fuzz;
    // Only for generated inputs: the codes of the behaviours B0..B3 of the small world, and the behaviours
    // ("" for none) that X, T0 and A2 run on their event and the timer TM on its ticks.
    std::vector<std::string> behaviours;
    std::string onX, onT0, onA2, onTM;
    // The event X, T0 and A2 raise to their behaviour: "ONCHANGED" or "ONDONE".
    std::string eventX, eventT0, eventA2;
    bool generated() const { return !behaviours.empty(); }
};

// What the bytes stand for. Deterministic; a generated input's bytes past its end read as 0, which always
// picks the shortest choice, so any input gives a bounded code.
GeneratedCode behaviourCode(const uint8_t* data, size_t size);

// The code as a game's definition would hold it, one behaviour a line, for a reader.
std::string describe(const GeneratedCode& code);

} // namespace KavirelFuzz
