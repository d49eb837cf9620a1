// The eight image buttons: their pictures and what shows behind them.
#include "velmora_dlg.h"

#include "dlg_ids.h"
#include "dlg_skin.h"
#include "dlg_template.h"

namespace {

struct SkinButtonPictures {
    int id;
    int normal, pressed, hover, disabled;  // picture ids
    bool onBanner;  // on the banner: the backdrop bitmap behind it, else the panel colour
};

// In the order they are set up. A disabled button looks like a normal one.
constexpr SkinButtonPictures kSkinButtons[] = {
    {IDC_ADD_FILES, 144, 189, 143, 144, true},
    {IDC_ADD_FOLDER, 147, 145, 146, 147, true},
    {IDC_REMOVE_SELECTED, 162, 160, 161, 162, true},
    {IDC_REMOVE_ALL, 159, 157, 158, 159, true},
    {IDC_CONVERT_ALL, 150, 148, 149, 150, false},
    {IDC_STOP, 165, 163, 164, 165, false},
    {IDC_CONVERT_SELECTED, 153, 151, 152, 153, false},
    {IDC_HELP, 156, 154, 155, 156, true},
};

}  // namespace

// The pictures carry the captions, so the buttons draw no text of their own;
// their label is still the caption, without the blanks around it: it is what
// a screen reader says and what the tooltip shows.
// Each button takes the size of its normal picture where it stands.
void CVelmoraDlg::SetupSkinButtons()
{
    for (const SkinButtonPictures& b : kSkinButtons) {
        auto* button = dynamic_cast<CSkinButtonType*>(FindControl(b.id));
        const TemplateControl* control = FindTemplateControl(b.id);
        if (!button || !control)
            continue;
        const wxString caption = wxString(control->text).Strip(wxString::both);
        button->m_bCaptionInPictures = true;
        button->SetLabel(caption);
        if (!button->GetToolTip())
            button->SetToolTip(caption);
        button->SetStateImages(b.normal, b.pressed, b.hover, b.disabled);
        button->m_bOffscreen = true;
        // Help has no button body: its focus frame goes round the whole picture.
        if (b.id == IDC_HELP)
            button->m_nFocusInset = 1;
        if (b.onBanner)
            button->m_pBackdrop = &m_bmpBackdrop;
        else
            button->m_crFill = SkinPanelColour();
    }
}
