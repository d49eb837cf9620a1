// The address of the promotion page, used both for the reachability check and
// for the navigation.
#pragma once

#include <wx/string.h>

// The maker's promotion page. The host is a reserved name that never
// resolves, so a build that is not told its server shows the fallback picture.
inline constexpr wchar_t kDefaultPromoAddress[] = L"http://promo.corvale.invalid/ads/tessaly/ads.php";

// Name of the configuration value that overrides the address, so that a
// deployment can name its server.
inline constexpr wchar_t kPromoAddressKey[] = L"/PromoAddress";

// The address stored in the program's settings (the same store as every other
// setting), or kDefaultPromoAddress when none is set or it is empty.
wxString GetPromoAddress();
