#include "help/AboutText.h"

#include "core/Texts.h"
#include "store/Database.h"

#include <QSysInfo>
#include <QtGlobal>

namespace brio {

QString aboutVersionText()
{
    return Texts::tr("Versione %1.%2 Rev.%3").arg(BRIOSMS_VERSION_MAJOR).arg(BRIOSMS_VERSION_MINOR).arg(BRIOSMS_VERSION_PATCH);
}

QString aboutPlatformText()
{
    QString system = QSysInfo::kernelType();
    if (system == QLatin1String("linux"))
        system = QStringLiteral("Linux");
    else if (!system.isEmpty())
        system[0] = system.at(0).toUpper();
    return Texts::tr("Per sistemi %1 a %2 bit").arg(system).arg(QSysInfo::WordSize);
}

QString aboutGatewayText(const QString &gatewayVersion)
{
    return Texts::tr("Applicazione creata con\nBrioSMS gateway ver. ") + gatewayVersion;
}

QString aboutLibrariesText(Database *db)
{
    QString cipher = Texts::tr("non disponibile");
    if (db) {
        Statement st = db->prepare(QStringLiteral("PRAGMA cipher_version"));
        if (st.next() && !st.text(0).isEmpty())
            cipher = st.text(0);
    }
    return Texts::tr("Qt %1, SQLCipher %2").arg(QString::fromLatin1(qVersion()), cipher);
}

QString aboutLicenceText()
{
    return Texts::tr("BrioSMS è distribuito gratuitamente, così com'è, senza garanzie. "
                     "Usa Qt (licenza LGPL v3) e SQLCipher (licenza BSD).");
}

} // namespace brio
