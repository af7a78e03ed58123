#pragma once

#include <QString>

namespace brio {

class Database;

// The texts of the about box that do not depend on a window.
QString aboutVersionText();                                 // "Versione 2.0 Rev.0"
QString aboutPlatformText();                                // "Per sistemi Linux a 64 bit"
QString aboutGatewayText(const QString &gatewayVersion);    // "Applicazione creata con\n..."
// The versions of Qt and SQLCipher this run uses; without a database the
// cipher's version is not known.
QString aboutLibrariesText(Database *db);
QString aboutLicenceText();

} // namespace brio
