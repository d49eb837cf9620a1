#include "ads_dialog.h"

#include "ads_picture.h"
#include "promo_address.h"
#include "reachability.h"
#include "res/wx_resources.h"

#include <wx/settings.h>

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Size of the panel's client area, in dialog units, and the first places of
// its controls until the first resize moves them.
const wxSize kPanelSizeDu(178, 293);
const wxRect kBrowserRectDu(7, 7, 148, 254);
const wxRect kPictureRectDu(7, 7, 163, 279);

CAdsDialog::Config Completed(CAdsDialog::Config config)
{
    if (config.address.empty())
        config.address = GetPromoAddress();
    if (!config.checker) {
        config.checker = [](const std::string& url) { return CanConnect(url, CAdsDialog::kCheckTimeout); };
    }
    return config;
}

}  // namespace

wxBEGIN_EVENT_TABLE(CAdsDialog, wxPanel)
    EVT_TIMER(CAdsDialog::kTimerId, CAdsDialog::OnTimer)
    EVT_TIMER(CAdsDialog::kStatusTimerId, CAdsDialog::OnStatusTimer)
    EVT_SIZE(CAdsDialog::OnSize)
    EVT_ERASE_BACKGROUND(CAdsDialog::OnEraseBackground)
    EVT_WEBVIEW_NAVIGATING(CAdsDialog::IDC_BROWSER, CAdsDialog::OnNavigating)
    EVT_WEBVIEW_NAVIGATED(CAdsDialog::IDC_BROWSER, CAdsDialog::OnNavigateComplete)
    EVT_WEBVIEW_LOADED(CAdsDialog::IDC_BROWSER, CAdsDialog::OnNavigateComplete)
    EVT_WEBVIEW_ERROR(CAdsDialog::IDC_BROWSER, CAdsDialog::OnNavigateError)
wxEND_EVENT_TABLE()

CAdsDialog::CAdsDialog(wxWindow* parent) : CAdsDialog(parent, Config{}) {}

CAdsDialog::CAdsDialog(wxWindow* parent, Config config)
    : wxPanel(parent, IDD, wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE),
      m_timer(this, kTimerId),
      m_statusTimer(this, kStatusTimerId)
{
    config = Completed(std::move(config));
    m_strAddress = config.address;
    m_checker = std::move(config.checker);
    m_pageStatus = config.pageStatus ? std::move(config.pageStatus) : [this] { return m_browser.GetStatusCode(); };
    m_tickPeriod = config.tickPeriod;

    SetBackgroundColour(*wxWHITE);
    SetClientSize(ConvertDialogToPixels(kPanelSizeDu));

    const auto rect = [this](const wxRect& du) {
        return wxRect(ConvertDialogToPixels(du.GetPosition()), ConvertDialogToPixels(du.GetSize()));
    };
    // The browser stays hidden until a page has loaded, so the picture shows
    // while nothing is loaded.
    const wxRect browserRect = rect(kBrowserRectDu);
    m_browser.Create(this, IDC_BROWSER, browserRect.GetPosition(), browserRect.GetSize(), false);
    const wxRect pictureRect = rect(kPictureRectDu);
    m_picture = new CAdsPicture(this, IDC_PICTURE, LoadSkinBitmap(kPictureBitmapId),
                                pictureRect.GetPosition(), pictureRect.GetSize());

    // Both controls start at the top-left corner; the picture covers the
    // whole panel and the browser its enlarged client area.
    m_picture->SetSize(wxRect(wxPoint(0, 0), GetSize()));
    PlaceBrowser();

    m_timer.Start(static_cast<int>(config.firstTick.count()));
}

CAdsDialog::~CAdsDialog()
{
    m_timer.Stop();
    m_statusTimer.Stop();
    // A check thread still running writes only into m_pChecks, which it shares.
    if (wxWebView* browser = m_browser.GetWindow())
        browser->SetSize(0, 0, 0, 0);
}

wxRect CAdsDialog::GetBrowserRect(const wxSize& client) const
{
    // Metrics a platform does not know count as 0.
    const auto metric = [this](wxSystemMetric which) {
        return std::max(0, wxSystemSettings::GetMetric(which, this));
    };
    const int edgeX = metric(wxSYS_EDGE_X);
    const int edgeY = metric(wxSYS_EDGE_Y);
    return wxRect(-edgeX, -edgeY, client.x + 2 * edgeX + metric(wxSYS_VSCROLL_X),
                  client.y + 2 * edgeY + metric(wxSYS_HSCROLL_Y));
}

bool CAdsDialog::IsPictureShown() const
{
    return m_picture && m_picture->IsShown();
}

bool CAdsDialog::IsBrowserShown() const
{
    const wxWebView* browser = m_browser.GetWindow();
    return browser && browser->IsShown();
}

void CAdsDialog::OnTimer(wxTimerEvent& /*event*/)
{
    ++m_nTicks;
    // The result of the checks finished before this tick, read before the new
    // check starts: a navigation always follows a check of an earlier tick.
    const bool online = m_pChecks->online.load();
    StartCheck();
    if (online && m_nFirstOnlineTick == 0)
        m_nFirstOnlineTick = m_nTicks;
    if (!m_bPageShown && online) {
        m_bNavFailed = 0;
        m_bNavStarted = 0;
        m_statusTimer.Stop();
        ++m_nNavigations;
        m_nLastNavigationTick = m_nTicks;
        m_browser.Navigate(m_strAddress);
    }
    // After the first tick, one every period.
    m_timer.Start(static_cast<int>(m_tickPeriod.count()));
}

void CAdsDialog::StartCheck()
{
    if (m_pChecks->running.exchange(true))
        return;  // the last check is still running; its result will come
    try {
        std::thread([checks = m_pChecks, checker = m_checker, url = std::string(m_strAddress.utf8_str())] {
            bool reachable = false;
            try {
                reachable = checker(url);
            } catch (...) {
                // A check that fails in any way found nothing reachable.
            }
            checks->online.store(reachable);
            checks->running.store(false);
        }).detach();
        ++m_nChecks;
    } catch (const std::system_error&) {
        // No thread to be had: this tick checks nothing, the next one tries again.
        m_pChecks->running.store(false);
    }
}

void CAdsDialog::OnSize(wxSizeEvent& event)
{
    event.Skip();
    if (m_picture)
        m_picture->SetSize(wxRect(m_picture->GetPosition(), GetSize()));
    PlaceBrowser();
    if (wxWebView* browser = m_browser.GetWindow())
        browser->Refresh();
}

void CAdsDialog::PlaceBrowser()
{
    if (wxWebView* browser = m_browser.GetWindow()) {
        // The rectangle starts at (-1, -1) when the edge is one pixel wide,
        // which must not read as "keep the current position".
        browser->SetSize(GetBrowserRect(GetClientSize()), wxSIZE_ALLOW_MINUS_ONE);
    }
}

void CAdsDialog::OnEraseBackground(wxEraseEvent& event)
{
    // The page covers the whole panel; otherwise the white background shows.
    if (!m_bPageShown)
        event.Skip();
}

void CAdsDialog::OnNavigating(wxWebViewEvent& event)
{
    // The browser begins the navigation asked for last; what it reports before
    // this belongs to the blank start page or to a load given up for it.
    if (m_nNavigations > 0)
        m_bNavStarted = 1;
    event.Skip();
}

void CAdsDialog::OnNavigateComplete(wxWebViewEvent& /*event*/)
{
    // After an error these events belong to the browser's own error page.
    if (!m_bNavStarted || m_bNavFailed)
        return;
    m_nStatusAsks = 0;
    JudgeLoadedPage();
}

void CAdsDialog::OnStatusTimer(wxTimerEvent& /*event*/)
{
    if (m_bNavStarted && !m_bNavFailed && !m_bPageShown)
        JudgeLoadedPage();
}

void CAdsDialog::JudgeLoadedPage()
{
    // An HTTP error answer is a failed navigation, even where the browser
    // shows it as a page. The browser may tell the page's status only after
    // it has reported the page loaded: until it does, nothing is decided.
    const int status = m_pageStatus();
    if (status == CExplorer::kStatusNotYetKnown && ++m_nStatusAsks <= kMaxStatusAsks) {
        m_statusTimer.StartOnce(static_cast<int>(kStatusInterval.count()));
        return;
    }
    m_statusTimer.Stop();
    if (status >= 400) {
        ShowPicture();
        return;
    }
    m_picture->Hide();
    if (wxWebView* browser = m_browser.GetWindow())
        browser->Show();
    m_bPageShown = 1;
}

void CAdsDialog::OnNavigateError(wxWebViewEvent& event)
{
    // A load cancelled for a newer one says nothing about the page.
    if (!m_bNavStarted || event.GetInt() == wxWEBVIEW_NAV_ERR_USER_CANCELLED)
        return;
    ShowPicture();
}

void CAdsDialog::ShowPicture()
{
    m_bPageShown = 0;
    m_bNavFailed = 1;
    if (wxWebView* browser = m_browser.GetWindow())
        browser->Hide();
    m_picture->SetSize(wxRect(m_picture->GetPosition(), GetSize()));
    m_picture->Show();
}
