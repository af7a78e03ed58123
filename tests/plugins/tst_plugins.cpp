// Descriptor files, the plug-in catalogues and menu, the shipped plug-ins.
#include "mock/TestEnv.h"
#include "plugins/Plugins.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace brio;
using namespace brio::test;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray descriptor(const QString &name, const QString &type, const QString &path = QStringLiteral("prog"))
{
    return QStringLiteral("Name=%1\ndescription=Descrizione di %1\nPath=%2\nType=%3\n").arg(name, path, type).toUtf8();
}

} // namespace

class TestPlugins final : public QObject
{
    Q_OBJECT

private slots:
    void descriptor_data();
    void descriptor();
    void tablesAndMenu();
    void anyNumberListed();
    void shippedRunFromTheirFolder();
};

void TestPlugins::descriptor_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("incomplete");

    QTest::newRow("CR LF") << QByteArray("Name=Backup rubrica\r\ndescription=Copia\r\nPath=backup\r\nType=GENERAL\r\n")
                           << "Backup rubrica" << "backup" << "GENERAL" << false;
    QTest::newRow("LF, no final line end") << QByteArray("Name=Backup rubrica\ndescription=Copia\nPath=backup\nType=GENERAL")
                                           << "Backup rubrica" << "backup" << "GENERAL" << false;
    QTest::newRow("blanks around key and value")
        << QByteArray(" NAME = Rubrica Excel \ndescription=x\nPath=p\nType=Import\n") << "Rubrica Excel" << "p" << "Import" << false;
    QTest::newRow("CR inside a line dropped") << QByteArray("Na\rme=A\rB\ndescription=x\nPath=p\nType=GENERAL\n")
                                              << "AB" << "p" << "GENERAL" << false;
    QTest::newRow("value keeps further =") << QByteArray("Name=a=b\ndescription=x\nPath=p\nType=general\n")
                                           << "a=b" << "p" << "general" << false;
    QTest::newRow("no =") << QByteArray("Name:Rubrica\ndescription=x\nPath=p\nType=GENERAL\n") << "" << "p" << "GENERAL" << true;
    QTest::newRow("= first") << QByteArray("=Rubrica\ndescription=x\nPath=p\nType=GENERAL\n") << "" << "p" << "GENERAL" << true;
    QTest::newRow("keys in another order") << QByteArray("Name=A\nPath=p\ndescription=x\nType=GENERAL\n")
                                           << "A" << "" << "GENERAL" << true;
    QTest::newRow("blank line uses up a key") << QByteArray("Name=A\n\ndescription=x\nPath=p\nType=GENERAL\n")
                                              << "A" << "" << "" << true;
    QTest::newRow("only three lines") << QByteArray("Name=A\ndescription=x\nPath=p\n") << "A" << "p" << "" << true;
    QTest::newRow("lines after the fourth ignored")
        << QByteArray("Name=A\ndescription=x\nPath=p\nType=GENERAL\nName=B\n") << "A" << "p" << "GENERAL" << false;
    QTest::newRow("Windows-1252 name") << QByteArray("Name=Citt\xe0\ndescription=x\nPath=p\nType=GENERAL\n")
                                       << QStringLiteral("Città") << "p" << "GENERAL" << false;
    QTest::newRow("absolute path") << QByteArray("Name=A\ndescription=x\nPath=/bin/sh\nType=GENERAL\n")
                                   << "A" << "/bin/sh" << "GENERAL" << true;
    QTest::newRow("path with ..") << QByteArray("Name=A\ndescription=x\nPath=../BrioSMS.MDB\nType=GENERAL\n")
                                  << "A" << "../BrioSMS.MDB" << "GENERAL" << true;
    QTest::newRow("link pointing out") << QByteArray("Name=A\ndescription=x\nPath=fuori\nType=GENERAL\n")
                                       << "A" << "fuori" << "GENERAL" << true;
    QTest::newRow("subfolder, blanks and quotes")
        << QByteArray("Name=A\ndescription=x\nPath=sub/it's \"mine\"\nType=GENERAL\n") << "A" << "sub/it's \"mine\""
        << "GENERAL" << false;
}

void TestPlugins::descriptor()
{
    QFETCH(QByteArray, content);
    TestEnv env;
    const QDir plugins(env.state.pluginsPath());
    QVERIFY(QFile::link(QStringLiteral("/bin/sh"), plugins.filePath(QStringLiteral("fuori"))));
    writeFile(plugins.filePath(QStringLiteral("a.bpe")), content);

    const PluginDescriptor d = ReadPluginDescriptor(env.state, QStringLiteral("a.bpe"));
    QTEST(d.Name, "name");
    QTEST(d.Path, "path");
    QTEST(d.Type, "type");
    QTEST(d.Incomplete, "incomplete");
}

void TestPlugins::tablesAndMenu()
{
    TestEnv env;
    const QDir plugins(env.state.pluginsPath());
    // Written in reverse, so only sorting by name puts them in order.
    for (int i = 11; i >= 0; --i) {
        writeFile(plugins.filePath(QStringLiteral("g%1.bpe").arg(i, 2, 10, QLatin1Char('0'))),
                  ::descriptor(QStringLiteral("Generale numero %1 con un nome lungo").arg(i), QStringLiteral("General")));
    }
    writeFile(plugins.filePath(QStringLiteral("i.bpe")), ::descriptor(QStringLiteral("Importa"), QStringLiteral("IMPORT")));
    writeFile(plugins.filePath(QStringLiteral("x.bpe")), ::descriptor(QStringLiteral("Altro"), QStringLiteral("ALTRO")));
    writeFile(plugins.filePath(QStringLiteral("z.txt")), ::descriptor(QStringLiteral("Non bpe"), QStringLiteral("GENERAL")));

    const PluginMenu menu = BuildPluginMenu(env.state);
    QCOMPARE(menu.captions.size(), 10);
    QCOMPARE(menu.captions.first(), QStringLiteral("Generale numero 0 co"));
    QCOMPARE(menu.captions.last(), QStringLiteral("Generale numero 9 co"));
    QVERIFY(menu.showOthers);
    QCOMPARE(menu.plugins.size(), 10);
    QCOMPARE(menu.plugins.last().Name, QStringLiteral("Generale numero 9 con un nome lungo"));
    const PluginCatalogue general = PluginCatalogue::read(env.state, PluginCatalogue::Kind::General);
    QCOMPARE(general.at(11)->Name, QStringLiteral("Generale numero 11 con un nome lungo"));

    const PluginCatalogue imports = PluginCatalogue::read(env.state, PluginCatalogue::Kind::Import);
    QCOMPARE(imports.entries().size(), 1);
    QCOMPARE(imports.at(imports.entries().first().index)->Name, QStringLiteral("Importa"));

    // Three fewer: the menu no longer offers the others at nine; a place
    // handed out from the longer list names nothing in the new one, while
    // the catalogue read before still names its plug-in.
    QFile::remove(plugins.filePath(QStringLiteral("g10.bpe")));
    QFile::remove(plugins.filePath(QStringLiteral("g11.bpe")));
    QFile::remove(plugins.filePath(QStringLiteral("g09.bpe")));
    QVERIFY(!BuildPluginMenu(env.state).showOthers);
    const PluginCatalogue fewer = PluginCatalogue::read(env.state, PluginCatalogue::Kind::General);
    QCOMPARE(fewer.size(), 9);
    QVERIFY(!fewer.at(11));
    QVERIFY(!fewer.at(-1));
    QCOMPARE(general.at(11)->Name, QStringLiteral("Generale numero 11 con un nome lungo"));
}

void TestPlugins::anyNumberListed()
{
    TestEnv env;
    const QDir plugins(env.state.pluginsPath());
    for (int i = 0; i < 103; ++i) {
        writeFile(plugins.filePath(QStringLiteral("p%1.bpe").arg(i, 3, 10, QLatin1Char('0'))),
                  ::descriptor(QStringLiteral("P%1").arg(i), QStringLiteral("IMPORT")));
    }
    const PluginCatalogue imports = PluginCatalogue::read(env.state, PluginCatalogue::Kind::Import);
    QCOMPARE(imports.entries().size(), 103);
    QCOMPARE(imports.at(102)->Name, QStringLiteral("P102"));
}

void TestPlugins::shippedRunFromTheirFolder()
{
    TestEnv env;
    // The build's own, found as the program finds them.
    QVERIFY(QFileInfo::exists(QDir(shippedPluginsFolder()).filePath(QStringLiteral("importa-csv.bpe"))));

    QTemporaryDir shippedDir;
    const QDir shipped(shippedDir.path());
    const QDir plugins(env.state.pluginsPath());
    writeFile(shipped.filePath(QStringLiteral("importa-csv.bpe")),
              ::descriptor(QStringLiteral("Importa da CSV"), QStringLiteral("IMPORT"), QStringLiteral("importa")));
    writeFile(shipped.filePath(QStringLiteral("importa")), "nuovo");
    // A copy an earlier version left, and the user's own plug-in.
    writeFile(plugins.filePath(QStringLiteral("importa-csv.bpe")),
              ::descriptor(QStringLiteral("Copia vecchia"), QStringLiteral("IMPORT"), QStringLiteral("importa")));
    writeFile(plugins.filePath(QStringLiteral("importa")), "vecchio");
    writeFile(plugins.filePath(QStringLiteral("mio.bpe")), ::descriptor(QStringLiteral("Mio"), QStringLiteral("IMPORT")));
    env.state.ShippedPluginsDir = shipped.path();

    const auto names = [&env] {
        QStringList out;
        for (const PluginListEntry &e : PluginCatalogue::read(env.state, PluginCatalogue::Kind::Import).entries())
            out << e.name;
        return out;
    };
    QCOMPARE(names(), QStringList({QStringLiteral("Importa da CSV"), QStringLiteral("Mio")}));
    const PluginCatalogue imports = PluginCatalogue::read(env.state, PluginCatalogue::Kind::Import);
    const PluginDescriptor &csv = *imports.at(0);
    QCOMPARE(pluginProgram(csv.Folder, csv.Path), shipped.absoluteFilePath(QStringLiteral("importa")));
    const PluginDescriptor &own = *imports.at(1);
    QCOMPARE(pluginProgram(own.Folder, own.Path), plugins.absoluteFilePath(QStringLiteral("prog")));

    QVERIFY(removeOldShippedCopies(plugins.path(), shipped.path()));
    QCOMPARE(plugins.entryList(QDir::Files), QStringList({QStringLiteral("mio.bpe")}));
    QCOMPARE(names(), QStringList({QStringLiteral("Importa da CSV"), QStringLiteral("Mio")}));
}

QTEST_GUILESS_MAIN(TestPlugins)
#include "tst_plugins.moc"
