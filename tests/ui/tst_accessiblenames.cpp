// Screen readers read accessible names and descriptions aloud: a mnemonic
// marker in them is read as an ampersand. Every window the program can show
// is opened the way the user opens it (the menus and tool bar of the main
// window, then the buttons of what they open), so windows added later are
// walked too.
#include "mock/TestEnv.h"

#include "ui/AppWindows.h"
#include "ui/login/LoginWindow.h"
#include "ui/main/MainWindow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

// A single '&' before a character: "Aggi&ungi"; "&&" and "Rossi & figli" are
// no markers.
bool hasMnemonic(QString text)
{
    static const QRegularExpression marker(QStringLiteral("(?<!&)&[^&\\s]"));
    return text.remove(QStringLiteral("&&")).contains(marker);
}

class Walk final
{
public:
    QSet<QString> windows;   // objectNames of the windows walked
    QStringList faults;      // "window: role 'text'"

    void check(QWidget *window)
    {
        if (!window || m_checked.contains(window))
            return;
        m_checked.insert(window);
        windows.insert(window->objectName());
        checkTree(window->objectName(), QAccessible::queryAccessibleInterface(window), 0);
    }

    // Every window now on screen; the modal ones are closed after the walk,
    // as the user would.
    void checkShown()
    {
        const QWidgetList all = QApplication::topLevelWidgets();
        for (QWidget *w : all) {
            if (w->isVisible() && !qobject_cast<QMenu *>(w))
                check(w);
        }
        if (QWidget *modal = QApplication::activeModalWidget()) {
            check(modal);
            modal->close();
        }
    }

private:
    void checkTree(const QString &window, QAccessibleInterface *node, int depth)
    {
        if (!node || depth > 12)
            return;
        for (const QAccessible::Text t : {QAccessible::Name, QAccessible::Description}) {
            const QString text = node->text(t);
            if (hasMnemonic(text))
                faults << QStringLiteral("%1: %2 '%3'")
                              .arg(window, t == QAccessible::Name ? QStringLiteral("name") : QStringLiteral("description"),
                                   text);
        }
        // A list is read by its name; a drop-down list by its label: on
        // Linux Qt gives a drop-down list's value as its name, so the screen
        // reader takes the label from the buddy relation alone.
        const QAccessible::Role role = node->role();
        QWidget *widget = qobject_cast<QWidget *>(node->object());
        const bool ownList = widget && !qobject_cast<QComboBox *>(widget->parentWidget())
                             && !(widget->parentWidget() && qobject_cast<QComboBox *>(widget->parentWidget()->parentWidget()));
        if (ownList && (role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree)
            && node->text(QAccessible::Name).isEmpty())
            faults << QStringLiteral("%1: list %2 has no name").arg(window, widget->objectName());
        if (widget && role == QAccessible::ComboBox && node->relations(QAccessible::Label).isEmpty())
            faults << QStringLiteral("%1: drop-down list %2 has no label").arg(window, widget->objectName());
        const int children = qMin(node->childCount(), 200); // long lists hold only data
        for (int i = 0; i < children; ++i)
            checkTree(window, node->child(i), depth + 1);
    }

    QSet<QWidget *> m_checked;
};

} // namespace

class TestAccessibleNames final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noWindowReadsAMnemonicMarker()
    {
        TestEnv env;
        env.session.setServerChecksDone(true);
        AppWindows windows(*env.ctx);
        env.ctx->windowsImpl = &windows;
        // Every question is answered No: walking must change nothing.
        for (int i = 0; i < 200; ++i)
            env.prompter.answer(Answer::No);

        Walk walk;
        QTimer watcher; // closes the modal windows once walked
        QObject::connect(&watcher, &QTimer::timeout, [&walk] { walk.checkShown(); });
        watcher.start(20);

        windows.showPasswordWindow();
        windows.showLoginWindow();
        windows.showMainWindow();
        MainWindow *main = windows.mainWindow();
        QVERIFY(main);
        walk.check(main);

        const QList<QAction *> actions = main->findChildren<QAction *>();
        for (QAction *action : actions) {
            if (action->objectName() == QLatin1String("mnuEsci") || action->menu())
                continue;
            const QWidgetList before = QApplication::topLevelWidgets();
            action->trigger();
            QApplication::processEvents();
            walk.checkShown();
            // One level further: what the buttons of a newly opened window open.
            QList<QPointer<QWidget>> opened;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!before.contains(w) && w != main && !qobject_cast<QMenu *>(w))
                    opened << w;
            }
            for (const QPointer<QWidget> &window : opened) {
                if (!window || !window->isVisible())
                    continue;
                QList<QPointer<QPushButton>> buttons;
                for (QPushButton *b : window->findChildren<QPushButton *>())
                    buttons << b;
                for (const QPointer<QPushButton> &b : buttons) {
                    if (!window || !b || !b->isVisible() || !b->isEnabled())
                        continue;
                    b->click();
                    QApplication::processEvents();
                    walk.checkShown();
                }
                if (window)
                    window->close();
            }
        }
        watcher.stop();

        QVERIFY2(walk.faults.isEmpty(), qPrintable(walk.faults.join(QLatin1Char('\n'))));
        // The walk reached the windows behind the menus, not only the main one.
        for (const char *name : {"frmMain", "frmPassword", "frmLogin", "frmOpzioni", "frmModificaPassword"})
            QVERIFY2(walk.windows.contains(QLatin1String(name)), name);
    }

    // Without a mouse: the main window starts on the checked way of sending,
    // and the login window's registration link is reached by Tab and opened
    // by Space.
    void keyboardReachesWhatIsRead()
    {
        TestEnv env;
        env.session.setServerChecksDone(true);
        {
            MainWindow main(*env.ctx);
            main.show();
            QVERIFY(QTest::qWaitForWindowActive(&main));
            auto *focused = qobject_cast<QRadioButton *>(QApplication::focusWidget());
            QVERIFY(focused);
            QVERIFY(focused->isChecked());
        }

        LoginWindow login(*env.ctx);
        login.show();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        QWidget *link = nullptr;
        for (int i = 0; i < 10 && !link; ++i) {
            QTest::keyClick(login.windowHandle(), Qt::Key_Tab);
            auto *label = qobject_cast<QLabel *>(QApplication::focusWidget());
            if (label && label->text() == QLatin1String("Registrati adesso!"))
                link = label;
        }
        QVERIFY(link);
        QTest::keyClick(login.windowHandle(), Qt::Key_Space);
        QCOMPARE(env.shell.opened.size(), 1);
    }
};

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
