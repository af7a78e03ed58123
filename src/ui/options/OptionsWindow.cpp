#include "ui/options/OptionsWindow.h"

#include "app/BookDialogues.h"
#include "ui/options/ChangePasswordWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

OptionsWindow::OptionsWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_frameRubrica(new QGroupBox(QStringLiteral("Rubrica"), this))
    , m_cmdSvuotaRubrica(new QPushButton(QStringLiteral("Svuota &Rubrica"), m_frameRubrica))
    , m_lblSvuotaRubrica(new QLabel(QStringLiteral("Elimina tutti i contatti memorizzati in rubrica, inoltre "
                                                   "cancella tutte le liste create"),
                                    m_frameRubrica))
    , m_cmdChangePassword(new QPushButton(QStringLiteral("&Password"), m_frameRubrica))
    , m_lblPassword(new QLabel(QStringLiteral("Permette di specificare una password per proteggere la rubrica"),
                               m_frameRubrica))
    , m_cmdOk(new QPushButton(QStringLiteral("&OK"), this))
{
    setObjectName(QStringLiteral("frmOpzioni"));
    setWindowTitle(QStringLiteral("Opzioni"));
    m_frameRubrica->setObjectName(QStringLiteral("frameRubrica"));
    m_cmdSvuotaRubrica->setObjectName(QStringLiteral("cmdSvuotaRubrica"));
    m_lblSvuotaRubrica->setObjectName(QStringLiteral("lblSvuotaRubrica"));
    m_cmdChangePassword->setObjectName(QStringLiteral("cmdChangePassword"));
    m_lblPassword->setObjectName(QStringLiteral("lblPassword"));
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));

    // The labels explain the buttons beside them; screen readers read them
    // with the button.
    m_lblSvuotaRubrica->setWordWrap(true);
    m_lblPassword->setWordWrap(true);
    m_cmdSvuotaRubrica->setAccessibleDescription(m_lblSvuotaRubrica->text());
    m_cmdChangePassword->setAccessibleDescription(m_lblPassword->text());
    m_cmdOk->setDefault(true);

    auto *grid = new QGridLayout(m_frameRubrica);
    grid->addWidget(m_cmdSvuotaRubrica, 0, 0);
    grid->addWidget(m_lblSvuotaRubrica, 0, 1);
    grid->addWidget(m_cmdChangePassword, 1, 0);
    grid->addWidget(m_lblPassword, 1, 1);
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_frameRubrica);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(m_cmdOk, &QPushButton::clicked, this, &OptionsWindow::cmdOk_Click);
    connect(m_cmdChangePassword, &QPushButton::clicked, this, &OptionsWindow::cmdChangePassword_Click);
    connect(m_cmdSvuotaRubrica, &QPushButton::clicked, this, &OptionsWindow::cmdSvuotaRubrica_Click);
}

OptionsWindow::~OptionsWindow() = default;

OptionsWindow *OptionsWindow::showFor(Context &ctx, QWidget *parent)
{
    auto *window = parent ? parent->findChild<OptionsWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new OptionsWindow(ctx, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void OptionsWindow::cmdOk_Click()
{
    close();
}

void OptionsWindow::cmdChangePassword_Click()
{
    guarded(m_ctx, [&] {
        ChangePasswordWindow window(m_ctx, this);
        window.exec();
    });
}

void OptionsWindow::cmdSvuotaRubrica_Click()
{
    guarded(m_ctx, [&] { EmptyAddressBook(m_ctx); });
}

} // namespace brio
