#include "explorer.h"

#if defined(__WXGTK__) && wxUSE_WEBVIEW_WEBKIT2
#define CORVALE_WEBKIT2_STATUS 1
#include <dlfcn.h>
#endif

namespace {

#ifdef CORVALE_WEBKIT2_STATUS
// WebKitGTK shows an HTTP error answer as an ordinary page. Its status code
// comes from the WebKitGTK functions already loaded with the browser, looked
// up at run time so the build needs no WebKitGTK headers.
int WebKitStatusCode(void* webView)
{
    using GetMainResource = void* (*)(void*);
    using GetResponse = void* (*)(void*);
    using GetStatusCode = unsigned (*)(void*);
    static const auto getMainResource =
        reinterpret_cast<GetMainResource>(dlsym(RTLD_DEFAULT, "webkit_web_view_get_main_resource"));
    static const auto getResponse =
        reinterpret_cast<GetResponse>(dlsym(RTLD_DEFAULT, "webkit_web_resource_get_response"));
    static const auto getStatusCode =
        reinterpret_cast<GetStatusCode>(dlsym(RTLD_DEFAULT, "webkit_uri_response_get_status_code"));
    if (!webView || !getMainResource || !getResponse || !getStatusCode)
        return 0;
    // The main resource and its answer reach the browser on a channel of
    // their own, which may come after the load events.
    void* resource = getMainResource(webView);
    void* response = resource ? getResponse(resource) : nullptr;
    const int status = response ? static_cast<int>(getStatusCode(response)) : 0;
    return status > 0 ? status : CExplorer::kStatusNotYetKnown;
}
#endif

}  // namespace

bool CExplorer::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, bool show)
{
    wxWebView* browser = wxWebView::New();
    if (!browser)
        return false;
    if (!show)
        browser->Hide();  // before creation, so it never appears
    // An empty address: the browser starts on its blank page.
    if (!browser->Create(parent, id, wxString(), pos, size)) {
        delete browser;
        return false;
    }
    m_pWnd = browser;
    return true;
}

void CExplorer::Navigate(const wxString& url)
{
    if (wxWebView* browser = GetWindow())
        browser->LoadURL(url);
}

int CExplorer::GetStatusCode() const
{
#ifdef CORVALE_WEBKIT2_STATUS
    if (wxWebView* browser = GetWindow())
        return WebKitStatusCode(browser->GetNativeBackend());
#endif
    return 0;
}
