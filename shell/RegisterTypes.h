#pragma once

namespace KavirelDLL {

// Fills the script type registry with every folder's types (script, objects, net) and installs what the
// script runtime asks of the folders above it: the scenes' media operations, the network's, and the shell's
// own (settings, command line, pausing the animations and sounds). Called before any world is built: by the
// shell, and by the tests, tools and benchmarks that build worlds without one; later calls do nothing.
void kavirelRegisterTypes();

} // namespace KavirelDLL
