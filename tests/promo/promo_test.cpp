// The promotion panel on a real X server with its real browser, against a
// small HTTP server on 127.0.0.1. Most tests deliver the timer ticks
// themselves, so every step happens at a known tick.

#include "promo/ads_dialog.h"
#include "promo/ads_picture.h"
#include "promo/promo_address.h"
#include "promo/reachability.h"
#include "res/wx_resources.h"
#include "test_http_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "wx_test_env.h"

#include <gtest/gtest.h>
#include <wx/settings.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using corvale_test::PumpEvents;
using corvale_test::PumpUntil;
using corvale_test::TestFrame;

// A timer period that never comes during a test: the test delivers the ticks.
constexpr std::chrono::milliseconds kNever = std::chrono::hours(24);
const char kPromoPath[] = "/ads/tessaly/ads.php";

std::string Utf8(const wxString& text)
{
    return std::string(text.utf8_str().data());
}

// One tick of the panel's timer, delivered as the timer delivers it.
void Tick(CAdsDialog& panel)
{
    wxTimer timer(&panel, CAdsDialog::kTimerId);
    timer.Notify();
}

// What the checks did. Shared with the check threads, which may outlive the
// panel and the test's own frame.
struct CheckProbe {
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<bool> reachable{false};  // the answer of a checker that does not connect
    std::mutex mutex;
    std::condition_variable changed;
    bool gateOpen = true;  // a closed gate holds every check until opened

    void SetGate(bool open)
    {
        {
            std::lock_guard lock(mutex);
            gateOpen = open;
        }
        changed.notify_all();
    }
};

enum class Check { Connect, Answer };

// A checker that counts, waits at the probe's gate, then either really tries
// to connect or gives the probe's answer.
CAdsDialog::Checker ProbeChecker(const std::shared_ptr<CheckProbe>& probe, Check kind)
{
    return [probe, kind](const std::string& url) {
        ++probe->started;
        {
            std::unique_lock lock(probe->mutex);
            probe->changed.wait(lock, [&] { return probe->gateOpen; });
        }
        const bool result = kind == Check::Connect ? CanConnect(url, 30s) : probe->reachable.load();
        ++probe->finished;
        return result;
    };
}

std::string RefusingUrl()
{
    return "http://127.0.0.1:" + std::to_string(RefusingPort()) + kPromoPath;
}

// The browser events the panel receives, as the browser sent them.
struct BrowserEvents {
    std::vector<std::pair<wxEventType, wxString>> seen;

    void Watch(wxWebView* browser)
    {
        for (const auto& type :
             {wxEVT_WEBVIEW_NAVIGATING, wxEVT_WEBVIEW_NAVIGATED, wxEVT_WEBVIEW_LOADED, wxEVT_WEBVIEW_ERROR}) {
            browser->Bind(type, [this](wxWebViewEvent& event) {
                seen.emplace_back(event.GetEventType(), event.GetURL());
                event.Skip();
            });
        }
    }
    int Count(wxEventType type) const
    {
        return static_cast<int>(
            std::count_if(seen.begin(), seen.end(), [&](const auto& e) { return e.first == type; }));
    }
};

// Sends a browser event to the panel as if the browser had sent it.
void SendBrowserEvent(CAdsDialog& panel, wxEventType type, const wxString& url,
                      int error = wxWEBVIEW_NAV_ERR_OTHER)
{
    wxWebView* browser = panel.GetBrowser().GetWindow();
    wxWebViewEvent event(type, CAdsDialog::IDC_BROWSER, url, wxString());
    event.SetEventObject(browser);
    if (type == wxEVT_WEBVIEW_ERROR)
        event.SetInt(error);
    browser->HandleWindowEvent(event);
}

wxRect ExpectedBrowserRect(const CAdsDialog& panel)
{
    const auto metric = [&](wxSystemMetric which) {
        return std::max(0, wxSystemSettings::GetMetric(which, &panel));
    };
    const wxSize client = panel.GetClientSize();
    wxRect r(wxPoint(0, 0), client);
    r.x -= metric(wxSYS_EDGE_X);
    r.y -= metric(wxSYS_EDGE_Y);
    r.width += 2 * metric(wxSYS_EDGE_X) + metric(wxSYS_VSCROLL_X);
    r.height += 2 * metric(wxSYS_EDGE_Y) + metric(wxSYS_HSCROLL_Y);
    return r;
}

class AdsDialogTest : public testing::Test {
protected:
    void TearDown() override
    {
        m_panel.reset();
        m_probe->SetGate(true);
        // No check thread may still run when the test ends.
        EXPECT_TRUE(PumpUntil([&] { return m_probe->finished == m_probe->started; }));
    }

    CAdsDialog& MakePanel(const std::string& address, std::chrono::milliseconds firstTick,
                          std::chrono::milliseconds period, Check check, std::function<int()> pageStatus = {})
    {
        m_panel.reset(new CAdsDialog(&TestFrame(), {wxString::FromUTF8(address), firstTick, period,
                                                    ProbeChecker(m_probe, check), std::move(pageStatus)}));
        return *m_panel;
    }

    // A panel whose ticks come from the test only.
    CAdsDialog& MakeSteppedPanel(const std::string& address, Check check, std::function<int()> pageStatus = {})
    {
        return MakePanel(address, kNever, kNever, check, std::move(pageStatus));
    }

    // One tick starts a check; once it has found the server reachable, the
    // next tick navigates.
    void TickUntilNavigated(CAdsDialog& panel)
    {
        const int navigations = panel.GetNavigationCount();
        Tick(panel);
        ASSERT_TRUE(PumpUntil([&] { return panel.IsOnline(); }));
        Tick(panel);
        ASSERT_EQ(panel.GetNavigationCount(), navigations + 1);
    }

    std::shared_ptr<CheckProbe> m_probe = std::make_shared<CheckProbe>();
    corvale_test::WindowPtr<CAdsDialog> m_panel;
};

TEST_F(AdsDialogTest, StartsOnThePictureWithTheBrowserHidden)
{
    CAdsDialog& panel = MakeSteppedPanel(RefusingUrl(), Check::Connect);
    EXPECT_EQ(panel.GetId(), CAdsDialog::IDD);
    EXPECT_EQ(panel.GetClientSize(), panel.ConvertDialogToPixels(wxSize(178, 293)));
    EXPECT_EQ(panel.GetBorder(), wxBORDER_SIMPLE);

    wxWebView* browser = panel.GetBrowser().GetWindow();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(panel.FindWindow(1038), browser);
    ASSERT_NE(panel.GetPicture(), nullptr);
    EXPECT_EQ(panel.FindWindow(197), panel.GetPicture());

    // The picture covers the whole panel; its bitmap is picture 197.
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_EQ(panel.GetPicture()->GetRect(), wxRect(wxPoint(0, 0), panel.GetSize()));
    const wxBitmap expected = LoadSkinBitmap(197);
    EXPECT_EQ(panel.GetPicture()->GetBitmap().IsOk(), expected.IsOk());
    if (expected.IsOk()) {
        EXPECT_EQ(panel.GetPicture()->GetBitmap().GetSize(), expected.GetSize());
    }
    EXPECT_EQ(panel.GetBackgroundColour(), *wxWHITE);
    EXPECT_EQ(panel.GetPicture()->GetBackgroundColour(), *wxWHITE);

    EXPECT_FALSE(panel.IsBrowserShown());
    EXPECT_EQ(browser->GetRect(), ExpectedBrowserRect(panel));
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_FALSE(panel.HasNavFailed());
    EXPECT_FALSE(panel.IsOnline());
    EXPECT_EQ(panel.GetTickCount(), 0);
    EXPECT_EQ(panel.GetCheckCount(), 0);
    EXPECT_EQ(panel.GetNavigationCount(), 0);

    // The browser loads its own blank page on creation; that is no page of ours.
    BrowserEvents events;
    events.Watch(browser);
    EXPECT_TRUE(PumpUntil([&] { return events.Count(wxEVT_WEBVIEW_LOADED) > 0; }));
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_FALSE(panel.IsBrowserShown());
}

TEST_F(AdsDialogTest, UsesTheProgramsTimingAndTheConfiguredAddress)
{
    static_assert(CAdsDialog::kFirstTick == 100ms);
    static_assert(CAdsDialog::kTickPeriod == 4000ms);
    static_assert(CAdsDialog::kTimerId == 100);

    // The address is read from the settings file every other setting lives in.
    const TempDir config;
    const ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    const fs::path file = config.path() / "Lumeno" / "Corvale.conf";
    EXPECT_EQ(wxString(kDefaultPromoAddress), wxS("http://promo.corvale.invalid/ads/tessaly/ads.php"));
    for (const auto& [stored, address] : std::vector<std::pair<std::string, wxString>>{
             {"", kDefaultPromoAddress},
             {"PageWidth=100\nPromoAddress=http://127.0.0.1:9/ads/tessaly/ads.php\n",
              wxS("http://127.0.0.1:9/ads/tessaly/ads.php")},
             {"PromoAddress=  \n", kDefaultPromoAddress}}) {
        fs::create_directories(file.parent_path());
        ASSERT_TRUE(WriteTextFile(file, stored));
        corvale_test::WindowPtr<CAdsDialog> panel(new CAdsDialog(&TestFrame()));
        EXPECT_EQ(panel->GetAddress(), address) << stored;
    }
}

TEST_F(AdsDialogTest, ChecksAtEveryTickAndNeverNavigatesWhileUnreachable)
{
    // The panel's own timer, with short periods.
    CAdsDialog& panel = MakePanel(RefusingUrl(), 1ms, 20ms, Check::Connect);
    ASSERT_TRUE(PumpUntil([&] { return panel.GetTickCount() >= 5 && m_probe->finished >= 4; }));
    // A tick whose previous check still runs starts none.
    EXPECT_LE(panel.GetCheckCount(), panel.GetTickCount());
    EXPECT_GE(panel.GetCheckCount(), 4);
    EXPECT_EQ(panel.GetNavigationCount(), 0);
    EXPECT_FALSE(panel.IsOnline());
    EXPECT_EQ(panel.GetFirstOnlineTick(), 0);
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_FALSE(panel.IsBrowserShown());
    EXPECT_FALSE(panel.IsPageShown());
}

TEST_F(AdsDialogTest, TheDefaultAddressIsNeverReachedAndThePictureStays)
{
    CAdsDialog& panel = MakeSteppedPanel(Utf8(kDefaultPromoAddress), Check::Connect);
    for (int tick = 1; tick <= 3; ++tick) {
        Tick(panel);
        ASSERT_TRUE(PumpUntil([&] { return m_probe->finished == tick; }));
    }
    Tick(panel);
    EXPECT_EQ(panel.GetNavigationCount(), 0);
    EXPECT_TRUE(panel.IsPictureShown());
}

TEST_F(AdsDialogTest, LoadsThePageOnceAtTheTickAfterTheFirstSuccessfulCheck)
{
    TestHttpServer server(kPromoPath);
    ASSERT_TRUE(server.IsListening());
    CAdsDialog& panel = MakeSteppedPanel(server.Url(), Check::Connect);

    // Tick 1 starts the first check; nothing is known yet.
    Tick(panel);
    EXPECT_EQ(panel.GetCheckCount(), 1);
    EXPECT_EQ(panel.GetNavigationCount(), 0);
    ASSERT_TRUE(PumpUntil([&] { return panel.IsOnline(); }));
    EXPECT_EQ(server.Requests(), 0);

    // Tick 2 navigates, once.
    Tick(panel);
    EXPECT_EQ(panel.GetNavigationCount(), 1);
    EXPECT_EQ(panel.GetFirstOnlineTick(), 2);
    EXPECT_EQ(panel.GetLastNavigationTick(), 2);
    ASSERT_TRUE(PumpUntil([&] { return panel.IsPageShown(); }));
    EXPECT_FALSE(panel.HasNavFailed());
    EXPECT_FALSE(panel.IsPictureShown());
    EXPECT_TRUE(panel.IsBrowserShown());
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_EQ(panel.GetBrowser().GetWindow()->GetRect(), ExpectedBrowserRect(panel));

    // The checks go on; the page is not requested again.
    for (int tick = 3; tick <= 6; ++tick) {
        Tick(panel);
        ASSERT_TRUE(PumpUntil([&] { return m_probe->finished == tick; }));
    }
    EXPECT_EQ(panel.GetCheckCount(), 6);
    EXPECT_EQ(panel.GetNavigationCount(), 1);
    EXPECT_TRUE(panel.IsPageShown());
    EXPECT_EQ(server.Requests(), 1);
}

TEST_F(AdsDialogTest, WithItsOwnTimerThePageLoadsAndIsNotRequestedAgain)
{
    TestHttpServer server(kPromoPath);
    ASSERT_TRUE(server.IsListening());
    // A period well above the time a page takes here: a load still running at
    // the next tick is started again.
    CAdsDialog& panel = MakePanel(server.Url(), 1ms, 500ms, Check::Connect);
    ASSERT_TRUE(PumpUntil([&] { return panel.IsPageShown(); }));
    EXPECT_GE(panel.GetLastNavigationTick(), 2);  // never before a check has finished
    const int navigations = panel.GetNavigationCount();
    const int ticks = panel.GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return panel.GetTickCount() >= ticks + 4; }));
    EXPECT_EQ(panel.GetNavigationCount(), navigations);
    EXPECT_TRUE(panel.IsPageShown());
    EXPECT_GE(server.Requests(), 1);
    EXPECT_LE(server.Requests(), navigations);
}

enum class Failure { ConnectionClosed, ServerError, Refused };

class AdsDialogFailureTest : public AdsDialogTest, public testing::WithParamInterface<Failure> {};

TEST_P(AdsDialogFailureTest, AFailedNavigationShowsThePictureUntilALaterOneSucceeds)
{
    TestHttpServer server(kPromoPath);
    ASSERT_TRUE(server.IsListening());
    server.SetAnswer(GetParam() == Failure::ServerError ? TestHttpServer::Answer::ServerError
                                                        : TestHttpServer::Answer::Close);
    // The check says reachable; the navigation itself fails.
    m_probe->reachable = true;
    CAdsDialog& panel = MakeSteppedPanel(GetParam() == Failure::Refused ? RefusingUrl() : server.Url(),
                                         Check::Answer);
    wxWebView* browser = panel.GetBrowser().GetWindow();
    BrowserEvents events;
    events.Watch(browser);

    const size_t before = events.seen.size();
    TickUntilNavigated(panel);
    ASSERT_FALSE(panel.HasNavFailed());
    ASSERT_TRUE(PumpUntil([&] { return panel.HasNavFailed(); }));
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_FALSE(panel.IsBrowserShown());
    EXPECT_EQ(panel.GetPicture()->GetRect(), wxRect(wxPoint(0, 0), panel.GetSize()));

    // The browser then loads its error page (or the error answer) for the
    // address: those completion events leave the picture on show.
    ASSERT_TRUE(PumpUntil([&] {
        return std::any_of(events.seen.begin() + static_cast<long>(before), events.seen.end(),
                           [&](const auto& e) {
                               return e.first == wxEVT_WEBVIEW_LOADED && e.second == panel.GetAddress();
                           })
               && !browser->IsBusy();
    }));
    PumpEvents();
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_FALSE(panel.IsBrowserShown());
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_TRUE(panel.HasNavFailed());
    EXPECT_EQ(panel.GetNavigationCount(), 1);

    if (GetParam() == Failure::Refused)
        return;  // nothing will ever answer there

    // The next tick navigates again; this time the page comes.
    server.SetAnswer(TestHttpServer::Answer::Page);
    Tick(panel);
    EXPECT_EQ(panel.GetNavigationCount(), 2);
    EXPECT_FALSE(panel.HasNavFailed());
    ASSERT_TRUE(PumpUntil([&] { return panel.IsPageShown(); }));
    EXPECT_FALSE(panel.IsPictureShown());
    EXPECT_TRUE(panel.IsBrowserShown());
    EXPECT_EQ(browser->GetRect(), ExpectedBrowserRect(panel));
}

INSTANTIATE_TEST_SUITE_P(Failures, AdsDialogFailureTest,
                         testing::Values(Failure::ConnectionClosed, Failure::ServerError, Failure::Refused),
                         [](const testing::TestParamInfo<Failure>& info) {
                             switch (info.param) {
                             case Failure::ConnectionClosed:
                                 return "ConnectionClosed";
                             case Failure::ServerError:
                                 return "ServerError";
                             case Failure::Refused:
                                 return "Refused";
                             }
                             return "Unknown";
                         });

TEST_F(AdsDialogTest, BrowserEventsDriveThePanelsStates)
{
    // A server that takes the connection and never answers: the real browser
    // starts each navigation and then stays quiet while the test sends the
    // events that would follow.
    const SilentListener silent;
    ASSERT_TRUE(silent.IsListening());
    const wxString url = wxString::Format("http://127.0.0.1:%d%s", silent.Port(), kPromoPath);

    m_probe->reachable = true;
    // The events are the test's own, for an answer that says 200.
    CAdsDialog& panel = MakeSteppedPanel(Utf8(url), Check::Answer, [] { return 200; });
    BrowserEvents events;
    events.Watch(panel.GetBrowser().GetWindow());
    const auto waitForStart = [&](int starts) {
        return PumpUntil([&] { return events.Count(wxEVT_WEBVIEW_NAVIGATING) >= starts; });
    };

    // Before the first navigation every event belongs to the blank start page.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_NAVIGATED, url);
    SendBrowserEvent(panel, wxEVT_WEBVIEW_LOADED, url);
    EXPECT_FALSE(panel.IsPageShown());
    SendBrowserEvent(panel, wxEVT_WEBVIEW_ERROR, url);
    EXPECT_FALSE(panel.HasNavFailed());

    TickUntilNavigated(panel);
    // Until the browser begins this navigation, its events belong to an
    // earlier load, which this navigation replaced.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_ERROR, url);
    SendBrowserEvent(panel, wxEVT_WEBVIEW_LOADED, url);
    EXPECT_FALSE(panel.HasNavFailed());
    EXPECT_FALSE(panel.IsPageShown());
    ASSERT_TRUE(waitForStart(1));
    EXPECT_FALSE(panel.HasNavFailed());
    EXPECT_TRUE(panel.IsPictureShown());

    // A load given up for a newer one changes nothing.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_ERROR, url, wxWEBVIEW_NAV_ERR_USER_CANCELLED);
    EXPECT_FALSE(panel.HasNavFailed());

    // Completed: the page replaces the picture.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_NAVIGATED, url);
    EXPECT_TRUE(panel.IsPageShown());
    EXPECT_FALSE(panel.IsPictureShown());
    EXPECT_TRUE(panel.IsBrowserShown());

    // No navigation while the page is on show.
    Tick(panel);
    EXPECT_EQ(panel.GetNavigationCount(), 1);

    // An error: the picture at the panel's full size, the browser hidden.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_ERROR, url, wxWEBVIEW_NAV_ERR_CONNECTION);
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_TRUE(panel.HasNavFailed());
    EXPECT_TRUE(panel.IsPictureShown());
    EXPECT_FALSE(panel.IsBrowserShown());
    EXPECT_EQ(panel.GetPicture()->GetRect(), wxRect(wxPoint(0, 0), panel.GetSize()));

    // The browser's own error page completes: the picture stays.
    SendBrowserEvent(panel, wxEVT_WEBVIEW_NAVIGATED, url);
    SendBrowserEvent(panel, wxEVT_WEBVIEW_LOADED, url);
    EXPECT_FALSE(panel.IsPageShown());
    EXPECT_TRUE(panel.IsPictureShown());

    // The next tick navigates again; its completion brings the page back.
    const int starts = events.Count(wxEVT_WEBVIEW_NAVIGATING);
    Tick(panel);
    EXPECT_EQ(panel.GetNavigationCount(), 2);
    EXPECT_FALSE(panel.HasNavFailed());
    ASSERT_TRUE(waitForStart(starts + 1));
    SendBrowserEvent(panel, wxEVT_WEBVIEW_LOADED, url);
    EXPECT_TRUE(panel.IsPageShown());
    EXPECT_FALSE(panel.IsPictureShown());
    EXPECT_TRUE(panel.IsBrowserShown());

    m_panel.reset();
}

TEST_F(AdsDialogTest, ResizingKeepsTheBrowsersBorderAndScrollBarsOutside)
{
    CAdsDialog& panel = MakeSteppedPanel(RefusingUrl(), Check::Connect);
    wxWebView* browser = panel.GetBrowser().GetWindow();
    ASSERT_NE(browser, nullptr);
    const int vscroll = std::max(0, wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, &panel));
    const int hscroll = std::max(0, wxSystemSettings::GetMetric(wxSYS_HSCROLL_Y, &panel));
    for (const wxSize size : {wxSize(300, 500), wxSize(120, 90), wxSize(640, 700)}) {
        panel.SetSize(size);
        PumpEvents();
        const wxRect client(panel.GetClientSize());
        const wxRect r = browser->GetRect();
        EXPECT_EQ(r, ExpectedBrowserRect(panel));
        EXPECT_EQ(r, panel.GetBrowserRect(panel.GetClientSize()));
        // Nothing of the browser's frame or scroll bars lies inside the panel.
        EXPECT_LE(r.GetLeft(), client.GetLeft());
        EXPECT_LE(r.GetTop(), client.GetTop());
        EXPECT_GE(r.GetRight(), client.GetRight() + vscroll);
        EXPECT_GE(r.GetBottom(), client.GetBottom() + hscroll);
        EXPECT_EQ(panel.GetPicture()->GetRect(), wxRect(wxPoint(0, 0), panel.GetSize()));
    }
}

TEST_F(AdsDialogTest, ACheckThatNeverAnswersHoldsBackTheNextOnes)
{
    // A name lookup that never answers: the ticks go on, the checks don't pile up.
    m_probe->reachable = true;
    m_probe->SetGate(false);
    CAdsDialog& panel = MakeSteppedPanel(RefusingUrl(), Check::Answer);
    for (int tick = 1; tick <= 4; ++tick) {
        Tick(panel);
        EXPECT_EQ(panel.GetCheckCount(), 1);
    }
    ASSERT_TRUE(PumpUntil([&] { return m_probe->started == 1; }));
    EXPECT_TRUE(panel.IsChecking());
    EXPECT_EQ(panel.GetNavigationCount(), 0);

    m_probe->SetGate(true);
    ASSERT_TRUE(PumpUntil([&] { return !panel.IsChecking(); }));
    EXPECT_TRUE(panel.IsOnline());
    Tick(panel);
    EXPECT_EQ(panel.GetCheckCount(), 2);
    EXPECT_EQ(panel.GetNavigationCount(), 1);
}

TEST_F(AdsDialogTest, APageIsJudgedOnlyOnceTheBrowserKnowsItsStatus)
{
    // The browser may report a page loaded before it tells the answer's HTTP
    // status: the panel waits for the status, whichever it turns out to be.
    const SilentListener silent;
    ASSERT_TRUE(silent.IsListening());
    const wxString url = wxString::Format("http://127.0.0.1:%d%s", silent.Port(), kPromoPath);
    auto status = std::make_shared<std::atomic<int>>(CExplorer::kStatusNotYetKnown);
    m_probe->reachable = true;
    CAdsDialog& panel = MakeSteppedPanel(Utf8(url), Check::Answer, [status] { return status->load(); });
    BrowserEvents events;
    events.Watch(panel.GetBrowser().GetWindow());
    Tick(panel);
    ASSERT_TRUE(PumpUntil([&] { return panel.IsOnline(); }));
    for (const int answer : {500, 200}) {
        const int starts = events.Count(wxEVT_WEBVIEW_NAVIGATING);
        const int navigations = panel.GetNavigationCount();
        *status = CExplorer::kStatusNotYetKnown;
        Tick(panel);
        ASSERT_EQ(panel.GetNavigationCount(), navigations + 1);
        ASSERT_TRUE(PumpUntil([&] { return events.Count(wxEVT_WEBVIEW_NAVIGATING) > starts; }));
        SendBrowserEvent(panel, wxEVT_WEBVIEW_NAVIGATED, url);
        SendBrowserEvent(panel, wxEVT_WEBVIEW_LOADED, url);
        EXPECT_FALSE(panel.IsPageShown());
        EXPECT_FALSE(panel.HasNavFailed());
        EXPECT_TRUE(panel.IsPictureShown());

        *status = answer;
        ASSERT_TRUE(PumpUntil([&] { return panel.IsPageShown() || panel.HasNavFailed(); }));
        EXPECT_EQ(panel.HasNavFailed(), answer >= 400) << answer;
        EXPECT_EQ(panel.IsPageShown(), answer < 400) << answer;
    }
}

TEST_F(AdsDialogTest, DestroyingThePanelWhileChecksRunIsSafe)
{
    // A check held at the gate outlives the panel and then stores its result.
    m_probe->reachable = true;
    m_probe->SetGate(false);
    CAdsDialog& panel = MakePanel(RefusingUrl(), 1ms, 5ms, Check::Answer);
    ASSERT_TRUE(PumpUntil([&] { return m_probe->started >= 1 && panel.GetTickCount() >= 3; }));
    EXPECT_EQ(m_probe->finished, 0);
    m_panel.reset();
    PumpEvents();
    const int started = m_probe->started;

    m_probe->SetGate(true);
    ASSERT_TRUE(PumpUntil([&] { return m_probe->finished == started; }));
    // The timer died with the panel: no check starts any more.
    for (int i = 0; i < 10; ++i)
        PumpEvents();
    EXPECT_EQ(m_probe->started, started);
}

}  // namespace
