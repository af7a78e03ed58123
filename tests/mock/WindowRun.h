#pragma once

#include "mock/TestEnv.h"
#include "mock/Widgets.h"

#include <QVariantList>
#include <QWidget>
#include <memory>

class QAction;

namespace brio {
class MainWindow;
}

namespace brio::test {

// The program's main window over a TestEnv: what every window test starts
// from. The window is built by open(), so a test can first shape the run
// (settings, plug-ins, arguments); the windows it opened are deleted with it.
// Tests derive from it to add their own contacts and steps.
class WindowRun
{
public:
    enum Start { Later, Open, OpenShown };
    explicit WindowRun(Start start = OpenShown, bool fakeGateway = true);
    ~WindowRun();

    MainWindow &open(bool show = true);

    template<typename T>
    T *get(const char *name) const { return child<T>(*mainObject(), name); }
    void command(const char *action) const;

    // The visible windows of that objectName; the last, or nullptr.
    static QWidget *shown(const char *name);
    static QWidgetList allShown(const char *name);
    // The visible window of that objectName, which must be there.
    static QWidget &window(const char *name);
    template<typename T>
    static T *in(const char *window, const char *name) { return child<T>(WindowRun::window(window), name); }

    qint64 rows(const QString &sql, const QVariantList &params = {});
    qint64 contacts();
    qint64 count(const char *table);

    // The main window's steps as a user takes them; send() answers Yes to
    // its question.
    void addNumber(const QString &prefix, const QString &number) const;
    void typeText(const QString &text) const;
    void send();
    QString panel(int n) const;

    TestEnv env;
    std::unique_ptr<MainWindow> main;

private:
    const QObject *mainObject() const;
};

} // namespace brio::test
