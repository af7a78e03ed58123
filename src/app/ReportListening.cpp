#include "app/ReportListening.h"

#include "context/Context.h"
#include "context/Notifier.h"
#include "gateway/GatewayControl.h"
#include "history/DeliveryReports.h"
#include "history/ReportReceiver.h"

#include <QHostAddress>

namespace brio {

ReportListening::ReportListening(Context &ctx)
{
    try {
        if (!ctx.makeGateway || !ctx.makeGateway()->postsReports())
            return;
        m_book = std::make_unique<ReportBook>([&ctx]() -> Database & { return ctx.db(); });
        m_receiver = std::make_unique<ReportReceiver>(*m_book, ctx.clock);
        m_receiver->listen(QHostAddress(ctx.settings.text(Key::ReportsAddress).trimmed()),
                           quint16(ctx.settings.integer(Key::ReportsPort)));
        QObject::connect(m_receiver.get(), &ReportReceiver::written, &ctx.notifier(), &Notifier::sendsRecorded);
    } catch (const Error &e) {
        qInfo("Rapporti di consegna non ricevuti dalla finestra: %s", qUtf8Printable(e.description()));
        m_receiver.reset();
        m_book.reset();
    }
}

ReportListening::~ReportListening() = default;

} // namespace brio
