#include "main/Download.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "core/CommandLine6.h"
#include "core/File.h"
#include "core/KavirelWEB.h"
#include "core/Log.h"
#include "core/SelfExtract.h"
#include "core/XVersion.h"
#include "main/MenuFont.h"
#include "platform/Codepage.h"
#include "platform/Display.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"
#include "platform/PlatformTime.h"
#include "platform/Process.h"
#include "platform/Video.h"

using namespace KavirelDLL;

namespace {

// Dialog 218's texts (code page 1250).
const char* const kCaption = "Aktualizacja produktu...";
const char* const kConnecting = "\xA3\xB9" "cz\xEA si\xEA z serwerem OrvikMedia....";
const char* const kCannotConnect = "Nie moge po\xB3\xB9" "czy\xE6 z serwerem OrvikMedia.";
const char* const kCancel = "Anuluj";
const char* const kFinish = "Zako\xF1" "cz";
const char* const kInstall = "Instaluj >>";
const char* const kLoading = "Wczytuj\xEA plik ";
const char* const kFailed = "Wyst\xB9pi\xB3 b\xB3\xB9" "d: ";
const char* const kDefaultFolder = "http://localhost/kavirelweb/";
// "pakiet <file> jest uszkodzony."
const char* const kDamagedBefore = "pakiet ";
const char* const kDamagedAfter = " jest uszkodzony.";

CDownloadProduct* g_current = nullptr;

std::string utf8(const CXString& text) { return cp1250ToUtf8(text.GetBuffer()); }

// Whether the file reads as a package: its table of contents whole within it.
bool isPackage(const CXString& file) {
    CSelfExtract package(file);
    return package.ReadTOC();
}

// Without a desktop: the texts go to standard error, and the button is pressed once the end is shown, as
// nobody can press it (a termination signal ends the wait sooner).
class CStandardErrorFront : public CDownloadDialogFront {
public:
    void open() override { logMessage("%s", utf8(kCaption).c_str()); }
    void setText(const CXString& text) override { say(m_text, text); }
    void setButton(const CXString& text) override { say(m_button, CXString("[") + text + "]"); }
    void setProgress(int) override {}
    bool waitForPress(uint32_t ms, bool ended) override {
        if (ended || CPlatformProcess::terminationRequested()) return true;
        CPlatformClock::sleepMilliseconds(ms);
        return false;
    }
    void close() override {}

private:
    static void say(CXString& last, const CXString& text) {
        if (last.equals(text)) return;
        last = text;
        logMessage("%s", utf8(text).c_str());
    }
    CXString m_text, m_button;
};

// Dialog 218 in a window of its own: 306 x 82 dialog units at the menu lettering's 6 x 13 cell.
class CWindowFront : public CDownloadDialogFront {
public:
    static constexpr int kWidth = 306 * kMenuGlyphWidth / 4;
    static constexpr int kHeight = 82 * kMenuGlyphHeight / 8;

    void open() override {
        // A display named that cannot be reached gives no window: one SDL falls back on would never be seen,
        // and nobody could press its button.
        m_video = std::make_unique<CVideo>(true);
        if (m_video->isReady()) m_display = createSdlDisplay(*m_video);
        CDisplayMode mode;
        mode.width = kWidth;
        mode.height = kHeight;
        mode.vsync = false;
        mode.title = kCaption;
        if (!m_display || !m_display->open(mode)) {
            logMessage("the download window could not be opened (%s): its texts follow here",
                       m_display ? m_display->lastError().c_str() : m_video->lastError().c_str());
            m_display.reset();
            m_fallback.open();
            return;
        }
        m_display->moveWindow({300, 200});
        m_input = std::make_unique<CInput>(m_video.get(), m_display.get());
        draw();
    }
    void setText(const CXString& text) override {
        if (!m_display) m_fallback.setText(text);
        m_text = text;
        draw();
    }
    void setButton(const CXString& text) override {
        if (!m_display) m_fallback.setButton(text);
        m_button = text;
        draw();
    }
    void setProgress(int position) override {
        m_progress = std::clamp(position, 0, 100);
        draw();
    }
    bool waitForPress(uint32_t ms, bool ended) override {
        if (!m_display) return m_fallback.waitForPress(ms, ended);
        const uint64_t until = CPlatformClock::milliseconds() + ms;
        do {
            m_input->pump();
            std::vector<CInputEvent> events;
            m_input->take(events);
            for (const CInputEvent& e : events)
                if (presses(e)) return true;
            if (CPlatformProcess::terminationRequested()) return true;
            m_display->present();
            CPlatformClock::sleepMilliseconds(10);
        } while (CPlatformClock::milliseconds() < until);
        return false;
    }
    void close() override {
        m_input.reset();
        m_display.reset();
        m_video.reset();
    }
    CDisplay* display() const { return m_display.get(); }

private:
    struct CBox {
        int x, y, w, h;
    };
    // Dialog units to pixels.
    static CBox box(int x, int y, int w, int h) {
        return {x * kMenuGlyphWidth / 4, y * kMenuGlyphHeight / 8, w * kMenuGlyphWidth / 4,
                h * kMenuGlyphHeight / 8};
    }
    static CBox button() { return box(127, 55, 50, 14); }
    // Lines above the text's row fit between it and the window's top.
    static constexpr size_t kMaxLines = 3;
    // The first most lines of the text, each of at most width letters, broken at blanks (a longer word is
    // cut).
    static std::vector<CXString> wrap(const CXString& text, int width, size_t most) {
        std::vector<CXString> lines;
        const std::string all(text.GetBuffer(), size_t(text.GetLength()));
        size_t at = 0;
        while (at < all.size() && width > 0) {
            size_t end = std::min(all.size(), at + size_t(width));
            if (end < all.size()) {
                const size_t blank = all.rfind(' ', end);
                if (blank != std::string::npos && blank > at) end = blank;
            }
            lines.push_back(CXString(all.substr(at, end - at).c_str()));
            at = end;
            while (at < all.size() && all[at] == ' ') ++at;
        }
        if (lines.size() > most) lines.resize(most);
        return lines;
    }

    bool presses(const CInputEvent& e) const {
        switch (e.type) {
        case EInputEventType::KeyDown:
            return e.key == kKeyEnter || e.key == kKeyPadEnter || e.key == kKeySpace || e.key == kKeyEscape;
        case EInputEventType::MouseUp: {
            CBox b = button();
            return e.button == 0 && e.x >= b.x && e.x < b.x + b.w && e.y >= b.y && e.y < b.y + b.h;
        }
        case EInputEventType::Window:
            return e.window == EWindowEvent::CloseRequested;
        default:
            return false;
        }
    }

    uint16_t colour(uint8_t r, uint8_t g, uint8_t b) const { return rgb8ToPixel({r, g, b}, m_display->layout()); }
    void fill(CBox b, uint16_t c) {
        uint16_t* pixels = m_display->pixels();
        const int pitch = m_display->pitch();
        for (int y = std::max(b.y, 0); y < std::min(b.y + b.h, kHeight); ++y)
            for (int x = std::max(b.x, 0); x < std::min(b.x + b.w, kWidth); ++x) pixels[y * pitch + x] = c;
    }
    void frame(CBox b, uint16_t c) {
        fill({b.x, b.y, b.w, 1}, c);
        fill({b.x, b.y + b.h - 1, b.w, 1}, c);
        fill({b.x, b.y, 1, b.h}, c);
        fill({b.x + b.w - 1, b.y, 1, b.h}, c);
    }
    void print(int x, int y, int width, const CXString& text, uint16_t c) {
        uint16_t* pixels = m_display->pixels();
        const int pitch = m_display->pitch();
        for (int i = 0; i < text.GetLength() && (i + 1) * kMenuGlyphWidth <= width; ++i) {
            const uint8_t* rows = menuGlyph(static_cast<unsigned char>(text.GetAt(i)));
            for (int row = 0; row < kMenuGlyphHeight; ++row)
                for (int bit = 0; bit < kMenuGlyphWidth; ++bit)
                    if (rows[row] & (0x80 >> bit)) {
                        int px = x + i * kMenuGlyphWidth + bit, py = y + row;
                        if (px >= 0 && px < kWidth && py >= 0 && py < kHeight) pixels[py * pitch + px] = c;
                    }
        }
    }
    void draw() {
        if (!m_display) return;
        const uint16_t face = colour(192, 192, 192), ink = colour(0, 0, 0), bar = colour(0, 0, 128);
        fill({0, 0, kWidth, kHeight}, face);
        // A text too long for its row (a failure with its reason) wraps at blanks and grows upwards, so the
        // last line stays on the row and the progress bar below stays clear.
        CBox text = box(18, 19, 225, 8);
        const std::vector<CXString> lines = wrap(m_text, text.w / kMenuGlyphWidth, kMaxLines);
        for (size_t i = 0; i < lines.size(); ++i)
            print(text.x, text.y - int(lines.size() - 1 - i) * kMenuGlyphHeight, text.w, lines[i], ink);
        CBox progress = box(21, 32, 265, 14);
        frame(progress, colour(128, 128, 128));
        fill({progress.x + 2, progress.y + 2, (progress.w - 4) * m_progress / 100, progress.h - 4}, bar);
        CBox b = button();
        fill(b, colour(224, 224, 224));
        frame(b, ink);
        int labelWidth = m_button.GetLength() * kMenuGlyphWidth;
        print(b.x + (b.w - labelWidth) / 2, b.y + (b.h - kMenuGlyphHeight) / 2, b.w, m_button, ink);
        m_display->updateAll();
        m_display->present();
    }

    std::unique_ptr<CVideo> m_video;
    std::unique_ptr<CDisplay> m_display;
    std::unique_ptr<CInput> m_input;
    CStandardErrorFront m_fallback; // only while there is no window
    CXString m_text = "xxx", m_button = kCancel;
    int m_progress = 0;
};

CUninstallQuestion g_question;

bool askOnTheDesktop(const CXString& title, const CXString& text) {
    if (!CVideo::desktopAvailable()) {
        logMessage("%s", utf8(text).c_str());
        logMessage("nothing was removed: there is no desktop to answer this question on");
        return false;
    }
    // Only a person's Yes removes the game: a box that could not be shown answers No.
    if (askBeforeRemoving(title.GetBuffer(), text.GetBuffer()) == EMessageAnswer::Yes) return true;
    logMessage("nothing was removed");
    return false;
}

CXString gameKey(CCommandLine6& commandLine) {
    return CXString(CKavirelWEB::kKey) + "\\" + commandLine.getPath();
}

CXString decimal(int64_t value) {
    CXString text;
    text.Format("%d", static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX)));
    return text;
}

} // namespace

std::unique_ptr<CDownloadDialogFront> makeDownloadDialogFront() {
    if (CVideo::desktopAvailable()) return makeDownloadWindow();
    return std::make_unique<CStandardErrorFront>();
}

std::unique_ptr<CDownloadDialogFront> makeDownloadWindow() { return std::make_unique<CWindowFront>(); }

CDisplay* downloadWindowDisplay(CDownloadDialogFront* front) {
    auto* window = dynamic_cast<CWindowFront*>(front);
    return window ? window->display() : nullptr;
}

// ---- CDownloadProduct ----

CDownloadProduct::CDownloadProduct(std::unique_ptr<CDownloadDialogFront> front)
    : m_front(front ? std::move(front) : makeDownloadDialogFront()) {
    g_current = this;
}

CDownloadProduct::~CDownloadProduct() {
    // The worker reports to this object (and reads the downloader): it is stopped and joined while everything
    // here still stands.
    if (m_downloader) {
        m_downloader->stopDownload();
        m_downloader->waitForEnd();
    }
    m_downloader.reset();
    if (m_open) m_front->close();
    if (g_current == this) g_current = nullptr;
}

CDownloadProduct* CDownloadProduct::current() { return g_current; }

CXString CDownloadProduct::addressOf(const CXString& server, const CXString& file) {
    if (!server.IsString()) return CXString(kDefaultFolder) + file;
    return server + "//kavirelweb//" + file;
}

bool CDownloadProduct::download(CXString file, CXString server) {
    m_file = file;
    m_server = server;
    CDownloadProduct* previous = g_current;
    g_current = this;
    downloadDialogProc(EDialogMessage::InitDialog, 0);
    while (!m_front->waitForPress(kTickMs, m_endShown))
        if (m_timer) downloadDialogProc(EDialogMessage::Timer, 0);
    // A signal asks the program to end: the dialog closes as cancelled, also once the package arrived, and the
    // request stays for the program.
    const bool signalled = CPlatformProcess::terminationRequested();
    downloadDialogProc(EDialogMessage::Command, kButton);
    g_current = previous;
    if (!m_downloader) return false;
    // The answer waits for the transfer's end: a stopped one has left no file.
    m_downloader->waitForEnd();
    if (signalled) {
        if (m_downloader->isSuccess()) CPlatformFiles::removeFile(m_file.GetBuffer());
        logMessage("the download of %s was ended by a signal: nothing is installed", m_file.GetBuffer());
        return false;
    }
    // An end reported after the dialog closed (a cancel) still goes to standard error.
    CXString text, button;
    if (!m_endShown && takeEnd(text, button) && text.IsString()) logMessage("%s", utf8(text).c_str());
    return m_downloader->isSuccess() && !m_damaged;
}

int CDownloadProduct::downloadDialogProc(EDialogMessage message, int control) {
    CDownloadProduct* product = g_current;
    if (!product) return 0;
    switch (message) {
    case EDialogMessage::InitDialog:
        product->m_open = true;
        product->m_endShown = false;
        product->m_front->open();
        product->m_front->setButton(kCancel);
        product->m_front->setText(kConnecting);
        product->m_timer = product->startProductDownload();
        if (!product->m_timer) product->m_endShown = true;
        return 1;
    case EDialogMessage::Timer:
        product->showDownloadProgress();
        return 1;
    case EDialogMessage::Command:
        if (control != kButton) return 0;
        [[fallthrough]];
    case EDialogMessage::Close:
        if (product->m_downloader) product->m_downloader->stopDownload();
        product->m_timer = false;
        if (product->m_open) product->m_front->close();
        product->m_open = false;
        return 1;
    }
    return 0;
}

bool CDownloadProduct::startProductDownload() {
    m_downloader = std::make_unique<CInternet>(m_server);
    if (!m_downloader->isConnected()) {
        m_front->setText(kCannotConnect);
        m_front->setButton(kFinish);
        return false;
    }
    m_damaged = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_ended = false;
        m_failureHeard = false;
        m_endText = "";
        m_endButton = "";
    }
    m_downloader->registerListener(this);
    m_downloader->GET(addressOf(m_server, m_file), m_file);
    return true;
}

void CDownloadProduct::showDownloadProgress() {
    if (!m_downloader) return;
    if (!m_endShown) {
        const int64_t bytes = m_downloader->getDataBytes(), total = m_downloader->getTotalSize();
        if (bytes > 0) {
            CXString text = CXString(kLoading) + m_file + "( " + std::to_string(bytes).c_str() + "/" +
                            std::to_string(total).c_str() + ") ";
            m_front->setText(text);
            m_front->setProgress(total > 0 ? static_cast<int>(static_cast<double>(bytes) * 100.0 /
                                                              static_cast<double>(total))
                                           : 0);
        }
    }
    // What the worker reported, shown here on the dialog's own thread; once the end is shown the progress stops.
    CXString text, button;
    if (!takeEnd(text, button)) return;
    if (m_downloader->isSuccess() && !isPackage(m_file)) {
        // Installing is not offered for what cannot be installed (an error page, a file cut short).
        logMessage("the package %s is damaged and was removed", m_file.GetBuffer());
        CPlatformFiles::removeFile(m_file.GetBuffer());
        m_damaged = true;
        text = CXString(kFailed) + kDamagedBefore + m_file + kDamagedAfter;
        button = kFinish;
    }
    if (text.IsString()) m_front->setText(text);
    if (button.IsString()) m_front->setButton(button);
    m_endShown = true;
}

bool CDownloadProduct::takeEnd(CXString& text, CXString& button) {
    // Between reports only: a failure's two texts are shown together.
    std::unique_lock<std::mutex> reports = m_downloader->holdReports();
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_ended) return false;
    text = m_endText;
    button = m_endButton;
    m_endText = "";
    m_endButton = "";
    return true;
}

void CDownloadProduct::onDownloadFinish() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_ended = true;
    m_endButton = kInstall;
}

void CDownloadProduct::onError(CXString text) {
    // Called while the downloader reports, which sets the reason first.
    const CXString reason = m_downloader ? m_downloader->getFailureReason() : CXString();
    std::lock_guard<std::mutex> lock(m_lock);
    // A failure may come with a second, vaguer report: the window keeps the first, which says what failed.
    if (m_failureHeard) return;
    m_failureHeard = true;
    m_ended = true;
    m_endText = CXString(kFailed) + text;
    if (reason.IsString()) m_endText += CXString(" (") + reason + ")";
    m_endButton = kFinish;
}

// ---- play statistics ----

uint32_t tickCount() { return static_cast<uint32_t>(CPlatformClock::milliseconds()); }

uint32_t countGameStart(CCommandLine6& commandLine) {
    const CXString key = gameKey(commandLine);
    const int64_t times =
        int64_t(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TimesPlayed").toNumber()) + 1;
    if (!CKavirelWEB::set_registry(ERegistryRoot::currentUser, key, "TimesPlayed", decimal(times)))
        logMessage("web game \"%s\": its starts could not be counted", commandLine.getPath().GetBuffer());
    return tickCount();
}

void addPlayingTime(CCommandLine6& commandLine, uint32_t start) { addPlayingTime(commandLine, start, tickCount()); }

void addPlayingTime(CCommandLine6& commandLine, uint32_t start, uint32_t now) {
    const CXString key = gameKey(commandLine);
    const uint32_t seconds = (now - start) / 1000;
    const int64_t total =
        int64_t(CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "TotalTime").toNumber()) + seconds;
    if (!CKavirelWEB::set_registry(ERegistryRoot::currentUser, key, "TotalTime", decimal(total)))
        logMessage("web game \"%s\": its play time could not be added", commandLine.getPath().GetBuffer());
}

// ---- the web-distribution modes ----

void setUninstallQuestion(CUninstallQuestion question) { g_question = std::move(question); }

int uninstallWebGame(CCommandLine6& commandLine) {
    const CXString game = commandLine.getParameter("game");
    const CXString key = CXString(CKavirelWEB::kKey) + "\\" + game;
    const CXString fullName = CKavirelWEB::get_registry(ERegistryRoot::currentUser, key, "FullName");
    if (!fullName.IsString()) {
        logMessage("web game \"%s\" is not installed: nothing to remove", game.GetBuffer());
        return 1;
    }
    const CXString title = CXVersion::getCurrentVersion()->toString();
    const CXString text = CXString("Czy na pewno chesz odinstalowa\xE6 program '") + fullName + "' ?";
    const bool yes = g_question ? g_question(title, text) : askOnTheDesktop(title, text);
    return yes ? CKavirelWEB::uninstall(commandLine.getPath()) : 1;
}

int startWebGame(CCommandLine6& commandLine, uint32_t& start, std::unique_ptr<CDownloadDialogFront> front) {
    const CXString game = commandLine.getPath();
    const CXString games = CKavirelWEB::get_registry(ERegistryRoot::currentUser, CKavirelWEB::kKey, "Path");
    if (!games.IsString() || CFile::chDir(games) != 0) {
        logMessage("web game \"%s\": the web games' folder \"%s\" cannot be entered", game.GetBuffer(),
                   games.GetBuffer());
        return 1;
    }
    CXString fullName = commandLine.getFullName();
    if (!fullName.IsString()) fullName = game;
    bool installed;
    {
        CDownloadProduct product(std::move(front));
        installed = CKavirelWEB::install(&product, game, fullName, commandLine.getServer());
    }
    if (!installed) {
        logMessage("web game \"%s\" is not installed", game.GetBuffer());
        return 1;
    }
    if (commandLine.isParameter("install")) {
        const CXString version = commandLine.getVersion();
        if (version.IsString())
            CKavirelWEB::add_registry(ERegistryRoot::currentUser, gameKey(commandLine), "Version", version);
        return 0;
    }
    if (CFile::chDir(game) != 0) {
        logMessage("web game \"%s\": its folder cannot be entered", game.GetBuffer());
        return 1;
    }
    // A web game always runs in a window.
    commandLine.setAsWindow(true);
    start = countGameStart(commandLine);
    return kPlayWebGame;
}
