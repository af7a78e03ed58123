#include "mock/FakeServices.h"

#include <QTest>

namespace brio::test {

Answer FakePrompter::show(Icon icon, Buttons buttons, const QString &title, const QString &text)
{
    shown.append({icon, buttons, title, text});
    if (!m_script.isEmpty())
        return m_script.takeFirst();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    QTest::qFail(qPrintable(QStringLiteral("unexpected question: ") + text), __FILE__, __LINE__);
    return Answer::No;
}

void FakePrompter::answer(Answer a)
{
    m_script.append(a);
}

void FakePrompter::answer(std::initializer_list<Answer> answers)
{
    for (Answer a : answers)
        m_script.append(a);
}

int FakePrompter::pending() const
{
    return int(m_script.size());
}

QStringList FakePrompter::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

const FakePrompter::Shown &FakePrompter::last() const
{
    return shown.constLast();
}

void FakePrompter::clear()
{
    shown.clear();
    m_script.clear();
}

bool FakeShell::openUrl(const QString &url)
{
    opened << url;
    return browserAvailable;
}

QDateTime FakeClock::now() const
{
    return current;
}

QString FakeFileDialog::openFileName(const QString &title, const QString &startPath, const QString &)
{
    return next(title, startPath);
}

QString FakeFileDialog::saveFileName(const QString &title, const QString &startPath, const QString &)
{
    return next(title, startPath);
}

QString FakeFileDialog::next(const QString &title, const QString &startPath)
{
    asked << title;
    startPaths << startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

} // namespace brio::test
