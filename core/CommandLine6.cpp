#include "core/CommandLine6.h"

#include <string>

#include "platform/Codepage.h"

namespace KavirelDLL {

// The maker's server is not ours to name; a local endpoint keeps the default harmless.
const char* const CCommandLine6::DEFAULT_SERVER = "http://localhost";

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
} // namespace

CCommandLine6::CCommandLine6() : m_width(0), m_height(0) {}

CCommandLine6::CCommandLine6(const char* commandLine) : m_serverAddress(DEFAULT_SERVER) {
    const char* p = commandLine ? commandLine : "";
    for (;;) {
        while (*p && isSpace(*p)) ++p;
        if (!*p) break;
        const char* start;
        const char* end;
        if (*p == '"') {
            start = ++p;
            while (*p && *p != '"') ++p;
            end = p;
            if (*p) ++p;
        } else {
            start = p;
            while (*p && !isSpace(*p)) ++p;
            end = p;
        }
        m_tokens.emplace_back(std::string(start, end).c_str());
    }
    parse();
}

CCommandLine6::CCommandLine6(int argc, char** argv) : m_serverAddress(DEFAULT_SERVER) {
    for (int i = 1; i < argc && argv; ++i)
        if (argv[i]) m_tokens.emplace_back(utf8ToCp1250(argv[i]).c_str());
    parse();
}

CCommandLine6::~CCommandLine6() = default;

int CCommandLine6::switchIndex(const CXString& name) {
    CXString dash = "-" + name;
    CXString slash = "/" + name;
    for (size_t i = 0; i < m_tokens.size(); ++i)
        if (m_tokens[i] == dash || m_tokens[i] == slash) return static_cast<int>(i);
    return -1;
}

CXString CCommandLine6::tokenAt(int index) {
    if (index < 0 || index >= static_cast<int>(m_tokens.size())) return CXString();
    return m_tokens[static_cast<size_t>(index)];
}

bool CCommandLine6::isParameter(CXString name) { return switchIndex(name) >= 0; }

CXString CCommandLine6::getParameter(CXString name) {
    int index = switchIndex(name);
    return index < 0 ? CXString() : tokenAt(index + 1);
}

void CCommandLine6::parse() {
    if (isParameter("nomusic")) m_musicEnabled = false;
    if (isParameter("nosound")) m_soundEnabled = false;
    m_windowMode = isParameter("window");
    m_noGfx = isParameter("nogfx");
    m_server = isParameter("server");
    m_client = isParameter("client");
    m_pageFlipping = isParameter("pf");
    m_toCode = isParameter("code");
    m_toDecode = isParameter("decode");
    m_toRemove = isParameter("remove");
    m_videoMemory = isParameter("vmem");
    m_cheatMode = isParameter("morvatilen") || isParameter("cheat");
    m_toBinary = isParameter("2bin");
    m_forceDefinitions = isParameter("forceCNV");
    m_debug = isParameter("debug");
    m_createBigFile = isParameter("bigfile");
    m_log = isParameter("log");
    m_runWithParams = isParameter("params");
    m_noFrame = isParameter("noframe");
    m_forceNew = isParameter("forcenew");
    m_omitDir = isParameter("omitdir");

    // The height is the token right after the width, wherever the width's text appears elsewhere.
    int res = switchIndex("res");
    if (res >= 0) {
        CXString width = tokenAt(res + 1);
        if (width.IsString()) m_width = width.toNumber();
        CXString height = tokenAt(res + 2);
        if (width.IsString() && height.IsString()) m_height = height.toNumber();
    }
    if (isParameter("path")) m_path = getParameter("path");
    if (isParameter("game")) {
        m_path = getParameter("game");
        m_game = m_path;
    }
    if (isParameter("delay")) m_delay = getParameter("delay").toNumber();
    if (isParameter("pack")) {
        m_packDir = m_path;
        m_packFile = m_path + ".pik";
        if (isParameter("file")) m_packFile = getParameter("file");
    }
    if (isParameter("player")) m_player = getParameter("player");
    if (isParameter("server")) m_serverAddress = getParameter("server");
    if (isParameter("product")) m_product = getParameter("product");
}

CXString CCommandLine6::getFullName() { return getParameter("fullname").Replace('_', ' '); }

CXString CCommandLine6::getVersion() { return getParameter("version"); }

CXString CCommandLine6::getDownloadedPIKFile() { return getParameter("pikfile"); }

} // namespace KavirelDLL
