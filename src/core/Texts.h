#pragma once

#include <QCoreApplication>

namespace brio {

// The program's own messages, translatable: Texts::tr("..."). The Italian
// text is the source; lupdate files them under the context "Texts".
class Texts final
{
    Q_DECLARE_TR_FUNCTIONS(Texts)
};

} // namespace brio
