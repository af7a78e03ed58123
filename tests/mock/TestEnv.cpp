#include "mock/TestEnv.h"

#include "app/DataFolder.h"
#include "core/ProgramFolder.h"
#include "gateway/GatewayFactory.h"
#include "net/Brand.h"
#include "store/Database.h"

#include <QDir>

namespace brio::test {

TestEnv::TestEnv()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("WINEPREFIX", dir.filePath(QStringLiteral("wine")).toLocal8Bit());
    // The program's helpers and shipped plug-ins, as the program finds them.
    setProgramFolder(QStringLiteral(BRIOSMS_PROGRAM_DIR));
    state.setDataFolder(dir.filePath(QStringLiteral("data")));
    provisionDataFolder(state.InstallDir);
    settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("Brio2.ini")));
    ctx = std::make_unique<Context>(Context{state, *settings, prompter, shell, clock, {}});
    ctx->makeGateway = makeGatewayFactory(QStringLiteral("sandbox:"), state.InstallDir, *settings);
    ctx->windowsImpl = &windows;
    ctx->fileDialogImpl = &fileDialog;
    ctx->processImpl = &processes;
    session.attach(*ctx);
    state.book.adopt(Database::open(state.book.path()), QString());
    loadBrandTexts(*ctx);
}

TestEnv::~TestEnv()
{
    state.book.close();
}

qint64 TestEnv::addContact(const QString &name, const QString &number)
{
    db().run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"), {name, number});
    return db().lastInsertId();
}

qint64 TestEnv::addGroup(const QString &name, const QList<qint64> &members)
{
    db().run(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES (?)"), {name});
    const qint64 id = db().lastInsertId();
    for (qint64 m : members)
        db().run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"), {id, m});
    return id;
}

void TestEnv::useFakeGateway(const QString &user, const QString &password)
{
    ctx->makeGateway = [this, user, password]() -> std::unique_ptr<GatewayControl> {
        auto g = std::make_unique<FakeGateway>();
        g->acceptUser = user;
        g->acceptPassword = password;
        gateway = g.get();
        return g;
    };
}

QStringList bookRows(Database &db)
{
    Statement st = db.prepare(QStringLiteral(
        "SELECT Nominativo, Numero, COALESCE(Indirizzo, ''), COALESCE(CAP, ''), COALESCE(Citta, ''), COALESCE(Prov, ''), "
        "COALESCE(Regione, ''), COALESCE(e_mail, ''), COALESCE(DataNascita, ''), COALESCE(Sesso, '') "
        "FROM tab_destinatari ORDER BY Numero"));
    QStringList rows;
    while (st.next()) {
        QStringList fields;
        for (int i = 0; i < 10; ++i)
            fields << st.text(i);
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace brio::test
