// The built-in machine that serves when no machine file is named.
#pragma once

#include <cstdint>

namespace sim {

class Machine;
class Module;

// Fills `machine` with the default boards: module 2, an eight-channel GANTRY board, and module 3,
// a four-channel CORBEL board.
void BuildDefaultMachine(Machine& machine);

// Gives `module` the identity of a healthy board of `channels` channels whose channel ordinals
// start at `ordinal_start`, and the facilities every board offers.
void MakeBoard(Module& module, const char* name, uint32_t channels, uint32_t ordinal_start);

}  // namespace sim
