#pragma once
#include "core/XString.h"

namespace KavirelDLL {

// The process-wide folders game files are found in. The window sets the local install when it is made (the
// current folder then) and the per-product install; the shell and the scripts may change them. The file
// layer resolves names against them. The window keeps its old names for them (CWindow::rootPath, ...).
class CGamePaths {
public:
    // Local install and per-product install, each ending with '\' when set.
    static CXString rootPath;
    static CXString gameProductPath;

    // The CD data root, ending with '\'. While none is set (or an empty one) it is the first drive letter
    // configured as a CD-ROM ("E:\"), or empty when none is.
    static void setCDPath(const CXString& path);
    static CXString getCDPath();

private:
    static CXString s_cdPath;
};

} // namespace KavirelDLL
