#pragma once

#include "core/Services.h"

#include <QList>
#include <QStringList>

namespace brio::test {

// Answers message boxes from a script and records every one shown. A Yes/No
// question with no scripted answer fails the running test; an OK-only message
// needs no answer.
class FakePrompter final : public Prompter
{
public:
    struct Shown
    {
        Icon icon;
        Buttons buttons;
        QString title;
        QString text;
    };

    Answer show(Icon icon, Buttons buttons, const QString &title, const QString &text) override;

    void answer(Answer a) { m_script.append(a); } // the next prompt gets this answer
    void answer(std::initializer_list<Answer> answers) { m_script.append(answers); }
    int pending() const { return int(m_script.size()); } // scripted answers not used yet
    QStringList texts() const; // every text shown, in order
    const Shown &last() const { return shown.constLast(); }
    void clear();

    QList<Shown> shown;

private:
    QList<Answer> m_script;
};

class FakeShell final : public Shell
{
public:
    bool openUrl(const QString &url) override
    {
        opened << url;
        return browserAvailable;
    }

    QStringList opened;
    bool browserAvailable = true;
};

class FakeClock final : public Clock
{
public:
    QDateTime now() const override { return current; }

    QDateTime current = QDateTime(QDate(2026, 6, 15), QTime(10, 30));
};

// Answers file dialogs from a script (an empty answer is a cancel) and records
// the titles asked.
class FakeFileDialog final : public FileDialog
{
public:
    QString openFileName(const QString &title, const QString &startPath, const QString &) override
    {
        return next(title, startPath);
    }
    QString saveFileName(const QString &title, const QString &startPath, const QString &) override
    {
        return next(title, startPath);
    }

    QStringList answers; // taken from the front; none left means cancel
    QStringList asked;   // titles, in order
    QStringList startPaths;

private:
    QString next(const QString &title, const QString &startPath);
};

} // namespace brio::test
