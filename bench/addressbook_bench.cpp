// The address-book windows on a book of 100,000 contacts, each figure
// against the plain engine doing the same rows:
//   picker-open: opening the recipient picker on the whole book, and showing
//     a group of 5,000 members, against the query of those rows in order;
//   picker-typeahead: a key typed in txt_key selecting the first match,
//     against a plain scan of the same texts for that substring;
//   contact-save: saving one contact with five windows subscribed to the
//     notifier, against the plain insert of that row.
#include "BenchCommon.h"
#include "mock/FakeGateway.h"
#include "mock/TestEnv.h"

#include "addressbook/Contacts.h"
#include "addressbook/ListEntries.h"
#include "store/Database.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

using namespace brio;
using brio::bench::median;
using brio::bench::ms;

namespace {

constexpr int kContacts = 100000;
constexpr int kGroupMembers = 5000;
constexpr int kRounds = 5;
constexpr int kSaves = 200;
volatile size_t g_sink = 0;

qint64 fill(Database &db)
{
    bench::fillNamedAddressBook(db, kContacts, 20261207);
    Transaction tx(db);
    db.run(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES ('Clienti')"));
    const qint64 group = db.lastInsertId();
    db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) SELECT ?, IDDestinatario FROM "
                          "tab_destinatari WHERE IDDestinatario % 20 = 0"),
           {group});
    tx.commit();
    return group;
}

// The rows of one list read with nothing but the engine.
double plainQueryMs(Database &db, const char *sql, qint64 group)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db.handle(), sql, -1, &st, nullptr);
    if (group)
        sqlite3_bind_int64(st, 1, group);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        bytes += size_t(sqlite3_column_int64(st, 0)) + size_t(sqlite3_column_bytes(st, 1))
               + size_t(sqlite3_column_bytes(st, 2));
    sqlite3_finalize(st);
    g_sink = bytes;
    return double(t.nsecsElapsed()) / 1e6;
}

void figure(const char *name, double ratio, double target)
{
    std::printf("%s: %.2f x (target <= %g) %s\n", name, ratio, target, ratio <= target ? "PASS" : "MISS");
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    test::TestEnv env;
    env.ctx->makeGateway = [] { return std::unique_ptr<GatewayControl>(std::make_unique<test::FakeGateway>()); };
    const qint64 group = fill(env.db());
    const char *wholeSql = "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari ORDER BY Nominativo COLLATE NOCASE";
    const char *groupSql = "SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari WHERE IDDestinatario IN "
                           "(SELECT ID_Membro FROM tab_membri WHERE ID_Lista = ?) ORDER BY Nominativo COLLATE NOCASE";

    // picker-open
    QList<double> plainWhole, plainGroup, openWhole, openGroup;
    for (int round = 0; round < kRounds; ++round) {
        plainWhole << plainQueryMs(env.db(), wholeSql, 0);
        plainGroup << plainQueryMs(env.db(), groupSql, group);
        QElapsedTimer t;
        t.start();
        auto picker = std::make_unique<RecipientPicker>(*env.ctx);
        picker->show();
        QApplication::processEvents();
        openWhole << ms(t);
        auto *groups = picker->findChild<QComboBox *>(QStringLiteral("cb_gruppi"));
        t.restart();
        groups->setCurrentIndex(1);
        QApplication::processEvents();
        openGroup << ms(t);
        auto *list = picker->findChild<QListView *>(QStringLiteral("lst_elenco"));
        if (list->model()->rowCount() != kGroupMembers) {
            std::fprintf(stderr, "picker-open: the group shows %d entries\n", list->model()->rowCount());
            return 1;
        }
    }
    const double wholeRatio = median(openWhole) / median(plainWhole);
    const double groupRatio = median(openGroup) / median(plainGroup);
    std::printf("# picker-open: whole book %.1f ms (query %.1f ms), group of %d %.1f ms (query %.1f ms)\n",
                median(openWhole), median(plainWhole), kGroupMembers, median(openGroup), median(plainGroup));
    figure("picker-open", std::max(wholeRatio, groupRatio), 3);

    // picker-typeahead: the key matches only the last entry of the list.
    auto picker = std::make_unique<RecipientPicker>(*env.ctx);
    picker->show();
    QApplication::processEvents();
    auto *list = picker->findChild<QListView *>(QStringLiteral("lst_elenco"));
    auto *key = picker->findChild<QLineEdit *>(QStringLiteral("txt_key"));
    const int last = list->model()->rowCount() - 1;
    const QString lastText = list->model()->index(last, 0).data().toString();
    const QString wanted = lastText.mid(lastText.lastIndexOf(QLatin1Char(',')) + 1); // its number
    QStringList texts;
    for (int row = 0; row <= last; ++row)
        texts << list->model()->index(row, 0).data().toString();
    QList<double> plainScan, typed;
    for (int round = 0; round < kRounds * 4; ++round) {
        QElapsedTimer t;
        t.start();
        int found = -1;
        for (int row = 0; row < texts.size() && found < 0; ++row) {
            if (texts.at(row).contains(wanted, Qt::CaseInsensitive))
                found = row;
        }
        plainScan << ms(t);
        g_sink = size_t(found);
        key->clear();
        list->clearSelection();
        QApplication::processEvents();
        t.restart();
        key->setText(wanted);
        QApplication::processEvents();
        typed << ms(t);
        if (list->currentIndex().row() != found) {
            std::fprintf(stderr, "picker-typeahead: selected row %d, the scan found %d\n", list->currentIndex().row(),
                         found);
            return 1;
        }
    }
    std::printf("# picker-typeahead: %.2f ms, plain scan %.2f ms\n", median(typed), median(plainScan));
    figure("picker-typeahead", median(typed) / median(plainScan), 2);

    // contact-save: the main window and the picker on the whole book, and
    // three pickers on the group, all subscribed.
    auto main = std::make_unique<MainWindow>(*env.ctx);
    main->show();
    std::vector<std::unique_ptr<RecipientPicker>> more;
    for (int i = 0; i < 3; ++i) {
        more.push_back(std::make_unique<RecipientPicker>(*env.ctx));
        more.back()->show();
        more.back()->findChild<QComboBox *>(QStringLiteral("cb_gruppi"))->setCurrentIndex(1);
    }
    QApplication::processEvents();
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(env.db().handle(),
                       "INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, "
                       "e_mail, DataNascita, Sesso) VALUES (?, ?, NULL, NULL, NULL, NULL, NULL, NULL, ?, ?)",
                       -1, &insert, nullptr);
    QList<double> plainInsert, saves;
    for (int i = 0; i < kSaves; ++i) {
        const QByteArray name = QStringLiteral("Nuovo Contatto %1").arg(i).toUtf8();
        const QByteArray number = bench::benchNumber(kContacts + 2 * i).toUtf8();
        QElapsedTimer t;
        t.start();
        sqlite3_bind_text(insert, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, number.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "19700512", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, "F", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        plainInsert << ms(t);

        Contact c;
        c.name = QStringLiteral("Nuovo Contatto %1 bis").arg(i);
        c.number = bench::benchNumber(kContacts + 2 * i + 1);
        c.birthDate = QStringLiteral("19700512");
        c.sex = QStringLiteral("F");
        t.restart();
        const SaveOutcome saved = saveContact(env.db(), env.ctx->notifier(), kNewContact, c, kWholeAddressBook);
        QApplication::processEvents();
        saves << ms(t);
        if (saved.id == kNewContact) {
            std::fprintf(stderr, "contact-save: refused\n");
            return 1;
        }
    }
    sqlite3_finalize(insert);
    if (list->model()->rowCount() != kContacts + kSaves) {
        std::fprintf(stderr, "contact-save: the picker shows %d entries\n", list->model()->rowCount());
        return 1;
    }
    std::printf("# contact-save: %.2f ms, plain insert %.2f ms\n", median(saves), median(plainInsert));
    figure("contact-save", median(saves) / median(plainInsert), 3);
    return 0;
}
