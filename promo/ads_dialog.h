// The promotion panel: a child window of the main window that shows the
// promotion web page while its server can be reached, and a fixed picture
// otherwise. A timer starts a reachability check on a thread of its own at
// every tick (unless the last one is still running); the tick after a
// successful check loads the page, once.
#pragma once

#include "explorer.h"

#include <wx/panel.h>
#include <wx/timer.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class CAdsPicture;

class CAdsDialog : public wxPanel {
public:
    enum { IDD = 190 };
    // Window ids of the panel's controls.
    enum : wxWindowID {
        IDC_BROWSER = 1038,
        IDC_PICTURE = 197,
    };
    static constexpr int kTimerId = 100;
    // While the browser has not yet told the HTTP status of a page it has
    // loaded, the panel asks again at this interval, at most kMaxStatusAsks
    // times before it takes the page as shown.
    static constexpr int kStatusTimerId = 101;
    static constexpr std::chrono::milliseconds kStatusInterval{50};
    static constexpr int kMaxStatusAsks = 100;
    static constexpr int kPictureBitmapId = 197;
    static constexpr std::chrono::milliseconds kFirstTick{100};
    static constexpr std::chrono::milliseconds kTickPeriod{4000};
    // Bound of one connection attempt of a check.
    static constexpr std::chrono::milliseconds kCheckTimeout{5000};

    // Whether the server of an address can be reached. Runs on a check thread
    // that may outlive the panel, so it must not refer to the panel.
    using Checker = std::function<bool(const std::string& url)>;

    struct Config {
        wxString address;  // empty: GetPromoAddress()
        std::chrono::milliseconds firstTick = kFirstTick;
        std::chrono::milliseconds tickPeriod = kTickPeriod;
        Checker checker;   // empty: CanConnect with kCheckTimeout
        // The HTTP status of the loaded page, as CExplorer::GetStatusCode
        // tells it; empty: the browser's.
        std::function<int()> pageStatus;
    };

    // Creates the panel as a child of `parent` and starts its timer.
    explicit CAdsDialog(wxWindow* parent);
    CAdsDialog(wxWindow* parent, Config config);
    ~CAdsDialog() override;

    CAdsDialog(const CAdsDialog&) = delete;
    CAdsDialog& operator=(const CAdsDialog&) = delete;

    // The browser's rectangle for a client area of this size: enlarged by the
    // system's edge on every side and by a scroll bar on the right and at the
    // bottom, so the browser's own border and scroll bars are clipped away.
    wxRect GetBrowserRect(const wxSize& client) const;

    // State, for the main window's layout and for tests.
    const wxString& GetAddress() const { return m_strAddress; }
    CExplorer& GetBrowser() { return m_browser; }
    CAdsPicture* GetPicture() const { return m_picture; }
    bool IsPageShown() const { return m_bPageShown != 0; }
    bool HasNavFailed() const { return m_bNavFailed != 0; }
    bool IsOnline() const { return m_pChecks->online.load(); }
    bool IsChecking() const { return m_pChecks->running.load(); }
    bool IsPictureShown() const;
    bool IsBrowserShown() const;
    int GetTickCount() const { return m_nTicks; }
    int GetCheckCount() const { return m_nChecks; }            // checks started
    int GetNavigationCount() const { return m_nNavigations; }
    int GetFirstOnlineTick() const { return m_nFirstOnlineTick; }  // 0: not yet
    int GetLastNavigationTick() const { return m_nLastNavigationTick; }  // 0: none

private:
    void OnTimer(wxTimerEvent& event);
    void OnStatusTimer(wxTimerEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnNavigating(wxWebViewEvent& event);
    void OnNavigateComplete(wxWebViewEvent& event);
    void OnNavigateError(wxWebViewEvent& event);

    void PlaceBrowser();
    void StartCheck();
    void ShowPicture();
    void JudgeLoadedPage();

    CExplorer m_browser;
    CAdsPicture* m_picture = nullptr;
    int m_bPageShown = 0;  // a navigation completed and the page is on show
    int m_bNavFailed = 0;  // the last navigation reported an error
    // The browser has begun the last navigation asked of it; until then its
    // events belong to its blank start page or to a load that navigation
    // replaced (which this browser reports as failed).
    int m_bNavStarted = 0;
    // The checks' shared state, which outlives the panel for a check thread
    // still running: the result of the last finished check, and whether one
    // is running. Only one runs at a time, so a name lookup that never
    // answers cannot pile up threads, and results arrive in order.
    struct CheckState {
        std::atomic<bool> online{false};
        std::atomic<bool> running{false};
    };
    std::shared_ptr<CheckState> m_pChecks = std::make_shared<CheckState>();

    wxString m_strAddress;
    Checker m_checker;
    std::function<int()> m_pageStatus;
    std::chrono::milliseconds m_tickPeriod;
    wxTimer m_timer;
    wxTimer m_statusTimer;
    int m_nStatusAsks = 0;

    int m_nTicks = 0;
    int m_nChecks = 0;
    int m_nNavigations = 0;
    int m_nFirstOnlineTick = 0;
    int m_nLastNavigationTick = 0;

    wxDECLARE_EVENT_TABLE();
};
