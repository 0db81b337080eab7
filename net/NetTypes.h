#pragma once

namespace KavirelDLL {

// The network objects' script types (NETSERVER, NETCLIENT, INTERNET) in the type registry, and their share of
// the frame and of the values (CMC_NetServices).
void registerNetTypes();

} // namespace KavirelDLL
