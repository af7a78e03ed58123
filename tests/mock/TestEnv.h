#pragma once

#include "context/Context.h"
#include "core/Process.h"
#include "mock/FakeGateway.h"
#include "mock/FakeServices.h"
#include "mock/FakeWindows.h"

#include <QTemporaryDir>
#include <memory>

namespace brio::test {

// A run of the program in a temporary folder: a new data folder with the
// delivered database (open in state.book), a temporary settings file, fake
// services and the sandbox gateway. Brand texts are loaded. No old address
// book of the previous version is found on this machine.
class TestEnv final
{
public:
    TestEnv();
    ~TestEnv();

    QString path(const QString &name) const { return dir.filePath(name); } // inside the temporary folder
    QString dataFolder() const { return state.InstallDir; }
    Database &db() { return state.book.database(); }

    // Adds a contact and returns its IDDestinatario.
    qint64 addContact(const QString &name, const QString &number);
    qint64 addGroup(const QString &name, const QList<qint64> &members = {});

    // Gateways made from now on are FakeGateways that accept only
    // user/password; `gateway` is the newest one.
    void useFakeGateway(const QString &user = QStringLiteral("prova"), const QString &password = QStringLiteral("prova"));
    FakeGateway *gateway = nullptr;

    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<Settings> settings;
    FakePrompter prompter;
    FakeShell shell;
    FakeClock clock;
    FakeFileDialog fileDialog;
    QtProcessLauncher processes; // plug-ins in tests are real programs
    GatewaySession session; // its gateway made by ctx->makeGateway
    FakeWindows windows{state, session};
    std::unique_ptr<Context> ctx;
};

// Every contact with every field ('|' between them), by number: what a test
// compares after an import or an export.
QStringList bookRows(Database &db);

} // namespace brio::test
