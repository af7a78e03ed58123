#include "context/BrandTexts.h"

#include "settings/Settings.h"

namespace brio {

BrandTexts BrandTexts::load(const Settings &settings)
{
    BrandTexts b;
    b.mainCaption = settings.text(Key::MainCaption);
    b.msgBoxCaption = settings.text(Key::MsgBoxCaption);
    b.aboutLinkText = settings.text(Key::AboutLinkText);
    b.aboutLinkUrl = settings.text(Key::AboutLinkURL);
    b.pluginLinkUrl = settings.text(Key::PluginLinkURL);
    b.buyLinkUrl = settings.text(Key::BuyLinkURL);
    b.loginLinkUrl = settings.text(Key::LoginLinkURL);
    b.downloadLinkUrl = settings.text(Key::DownloadLinkUrl);
    return b;
}

} // namespace brio
