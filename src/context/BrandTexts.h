#pragma once

#include <QString>

namespace brio {

class Settings;

// The texts the brand sets: the captions of the windows and message boxes and
// the pages the menus open. Empty until loaded, so the first messages have no
// title.
struct BrandTexts
{
    QString mainCaption;
    QString msgBoxCaption;
    QString aboutLinkText;
    QString aboutLinkUrl;
    QString pluginLinkUrl;
    QString buyLinkUrl;
    QString loginLinkUrl;
    QString downloadLinkUrl;

    // The eight texts as the settings hold them, with their defaults.
    static BrandTexts load(const Settings &settings);
};

} // namespace brio
