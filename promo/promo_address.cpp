#include "promo_address.h"

#include <wx/config.h>

wxString GetPromoAddress()
{
    wxString address;
    if (wxConfigBase* config = wxConfigBase::Get())
        config->Read(kPromoAddressKey, &address);
    address.Trim(true).Trim(false);
    return address.empty() ? wxString(kDefaultPromoAddress) : address;
}
