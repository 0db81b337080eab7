#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CNetMessage;
class CXArray;

// Turns received messages into their typed forms and hands them to a peer's listeners.
class CNetMessageProcessor {
public:
    // The typed form of a raw message under the sender name (the caller owns it); null for a type that has
    // none (a goodbye, an unknown type). A typed form that did not read reports !isValid().
    static CNetMessage* decode(CNetMessage* raw, const CXString& senderName);
    // Decodes the message (sender name as the raw one's), answers a ping request over its socket, and calls
    // onMessage of every listener (CNetListener*) in order, with the raw message when it has no typed form.
    // A message of a known type that does not read drops its connection and reaches no listener:
    // ERR_NET_DAMAGED. The raw message stays the caller's.
    static int process(CNetMessage* raw, CXArray* listeners);
};

} // namespace KavirelDLL
