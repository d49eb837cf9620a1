#include "promo_address.h"

#include "settings/settings_store.h"

#include <wx/confbase.h>

wxString GetPromoAddress()
{
    wxString address;
    OpenSettings()->Read(kPromoAddressKey, &address);
    address.Trim(true).Trim(false);
    return address.empty() ? wxString(kDefaultPromoAddress) : address;
}
