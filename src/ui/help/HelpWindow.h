#pragma once

#include <QWidget>
#include <memory>

class QTreeWidgetItem;
class QUrl;

namespace Ui {
class HelpWindow;
}

namespace brio {

struct Context;

// frmGuida: the help pages with their contents and a word search. Not modal;
// one per window that asked for it, so that a modal window's help can be used
// while that window waits.
class HelpWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const Context &ctx, QWidget *parent = nullptr);
    ~HelpWindow() override;

    // The help window serving a command given in `from`: the one of the modal
    // window in front, else the one of from's window; made when missing.
    static HelpWindow &serving(const Context &ctx, QWidget *from);

    void showPage(const QString &file); // shown and brought to the front
    void showContents();
    void showSearch();                  // the search box has the focus

    QString currentPage() const;

private:
    void fillContents();
    void bringToFront();
    void txtCerca_Change();
    void lstRisultati_Activate();
    void tvSommario_Activate(QTreeWidgetItem *item);
    void txtPagina_AnchorClicked(const QUrl &link);
    void txtPagina_SourceChanged(const QUrl &source);

    const Context &m_ctx;
    std::unique_ptr<Ui::HelpWindow> m_ui;
};

} // namespace brio
