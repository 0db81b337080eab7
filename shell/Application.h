#pragma once
#include "display/ShellServices.h"

namespace KavirelDLL {

class CCommandLine6;
class CMC_StructureParser;
class CWindow;

// The application shell: the per-application services (animation and sound managers, the per-user
// configuration, the general resource cache; CShellServices is what the engine below sees them by) and the
// script root, built from "application.bin" or "application.def" in the game's data folder. It runs the
// root's frame step and switches to another game folder when the running game asks for one.
class CApplication : public CShellServices {
public:
    // The window, the ini file's name, the big-file archive's name, the command line (may be null), the
    // program instance and the product name. With a product the configuration is a per-user copy of the
    // game's ini file.
    CApplication(CWindow* window, CXString iniName, CXString bigFileName, CCommandLine6* commandLine,
                 void* instance, CXString productName);
    ~CApplication() override;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // ---- virtual operations, in the engine's order (the rest are CShellServices')
    // Sets the data paths and builds and starts the script root; without one the error code is 3000. With
    // "2bin" the root writes its caches instead of starting: ERR_FILE_WRITE when they are not all written.
    void preinitializeApplication(bool unused) override;
    bool domodal() override;
    CXString getWAVPath(CXString name) override;
    CApplication* getApplication() override { return this; }

    // Why preinitializeApplication built no game before reading a definition: the game folder (-path, SUBDIR)
    // cannot be entered, or it has no data folder "Dane" (on the disk or in its big file).
    enum class EFolderError { none, gameFolder, dataFolder };
    EFolderError folderError() const { return m_folderError; }

    // Below the user's data folder, the folder of the products' per-user files.
    static constexpr const char* kVendorFolder = "OrvikMedia";

protected:
    // A shell without services or script root, for shells of tools and tests that supply their own.
    CApplication();

    // The CD data root and the sound-effects folder after the current folder became a game's root.
    void setDataPaths();
    // A new root from "application.def" in the current folder; null when it gives none.
    void buildFromDefinition();

    CXString m_iniName;
    CXString m_bigFileName;
    CMC_StructureParser* m_parser = nullptr;
    // The shell built the sound codecs' table and takes it down.
    bool m_ownsCodecs = false;

private:
    bool m_openedBigFile = false;
    EFolderError m_folderError = EFolderError::none;
};

} // namespace KavirelDLL
