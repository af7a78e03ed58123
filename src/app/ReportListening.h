#pragma once

#include <memory>

namespace brio {

struct Context;
class ReportBook;
class ReportReceiver;

// The receiver of delivery reports while the window is open, for a gateway
// that posts them (Kannel), on the address and port of the settings. When
// the port is taken (the user service "briosms reports" is running) that
// one receives them and this one stays silent; the log says so. The windows
// hear of written reports as of new sends.
class ReportListening final
{
public:
    explicit ReportListening(Context &ctx);
    ~ReportListening();
    ReportListening(const ReportListening &) = delete;
    ReportListening &operator=(const ReportListening &) = delete;

private:
    std::unique_ptr<ReportBook> m_book;
    std::unique_ptr<ReportReceiver> m_receiver;
};

} // namespace brio
