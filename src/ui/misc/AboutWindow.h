#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutWindow;
}

namespace brio {

struct Context;

// frmAbout: brand, versions, platform, licence and the two web links. Reads
// the brand texts each time it opens, so changes made during the run show.
class AboutWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(Context &ctx, QWidget *parent = nullptr);
    ~AboutWindow() override;

    // Shows the box modally.
    static void showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void lb_Indirizzo_Click();
    void lbIndirizzoZTQ_Click();

    Context &m_ctx;
    std::unique_ptr<Ui::AboutWindow> m_ui;
};

} // namespace brio
