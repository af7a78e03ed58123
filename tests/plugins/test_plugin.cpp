// A plug-in for the tests; what it does follows from its file name:
// "record" writes its arguments and standard input beside itself and leaves a
// number and a text in the message, "exit3" ends with code 3, "crash" aborts,
// "writer" adds 10,000 contacts in small transactions.
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdlib>
#include <iostream>
#include <string>

using namespace brio;

int main(int argc, char *argv[])
{
    std::string key;
    std::getline(std::cin, key);
    QCoreApplication app(argc, argv);
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (name.contains(QLatin1String("crash")))
        std::abort();
    if (name.contains(QLatin1String("exit3")))
        return 3;
    auto db = Database::open(args.value(0), QString::fromStdString(key));
    if (name.contains(QLatin1String("writer"))) {
        constexpr int kContacts = 10000;
        constexpr int kBatch = 50;
        for (int i = 0; i < kContacts; i += kBatch) {
            Transaction t(*db);
            Statement insert = db->prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"));
            for (int k = i; k < i + kBatch; ++k) {
                insert.bindAll({QStringLiteral("Plugin %1").arg(k), QStringLiteral("+39347%1").arg(k, 7, 10, QLatin1Char('0'))});
                insert.run();
                insert.reset();
            }
            t.commit();
        }
        return 0;
    }
    QFile record(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("record.txt")));
    if (!record.open(QIODevice::WriteOnly))
        return 1;
    for (const QString &a : args)
        record.write("arg:" + a.toUtf8() + '\n');
    record.write("stdin:" + QByteArray::fromStdString(key) + '\n');
    db->run(QStringLiteral("INSERT OR IGNORE INTO tab_dest_number (Numero) VALUES ('+393330000001')"));
    db->run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES ('dal plugin')"));
    QThread::msleep(300); // long enough for the test to see the main window wait
    return 0;
}
