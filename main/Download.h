#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/DownloadManagerIfc.h"
#include "core/XString.h"
#include "net/Internet.h"

namespace KavirelDLL {
class CCommandLine6;
class CDisplay;
} // namespace KavirelDLL

// What dialog 218 shows: its static text (1033), its button (1037) and its progress bar (1032). The program's
// front is a small window of its own, or standard error when there is no desktop; tests give their own.
class CDownloadDialogFront {
public:
    virtual ~CDownloadDialogFront() = default;
    // Shows the dialog at 300, 200 with its caption.
    virtual void open() = 0;
    virtual void setText(const KavirelDLL::CXString& text) = 0;
    virtual void setButton(const KavirelDLL::CXString& text) = 0;
    // 0 to 100.
    virtual void setProgress(int position) = 0;
    // Waits up to ms for the button (Enter, Space, Escape, a click on it, the close box) or a termination
    // signal, which it leaves for the caller; true once either came. ended: the transfer's end is shown, so a
    // front nobody answers may press it itself.
    virtual bool waitForPress(uint32_t ms, bool ended) = 0;
    virtual void close() = 0;
};

// The front the program uses: the window when a desktop is there, else standard error.
std::unique_ptr<CDownloadDialogFront> makeDownloadDialogFront();
// The window: 459 x 133 pixels (306 x 82 dialog units at the menu lettering's 6 x 13 cell) at 300, 200; when
// it cannot open, its texts go to standard error.
std::unique_ptr<CDownloadDialogFront> makeDownloadWindow();
// The window's display while it is open (tests read its pixels), else null.
KavirelDLL::CDisplay* downloadWindowDisplay(CDownloadDialogFront* front);

// Fetches a web game's package for the web installer, showing dialog 218 while it runs. The worker's reports
// are only recorded; the dialog's 100 ms tick shows them: a failure's first report with the transport's
// reason, or, for a file that arrived but does not read as a package, that it is damaged (the file is removed
// and installing is not offered).
class CDownloadProduct : public KavirelDLL::CDownloadListener, public KavirelDLL::CDownloadManagerIfc {
public:
    static constexpr int kButton = 1037;
    static constexpr uint32_t kTickMs = 100;

    // Null: makeDownloadDialogFront().
    explicit CDownloadProduct(std::unique_ptr<CDownloadDialogFront> front = nullptr);
    ~CDownloadProduct() override;
    CDownloadProduct(const CDownloadProduct&) = delete;
    CDownloadProduct& operator=(const CDownloadProduct&) = delete;

    // Runs the dialog until its button is pressed, then waits for the transfer to end; true when the whole
    // file arrived and reads as a package.
    bool download(KavirelDLL::CXString file, KavirelDLL::CXString server) override;
    void onDownloadFinish() override;
    void onError(KavirelDLL::CXString text) override;

    // The one product alive, or null.
    static CDownloadProduct* current();

    enum class EDialogMessage { InitDialog, Timer, Command, Close };
    // The dialog's handling of one message for the current product; 1 when the message was taken.
    static int downloadDialogProc(EDialogMessage message, int control);
    // Starts the transfer of the file from the server; false when it could not (no timer then).
    bool startProductDownload();
    // The progress once a byte arrived, then the end once it was reported.
    void showDownloadProgress();

    KavirelDLL::CInternet* getDownloader() { return m_downloader.get(); }
    // The address the file is fetched from: server + "//kavirelweb//" + file, or the default folder's.
    static KavirelDLL::CXString addressOf(const KavirelDLL::CXString& server, const KavirelDLL::CXString& file);

private:
    // What the worker reported and was not yet shown, taken whole; false when nothing was reported yet.
    bool takeEnd(KavirelDLL::CXString& text, KavirelDLL::CXString& button);

    std::unique_ptr<CDownloadDialogFront> m_front;
    std::unique_ptr<KavirelDLL::CInternet> m_downloader;
    KavirelDLL::CXString m_file;
    KavirelDLL::CXString m_server;
    bool m_open = false;
    bool m_timer = false;
    bool m_endShown = false;
    bool m_damaged = false; // the file arrived but is no package: removed, and the answer is false

    std::mutex m_lock; // what the worker reports
    bool m_ended = false;
    bool m_failureHeard = false; // the failure's first report is kept
    KavirelDLL::CXString m_endText;
    KavirelDLL::CXString m_endButton;
};

// The play statistics of a web game, under "Software\OrvikMedia\KavirelWeb\<game>".
// TimesPlayed + 1; the start's tick (milliseconds, 32 bits).
uint32_t countGameStart(KavirelDLL::CCommandLine6& commandLine);
// TotalTime + the whole seconds since start (32-bit ticks, so a wrap between them still counts right).
void addPlayingTime(KavirelDLL::CCommandLine6& commandLine, uint32_t start);
void addPlayingTime(KavirelDLL::CCommandLine6& commandLine, uint32_t start, uint32_t now);
uint32_t tickCount();

// Asks whether to remove a web game: a Yes/No box (default Yes) when a desktop is there; without one nobody
// can answer, so the answer is No and standard error says why. Tests put their own in its place (null
// restores it).
using CUninstallQuestion = std::function<bool(const KavirelDLL::CXString& title, const KavirelDLL::CXString& text)>;
void setUninstallQuestion(CUninstallQuestion question);

// The "-uninstall" mode: the exit code.
int uninstallWebGame(KavirelDLL::CCommandLine6& commandLine);
// The "-game" mode up to the game's start: installs the game in the web games' folder when it is not there
// (fetching its package through a CDownloadProduct over front, null for the program's), then either records
// the "-version" and answers 0 ("-install"), or enters the game's folder, forces the window and counts the
// start (start receives its tick) and answers kPlayWebGame. Otherwise the exit code 1.
constexpr int kPlayWebGame = -2;
int startWebGame(KavirelDLL::CCommandLine6& commandLine, uint32_t& start,
                 std::unique_ptr<CDownloadDialogFront> front = nullptr);
