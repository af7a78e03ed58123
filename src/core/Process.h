#pragma once

#include "core/Services.h"

#include <QList>

class QProcess;

namespace brio {

class QtProcessLauncher final : public ProcessLauncher
{
public:
    QtProcessLauncher() = default;
    ~QtProcessLauncher() override;
    QtProcessLauncher(const QtProcessLauncher &) = delete;
    QtProcessLauncher &operator=(const QtProcessLauncher &) = delete;

    Result runAndWait(const QString &program, const QStringList &arguments, const QByteArray &input) override;
    Result start(const QString &program, const QStringList &arguments, const QByteArray &input) override;

private:
    QList<QProcess *> m_running; // started without waiting, not ended yet
};

} // namespace brio
