#pragma once

#include "app/Services.h"

class QWidget;

namespace brio {

class QtPrompter final : public Prompter
{
public:
    Answer show(Icon icon, Buttons buttons, const QString &title, const QString &text) override;
};

class QtShell final : public Shell
{
public:
    bool openUrl(const QString &url) override;
};

} // namespace brio
