#include "BenchCommon.h"

#include "store/Database.h"

#include <QElapsedTimer>
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
    QRandomGenerator random(seed);
    Transaction tx(db);
    Statement st = db.prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"));
    for (int i = 0; i < count; ++i) {
        const char *surname = surnames[random.bounded(int(std::size(surnames)))];
        const char *name = names[random.bounded(int(std::size(names)))];
        st.bind(1, QStringLiteral("%1 %2 %3").arg(QLatin1String(surname), QLatin1String(name)).arg(random.bounded(100000)))
            .bind(2, benchNumber(i))
            .run();
        st.reset();
    }
    tx.commit();
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
