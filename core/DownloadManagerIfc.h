#pragma once
#include "core/XString.h"

namespace KavirelDLL {

// Fetches a web game's package for the web installer; the program's own one shows its progress.
class CDownloadManagerIfc {
public:
    virtual ~CDownloadManagerIfc() = default;
    // Fetches address into file; true when the whole file arrived.
    virtual bool download(CXString file, CXString address) = 0;
};

} // namespace KavirelDLL
