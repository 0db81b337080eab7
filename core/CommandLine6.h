#pragma once
#include <vector>

#include "core/Geometry.h"
#include "core/XString.h"

namespace KavirelDLL {

// The program's command line: tokens, and every switch and value the engine knows. A switch is a token
// made of "-" or "/" and the switch's name, letter case included; its value is the token right after it.
class CCommandLine6 {
public:
    CCommandLine6();
    // Tokens are separated by white space; a token that starts with a double quote runs to the next one.
    explicit CCommandLine6(const char* commandLine);
    // The program's own arguments, already split by the shell (argv[0] is skipped); UTF-8 becomes engine
    // text.
    CCommandLine6(int argc, char** argv);
    ~CCommandLine6();
    CCommandLine6(const CCommandLine6&) = default;
    CCommandLine6& operator=(const CCommandLine6&) = default;

    bool isParameter(CXString name);
    // Empty when the switch is absent or is the last token.
    CXString getParameter(CXString name);

    CXSize getResolution() { return CXSize(m_width, m_height); }
    bool isMusicEnabled() { return m_musicEnabled; }
    bool isSoundEnabled() { return m_soundEnabled; }
    bool isWindowMode() { return m_windowMode; }
    void setAsWindow(bool on) { m_windowMode = on; }
    void runInWindow(bool on) { m_windowMode = on; }
    bool isRunWithParams() { return m_runWithParams; }
    // True when "nogfx" was given, whatever the name says.
    bool isGFXEnabled() { return m_noGfx; }
    bool isServer() { return m_server; }
    bool isClient() { return m_client; }
    bool isToCode() { return m_toCode; }
    bool isToDecode() { return m_toDecode; }
    bool isToRemove() { return m_toRemove; }
    bool isPageFlippingEnabled() { return m_pageFlipping; }
    bool isVMem() { return m_videoMemory; }
    bool isCheatMode() { return m_cheatMode; }
    bool is2Bin() { return m_toBinary; }
    bool isForceCNV() { return m_forceDefinitions; }
    bool isDebugMode() { return m_debug; }
    void setAsShowDbg(bool on) { m_debug = on; }
    bool isCreateBigFile() { return m_createBigFile; }
    bool isLogEnabled() { return m_log; }
    bool isForceNew() { return m_forceNew; }
    bool isOmitDir() { return m_omitDir; }
    bool isNoFrame() { return m_noFrame; }

    CXString getPath() { return m_path; }
    void setPath(CXString path) { m_path = path; }
    int getDelay() { return m_delay; }
    bool isSecondaryDisplayEnabled() { return m_delay > 0; }
    bool isGame() { return m_game.IsString(); }
    bool isToPack() { return m_packDir.IsString(); }
    CXString getPackDir() { return m_packDir; }
    CXString getPackFile() { return m_packFile; }
    CXString getPlayer() { return m_player; }
    CXString getServer() { return m_serverAddress; }
    CXString getProductName() { return m_product; }
    // The "fullname" value with every "_" read as a blank.
    CXString getFullName();
    CXString getVersion();
    CXString getDownloadedPIKFile();
    int getNoArgs() { return static_cast<int>(m_tokens.size()); }

    // Used when no "server" value is given.
    static const char* const DEFAULT_SERVER;

private:
    void parse();
    // Index of the first token that is the switch, or -1.
    int switchIndex(const CXString& name);
    CXString tokenAt(int index);

    std::vector<CXString> m_tokens;
    int m_width = 800;
    int m_height = 600;
    bool m_musicEnabled = true;
    bool m_soundEnabled = true;
    bool m_windowMode = false;
    bool m_runWithParams = false;
    bool m_noGfx = false;
    bool m_server = false;
    bool m_client = false;
    bool m_toCode = false;
    bool m_toDecode = false;
    bool m_toRemove = false;
    bool m_pageFlipping = false;
    bool m_videoMemory = false;
    bool m_cheatMode = false;
    bool m_toBinary = false;
    bool m_forceDefinitions = false;
    bool m_debug = false;
    bool m_createBigFile = false;
    bool m_log = false;
    bool m_forceNew = false;
    bool m_omitDir = false;
    CXString m_path;
    int m_delay = 0;
    bool m_noFrame = false;
    CXString m_packDir;
    CXString m_packFile;
    CXString m_player;
    CXString m_game;
    CXString m_serverAddress;
    CXString m_product;
};

} // namespace KavirelDLL
