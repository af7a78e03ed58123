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

QStringList FakePrompter::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

void FakePrompter::clear()
{
    shown.clear();
    m_script.clear();
}

QString FakeFileDialog::next(const QString &title, const QString &startPath)
{
    asked << title;
    startPaths << startPath;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

} // namespace brio::test
