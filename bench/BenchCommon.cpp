#include "BenchCommon.h"

#include "store/Database.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace brio::bench {

const QString kSendText = QStringLiteral("Promemoria: domani alle 9 riunione in sede. Rispondere a questo numero.");

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString benchNumber(int i)
{
    return QStringLiteral("+39333%1").arg(i, 7, 10, QLatin1Char('0'));
}

void fillNamedAddressBook(Database &db, int count, quint32 seed)
{
    static const char *const surnames[] = {"Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo",
                                           "Ricci", "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca",
                                           "Mancini", "Costa", "Giordano", "Rizzo", "Lombardi", "Moretti"};
    static const char *const names[] = {"Marco", "Giulia", "Luca", "Francesca", "Andrea", "Chiara", "Paolo",
                                        "Sara", "Matteo", "Elena", "Davide", "Anna", "Simone", "Laura"};
    static const char *const cities[] = {"Roma", "Milano", "Napoli", "Torino", "Palermo", "Genova", "Bologna",
                                         "Firenze", "Bari", "Catania", "Venezia", "Verona", "Messina", "Padova",
                                         "Trieste", "Brescia", "Parma", "Taranto", "Prato", "Modena"};
    QRandomGenerator random(seed);
    Transaction tx(db);
    Statement st = db.prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Citta) VALUES (?, ?, ?)"));
    for (int i = 0; i < count; ++i) {
        const char *surname = surnames[random.bounded(int(std::size(surnames)))];
        const char *name = names[random.bounded(int(std::size(names)))];
        st.bind(1, QStringLiteral("%1 %2 %3").arg(QLatin1String(surname), QLatin1String(name)).arg(random.bounded(100000)))
            .bind(2, benchNumber(i))
            .bind(3, QLatin1String(cities[random.bounded(int(std::size(cities)))]))
            .run();
        st.reset();
    }
    tx.commit();
}

void fillRandomGroups(Database &db, int groups, int members, int contacts, quint32 seed)
{
    QRandomGenerator random(seed);
    Transaction tx(db);
    Statement group = db.prepare(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES (?)"));
    Statement member = db.prepare(QStringLiteral("INSERT OR IGNORE INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"));
    for (int g = 0; g < groups; ++g) {
        group.bind(1, QStringLiteral("Gruppo %1").arg(g, 4, 10, QLatin1Char('0'))).run();
        group.reset();
        const qint64 id = db.lastInsertId();
        for (int m = 0; m < members; ++m) {
            member.bind(1, id).bind(2, qint64(1 + random.bounded(contacts))).run();
            member.reset();
        }
    }
    tx.commit();
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double timeProgram(const char *figure, const QString &program, const QStringList &args, const QByteArray &input,
                   QByteArray *out)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s failed: %s\n", figure, qPrintable(program), p.readAllStandardError().constData());
        std::exit(1);
    }
    const double took = ms(t);
    if (out)
        *out = p.readAllStandardOutput();
    return took;
}

void useOffscreenByDefault()
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void fillAddressBook(Database &db)
{
    Transaction tx(db);
    Statement st = db.prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"));
    for (int i = 0; i < kSendContacts; ++i) {
        st.bind(1, QStringLiteral("Contatto %1").arg(i)).bind(2, benchNumber(i)).run();
        st.reset();
    }
    tx.commit();
}

double timeWholeBookSend(test::SendFixture &f, const char *figure)
{
    f.logIn();
    fillAddressBook(f.env.db());
    f.view.whole = true;
    f.view.text = kSendText;
    f.env.prompter.answer(Answer::Yes);

    QElapsedTimer t;
    t.start();
    const auto outcome = f.send.run();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (outcome != SendProcedure::Outcome::Sent) {
        std::fprintf(stderr, "%s: the send did not go through\n", figure);
        std::exit(1);
    }
    return ms;
}

} // namespace brio::bench
