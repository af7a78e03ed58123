#include "settings/Brand.h"

#include "app/Context.h"

namespace brio {

void loadBrandTexts(Context &ctx)
{
    AppState &s = ctx.state;
    const Settings &st = ctx.settings;
    s.MainCaption = st.text(Key::MainCaption);
    s.MsgBoxCaption = st.text(Key::MsgBoxCaption);
    s.AboutLinkText = st.text(Key::AboutLinkText);
    s.AboutLinkURL = st.text(Key::AboutLinkURL);
    s.PluginLinkURL = st.text(Key::PluginLinkURL);
    s.BuyLinkURL = st.text(Key::BuyLinkURL);
    s.LoginLinkURL = st.text(Key::LoginLinkURL);
    s.DownloadLinkUrl = st.text(Key::DownloadLinkUrl);
}

bool LoadBrand(Context &ctx)
{
    loadBrandTexts(ctx);
    return true;
}

} // namespace brio
