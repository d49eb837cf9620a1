// The web browser control of the promotion panel: a thin wrapper around a
// wxWebView child window.
#pragma once

#include <wx/string.h>
#include <wx/weakref.h>
#include <wx/webview.h>

class CExplorer {
public:
    CExplorer() = default;
    CExplorer(const CExplorer&) = delete;
    CExplorer& operator=(const CExplorer&) = delete;

    // Creates the browser as a child of `parent`, which owns and destroys it,
    // showing nothing yet. `show` false creates it hidden. False when the
    // platform has no browser.
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, bool show = true);

    // Starts loading `url`; the outcome arrives as the browser's
    // wxEVT_WEBVIEW_NAVIGATED, wxEVT_WEBVIEW_LOADED and wxEVT_WEBVIEW_ERROR events.
    void Navigate(const wxString& url);

    // The browser window; null before Create and once its parent destroyed it.
    wxWebView* GetWindow() const { return m_pWnd.get(); }
    bool Exists() const { return GetWindow() != nullptr; }

    // HTTP status of the main document on show; kStatusNotYetKnown while the
    // browser has not received its answer, 0 where the browser reports HTTP
    // errors as wxEVT_WEBVIEW_ERROR itself (and does not tell the status).
    static constexpr int kStatusNotYetKnown = -1;
    int GetStatusCode() const;

private:
    wxWeakRef<wxWebView> m_pWnd;
};
