// Every window, driven by the keys a user presses and read in each language:
// Enter on a focused button runs that button and Enter in a text box the
// window's default; each access key (Alt+letter) belongs to one control of
// the window and reaches it; in English no caption is left in Italian or cut
// short; a screen reader finds every list named, every drop-down list
// labelled and no mnemonic marker read aloud. BRIOSMS_SCREENSHOTS=folder
// saves each window there.
#include "app/UiLanguage.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"

#include "CsvPreviewDialog.h"
#include "ExportDialog.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/ContactSearchWindow.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/groups/GroupManagementWindow.h"
#include "ui/groups/GroupMembersWindow.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui/help/HelpWindow.h"
#include "ui/history/SentHistoryWindow.h"
#include "ui/import/ImportBrio1Window.h"
#include "ui/login/LoginWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/misc/AboutWindow.h"
#include "ui/options/ChangePasswordWindow.h"
#include "ui/options/OptionsWindow.h"
#include "ui/options/PasswordWindow.h"
#include "ui/plugins/ImportWindow.h"
#include "ui/plugins/PluginsWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>

using namespace brio;
using namespace brio::test;

namespace {

using Factory = std::function<QWidget *(TestEnv &)>;

struct Window
{
    const char *name;
    Factory make;
};

QWidget *mainWindowIn(TestEnv &env, const char *mode)
{
    auto *w = new MainWindow(*env.ctx);
    if (mode)
        w->findChild<QRadioButton *>(QLatin1String(mode))->click();
    return w;
}

const QList<Window> &windows()
{
    static const QList<Window> all{
        {"frmMain, whole book", [](TestEnv &env) { return mainWindowIn(env, nullptr); }},
        {"frmMain, single", [](TestEnv &env) { return mainWindowIn(env, "opt_invio_singolo"); }},
        {"frmMain, group", [](TestEnv &env) { return mainWindowIn(env, "opt_invio_gruppo"); }},
        {"frmTrovaDestinatari", [](TestEnv &env) -> QWidget * { return new RecipientPicker(*env.ctx); }},
        {"frmContatto, new", [](TestEnv &env) -> QWidget * { return new ContactEditor(*env.ctx); }},
        {"frmContatto, modify",
         [](TestEnv &env) -> QWidget * {
             return new ContactEditor(*env.ctx, nullptr,
                                      env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111")));
         }},
        {"frmTrovaContatti", [](TestEnv &env) -> QWidget * { return new ContactSearchWindow(*env.ctx); }},
        {"frmGestioneGruppi", [](TestEnv &env) -> QWidget * { return new GroupManagementWindow(*env.ctx); }},
        {"frmGruppi",
         [](TestEnv &env) -> QWidget * { return new GroupMembersWindow(*env.ctx, env.addGroup(QStringLiteral("Amici"))); }},
        {"frmNuovoGruppo", [](TestEnv &env) -> QWidget * { return new NewGroupWindow(*env.ctx); }},
        {"help", [](TestEnv &env) -> QWidget * { return new HelpWindow(*env.ctx); }},
        {"history", [](TestEnv &env) -> QWidget * { return new SentHistoryWindow(*env.ctx); }},
        {"old book import", [](TestEnv &env) -> QWidget * { return new ImportBrio1Window(*env.ctx); }},
        {"frmLogin", [](TestEnv &env) -> QWidget * { return new LoginWindow(*env.ctx); }},
        {"about", [](TestEnv &env) -> QWidget * { return new AboutWindow(*env.ctx); }},
        {"frmModificaPassword", [](TestEnv &env) -> QWidget * { return new ChangePasswordWindow(*env.ctx); }},
        {"frmOpzioni", [](TestEnv &env) -> QWidget * { return new OptionsWindow(*env.ctx); }},
        {"frmPassword", [](TestEnv &env) -> QWidget * { return new PasswordWindow(*env.ctx); }},
        {"plug-in import", [](TestEnv &env) -> QWidget * { return new ImportWindow(*env.ctx); }},
        {"plug-ins", [](TestEnv &env) -> QWidget * { return new PluginsWindow(*env.ctx); }},
        {"CSV preview", [](TestEnv &) -> QWidget * { return new kit::CsvPreviewDialog([](const QString &) { return kit::CsvPreview{}; }, QStringLiteral("clienti.csv")); }},
        {"export", [](TestEnv &) -> QWidget * { return new kit::ExportDialog({{7, QStringLiteral("Clienti")}}); }},
    };
    return all;
}

// A control the window reaches by an access key: a button is clicked, a
// label's buddy or a group box's first control takes the focus.
struct Owner
{
    QPointer<QWidget> control;
    QString caption;
};

QString captionOf(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->buddy() ? l->text() : QString();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    return QString();
}

// The window's controls now on screen, with their buttons' clicks recorded
// and no longer handled: the keys are under test, not what the buttons do.
class Opened final
{
public:
    explicit Opened(QWidget *window)
        : m_window(window)
    {
        m_window->show();
        m_window->activateWindow();
        for (QAbstractButton *b : m_window->findChildren<QAbstractButton *>()) {
            if (b->window() != m_window)
                continue;
            QObject::disconnect(b, nullptr, nullptr, nullptr);
            m_clicks.insert(b, new QSignalSpy(b, &QAbstractButton::clicked));
        }
    }
    ~Opened()
    {
        qDeleteAll(m_clicks);
        delete m_window;
    }

    QWidget *window() const { return m_window; }

    // The buttons clicked since the last call, by objectName.
    QStringList clicked()
    {
        QStringList out;
        for (auto it = m_clicks.begin(); it != m_clicks.end(); ++it) {
            for (qsizetype i = 0; i < it.value()->count(); ++i)
                out << it.key()->objectName();
            it.value()->clear();
        }
        out.sort();
        return out;
    }

    QList<QPushButton *> focusableButtons() const
    {
        QList<QPushButton *> out;
        for (QPushButton *b : m_window->findChildren<QPushButton *>()) {
            if (b->window() == m_window && b->isVisibleTo(m_window) && b->isEnabled() && (b->focusPolicy() & Qt::TabFocus))
                out << b;
        }
        return out;
    }

    // Access key -> the controls on screen whose caption claims it, the
    // menu titles included.
    QMap<QChar, QList<Owner>> accessKeys() const
    {
        QMap<QChar, QList<Owner>> keys;
        auto claim = [&keys](QWidget *control, const QString &caption) {
            const QKeySequence key = QKeySequence::mnemonic(caption);
            if (!key.isEmpty())
                keys[QChar(key[0].key()).toUpper()].append({control, caption});
        };
        for (QWidget *w : m_window->findChildren<QWidget *>()) {
            if (w->window() == m_window && w->isVisibleTo(m_window))
                claim(w, captionOf(w));
        }
        if (auto *main = qobject_cast<QMainWindow *>(m_window); main && main->menuBar()) {
            for (QAction *menu : main->menuBar()->actions()) {
                if (menu->isVisible())
                    claim(nullptr, menu->text());
            }
        }
        return keys;
    }

    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(m_window->windowHandle(), Qt::Key(key), mods);
    }

private:
    QWidget *m_window;
    QMap<QAbstractButton *, QSignalSpy *> m_clicks;
};

QString withoutAccessKey(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.trimmed();
}

// The Italian sources of the translation file that English writes otherwise:
// seen in a window, they were left untranslated.
QSet<QString> italianOnlyTexts()
{
    QFile file(QStringLiteral(BRIOSMS_TS_FILE));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the translation file");
    QXmlStreamReader xml(&file);
    QSet<QString> sources;
    QSet<QString> translations;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source"))
            sources.insert(withoutAccessKey(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
        else if (xml.name() == QLatin1String("translation"))
            translations.insert(withoutAccessKey(xml.readElementText(QXmlStreamReader::IncludeChildElements)));
    }
    return sources - translations;
}

// Words no English caption has; they give away a text written in the code
// without tr().
bool looksItalian(const QString &text)
{
    static const QStringList list = QStringLiteral("il della dei delle nella nel che gli sono è chiudi annulla elimina "
                                                   "inserisci modifica rubrica gruppo gruppi invia cerca nuovo contatti "
                                                   "contatto messaggi destinatari invio credito utente")
                                        .split(QLatin1Char(' '));
    static const QSet<QString> words(list.cbegin(), list.cend());
    static const QRegularExpression split(QStringLiteral("[^\\w]+"), QRegularExpression::UseUnicodePropertiesOption);
    const QStringList parts = text.toLower().split(split, Qt::SkipEmptyParts);
    return std::any_of(parts.cbegin(), parts.cend(), [](const QString &w) { return words.contains(w); });
}

struct Finding
{
    QStringList italian;
    QStringList cut;
};

void look(const QString &where, const QString &raw, const QSet<QString> &italianOnly, Finding &f)
{
    const QString text = withoutAccessKey(raw);
    if (text.isEmpty())
        return;
    if (italianOnly.contains(text) || looksItalian(text))
        f.italian << where + QStringLiteral(": ") + text;
}

// Every caption a user reads in the window: titles, labels, buttons, frames,
// menus and their items, tool tips, placeholders, tabs, column headings, the
// entries of fixed lists.
void inspect(QWidget &window, const QSet<QString> &italianOnly, Finding &f)
{
    QObjectList all = window.findChildren<QObject *>();
    all.prepend(&window);
    for (QObject *o : std::as_const(all)) {
        const QString where = window.objectName() + QLatin1Char('/') + o->objectName();
        for (const char *p : {"windowTitle", "title", "text", "toolTip", "accessibleName", "placeholderText"}) {
            if (qstrcmp(p, "text") != 0 || !qobject_cast<QLineEdit *>(o)) // a text box's text is data
                look(where + QLatin1Char(' ') + QLatin1String(p), o->property(p).toString(), italianOnly, f);
        }
        if (auto *label = qobject_cast<QLabel *>(o)) {
            const bool shown = label->isVisible() && !label->text().isEmpty();
            if (shown && !label->wordWrap() && label->width() < label->minimumSizeHint().width())
                f.cut << where + QStringLiteral(": ") + label->text();
            if (shown && label->wordWrap() && label->height() < label->heightForWidth(label->width()))
                f.cut << where + QStringLiteral(" (lines): ") + label->text();
        } else if (auto *button = qobject_cast<QAbstractButton *>(o)) {
            if (button->isVisible() && !button->text().isEmpty() && button->width() < button->minimumSizeHint().width())
                f.cut << where + QStringLiteral(": ") + button->text();
        } else if (auto *tabs = qobject_cast<QTabWidget *>(o)) {
            for (int i = 0; i < tabs->count(); ++i)
                look(where, tabs->tabText(i), italianOnly, f);
        } else if (auto *combo = qobject_cast<QComboBox *>(o)) {
            for (const QString &item : itemTexts(combo)) {
                if (italianOnly.contains(withoutAccessKey(item)))
                    f.italian << where + QStringLiteral(": ") + item;
            }
        } else if (auto *header = qobject_cast<QHeaderView *>(o); header && header->model()) {
            for (int i = 0; i < header->model()->columnCount(); ++i)
                look(where, header->model()->headerData(i, header->orientation()).toString(), italianOnly, f);
        }
    }
}

// What a screen reader would read wrongly in the tree below `node`: a
// mnemonic marker read as an ampersand, a list without a name, a drop-down
// list without its label (on Linux Qt gives its value as its name, so the
// label comes from the buddy relation alone).
void readAloud(const QString &window, QAccessibleInterface *node, int depth, QStringList &faults)
{
    static const QRegularExpression marker(QStringLiteral("(?<!&)&[^&\\s]"));
    if (!node || !node->isValid() || depth > 12) // item views keep interfaces of gone rows
        return;
    for (const QAccessible::Text t : {QAccessible::Name, QAccessible::Description}) {
        const QString text = node->text(t);
        if (QString(text).remove(QStringLiteral("&&")).contains(marker))
            faults << QStringLiteral("%1: marker in '%2'").arg(window, text);
    }
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
        readAloud(window, node->child(i), depth + 1, faults);
}

} // namespace

class TestEveryWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_italianOnly = italianOnlyTexts(); }

    void window_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("language");
        for (const char *language : {"it", "en"}) {
            for (int i = 0; i < windows().size(); ++i)
                QTest::addRow("%s, %s", windows().at(i).name, language) << i << QString::fromLatin1(language);
        }
    }

    void window()
    {
        QFETCH(int, window);
        QFETCH(QString, language);
        const UiLanguage shown(language, QString());
        TestEnv env;
        Opened opened(windows().at(window).make(env));
        QWidget *w = opened.window();
        QVERIFY(QTest::qWaitForWindowActive(w));
        screenshot(*w, qPrintable(QString::fromLatin1(windows().at(window).name) + QLatin1Char('-') + language));
        QStringList unread;
        readAloud(w->objectName(), QAccessible::queryAccessibleInterface(w), 0, unread);
        QVERIFY2(unread.isEmpty(), qPrintable(unread.join(QLatin1Char('\n'))));
        if (language == QLatin1String("en")) {
            QVERIFY(m_italianOnly.size() > 300);
            Finding found;
            inspect(*w, m_italianOnly, found);
            QVERIFY2(found.italian.isEmpty(), qPrintable(QStringLiteral("left in Italian:\n") + found.italian.join(QLatin1Char('\n'))));
            QVERIFY2(found.cut.isEmpty(), qPrintable(QStringLiteral("cut short:\n") + found.cut.join(QLatin1Char('\n'))));
        }

        // Enter on each focused button runs that one, not the default.
        const QList<QPushButton *> buttons = opened.focusableButtons();
        QPushButton *defaultButton = nullptr;
        for (QPushButton *b : buttons) {
            if (b->isDefault())
                defaultButton = b;
        }
        for (QPushButton *b : buttons) {
            b->setFocus(Qt::TabFocusReason);
            QVERIFY(b->hasFocus());
            opened.press(Qt::Key_Return);
            QCOMPARE(opened.clicked(), QStringList{b->objectName()});
        }
        // Enter in a text box runs the default button, when there is one.
        for (QLineEdit *edit : w->findChildren<QLineEdit *>()) {
            if (!edit->isVisibleTo(w) || !edit->isEnabled() || edit->isReadOnly() || !(edit->focusPolicy() & Qt::TabFocus)
                || qobject_cast<QWidget *>(edit->parent()) != edit->parentWidget() || edit->window() != w)
                continue;
            edit->setFocus(Qt::TabFocusReason);
            opened.press(Qt::Key_Return);
            QCOMPARE(opened.clicked(), defaultButton ? QStringList{defaultButton->objectName()} : QStringList{});
            break;
        }

        // One control per access key, and the key reaches it.
        const QMap<QChar, QList<Owner>> keys = opened.accessKeys();
        QStringList shared;
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            if (it.value().size() > 1) {
                QStringList captions;
                for (const Owner &o : it.value())
                    captions << o.caption;
                shared << QStringLiteral("Alt+%1: %2").arg(it.key(), captions.join(QStringLiteral(", ")));
            }
        }
        QVERIFY2(shared.isEmpty(), qPrintable(shared.join(QLatin1Char('\n'))));
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            QWidget *control = it.value().constFirst().control;
            auto *label = qobject_cast<QLabel *>(control);
            if (!control || !control->isEnabled() || (label && !label->buddy()->isEnabled()))
                continue;
            const QByteArray what = (QStringLiteral("Alt+%1 ").arg(it.key()) + it.value().constFirst().caption).toUtf8();
            if (QWidget *focus = QApplication::focusWidget())
                focus->clearFocus(); // away from the control
            opened.press(it.key().unicode(), Qt::AltModifier);
            if (qobject_cast<QAbstractButton *>(control)) {
                // A button's access key clicks it after a short press animation.
                QStringList got;
                QTRY_VERIFY2(!(got += opened.clicked()).isEmpty(), what.constData());
                QVERIFY2(got == QStringList{control->objectName()}, qPrintable(got.join(QLatin1Char(' '))));
                continue;
            }
            QWidget *target = label ? label->buddy() : control;
            QTRY_VERIFY2(QApplication::focusWidget() && (QApplication::focusWidget() == target
                                                         || target->isAncestorOf(QApplication::focusWidget())),
                         what.constData());
        }
    }

    // The help opens its English pages, and the Italian stay for Italian.
    void helpInEnglish()
    {
        TestEnv env;
        for (const bool english : {true, false}) {
            const UiLanguage language(english ? QStringLiteral("en") : QStringLiteral("it"), QString());
            HelpWindow help(*env.ctx);
            help.showPage(QStringLiteral("rubrica.html"));
            const QString text = child<QTextBrowser>(help, "txtPagina")->toPlainText();
            QVERIFY2(text.contains(english ? QStringLiteral("The address book") : QStringLiteral("La rubrica")), qPrintable(text));
            QVERIFY(help.windowTitle().startsWith(english ? QStringLiteral("BrioSMS Help - ") : QStringLiteral("Guida di BrioSMS - ")));
        }
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
            QVERIFY(focused && focused->isChecked());
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

private:
    QSet<QString> m_italianOnly;
};

QTEST_MAIN(TestEveryWindow)
#include "tst_everywindow.moc"
