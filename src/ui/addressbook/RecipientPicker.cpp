#include "ui/addressbook/RecipientPicker.h"
#include "core/Texts.h"
#include "ui_RecipientPicker.h"

#include "addressbook/ChosenContacts.h"
#include "addressbook/Contacts.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/OneWindow.h"
#include "ui/ScreenReader.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/EntryListView.h"
#include "ui/addressbook/AddressBookModel.h"
#include "ui/main/RecipientListModel.h"

#include <QMenu>

namespace brio {

namespace {

// What a drag from the address-book list carries.
const QString kElencoDrag = QStringLiteral("application/x-briosms-lst_elenco");

} // namespace

RecipientPicker::RecipientPicker(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::RecipientPicker>())
    , m_elenco(new AddressBookModel(ctx, kElencoDrag, this))
    , m_destinatari(new RecipientListModel(ctx, this))
    , m_mnupopup(new QMenu(this))
    , m_mnuPopupElenco(new QMenu(this))
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    m_ui->ListView1->setBackgroundRole(QPalette::Button);
    m_mnupopup->setObjectName(QStringLiteral("mnupopup"));
    m_mnuEscludiInvio = addMenuItem(m_mnupopup, "mnuEscludiInvio", Texts::tr("&Escludi dall'invio"));
    m_mnuPopupElenco->setObjectName(QStringLiteral("mnuPopupElenco"));
    m_mnuAggiungiInvio = addMenuItem(m_mnuPopupElenco, "mnuAggiungiInvio", Texts::tr("&Aggiungi all'invio"));
    m_mnuEliminaContatto = addMenuItem(m_mnuPopupElenco, "mnuEliminaContatto", Texts::tr("&Elimina Contatto"));
    m_mnuProprietaContatto =
        addMenuItem(m_mnuPopupElenco, "mnuProprietaContatto", Texts::tr("&Proprietà Contatto"));

    EntryListView *elenco = m_ui->lst_elenco;
    EntryListView *destinatari = m_ui->lst_destinatari;
    elenco->setModel(m_elenco);
    destinatari->setModel(m_destinatari);
    elenco->setPopup(m_mnuPopupElenco);
    destinatari->setPopup(m_mnupopup);
    elenco->setDragEnabled(true);
    elenco->setDragDropMode(QAbstractItemView::DragOnly);
    // Only entries dragged from the address-book list are taken.
    destinatari->acceptDropsOf(kElencoDrag);
    destinatari->setCommandKeys({Qt::Key_Delete});
    connect(destinatari, &EntryListView::keyCommand, this, &RecipientPicker::mnuEscludiInvio_Click);
    connect(destinatari, &EntryListView::dropped, this, &RecipientPicker::cmd_add_Click);

    connect(m_ui->cb_gruppi, &QComboBox::currentIndexChanged, this, &RecipientPicker::cb_gruppi_Click);
    connect(m_ui->txt_key, &QLineEdit::textChanged, this, &RecipientPicker::txt_key_Change);
    connect(m_ui->cmd_add, &QPushButton::clicked, this, &RecipientPicker::cmd_add_Click);
    connect(elenco, &QListView::doubleClicked, this, &RecipientPicker::cmd_add_Click);
    connect(m_ui->cmd_ok, &QPushButton::clicked, this, &RecipientPicker::cmd_ok_Click);
    // Annulla, like Esc and the close box, writes nothing: the message's
    // table was never emptied.
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->cmd_properties, &QPushButton::clicked, this, &RecipientPicker::cmd_properties_Click);
    connect(m_ui->cmd_nuovo_contatto, &QPushButton::clicked, this, &RecipientPicker::cmd_nuovo_contatto_Click);
    connect(m_mnuAggiungiInvio, &QAction::triggered, this, &RecipientPicker::cmd_add_Click);
    connect(m_mnuProprietaContatto, &QAction::triggered, this, &RecipientPicker::cmd_properties_Click);
    connect(m_mnuEliminaContatto, &QAction::triggered, this, &RecipientPicker::mnuEliminaContatto_Click);
    connect(m_mnuEscludiInvio, &QAction::triggered, this, &RecipientPicker::mnuEscludiInvio_Click);
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::groupsChanged, this, &RecipientPicker::groupsChanged)};
    });
    Form_Load();
}

RecipientPicker::~RecipientPicker() = default;

RecipientPicker *RecipientPicker::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<RecipientPicker>(ctx, [&] {
        const WaitCursor wait;
        return new RecipientPicker(ctx, parent);
    });
}

void RecipientPicker::Form_Load()
{
    guarded(m_ctx, [&] {
        // Selecting "Tutta la rubrica" fills lst_elenco.
        LoadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames);
        m_destinatari->setEntries(messageRecipientEntries(m_ctx.db(), false));
    });
}

void RecipientPicker::cb_gruppi_Click()
{
    guarded(m_ctx, [&] {
        const WaitCursor wait;
        QComboBox *groups = m_ui->cb_gruppi;
        m_elenco->showGroup(groups->currentIndex() < 0 ? std::nullopt
                                                       : std::optional(groups->currentData().toLongLong()));
    });
}

void RecipientPicker::txt_key_Change()
{
    const QString key = m_ui->txt_key->text();
    if (key.trimmed().isEmpty())
        return;
    const int row = m_elenco->firstContaining(key);
    if (row < 0)
        return;
    const QModelIndex index = m_elenco->index(row);
    m_ui->lst_elenco->setCurrentIndex(index);
    m_ui->lst_elenco->scrollTo(index);
}

qint64 RecipientPicker::selectedContact() const
{
    const int row = selectedRow(m_ui->lst_elenco);
    return row < 0 ? -1 : m_elenco->entry(row).data;
}

void RecipientPicker::cmd_add_Click()
{
    const int row = selectedRow(m_ui->lst_elenco);
    if (row < 0)
        return;
    const ListEntry &entry = m_elenco->entry(row);
    if (m_destinatari->rowOf(entry.data) >= 0)
        return; // a contact is never chosen twice
    m_destinatari->append(entry);
}

void RecipientPicker::mnuEscludiInvio_Click()
{
    const int row = selectedRow(m_ui->lst_destinatari);
    if (row >= 0)
        m_destinatari->removeAt(row);
}

void RecipientPicker::cmd_ok_Click()
{
    guarded(m_ctx, [&] {
        QList<qint64> ids;
        ids.reserve(m_destinatari->rowCount());
        for (const ListEntry &e : m_destinatari->entries())
            ids.append(e.data);
        replaceChosenContacts(m_ctx.db(), m_ctx.notifier(), ids);
        accept();
    });
}

void RecipientPicker::cmd_properties_Click()
{
    guarded(m_ctx, [&] {
        const qint64 contact = selectedContact();
        if (contact < 0)
            return;
        // The lists follow what the editor stores through the notifier.
        ContactEditor::showModal(m_ctx, this, contact);
    });
}

void RecipientPicker::cmd_nuovo_contatto_Click()
{
    guarded(m_ctx, [&] { ContactEditor::showModal(m_ctx, this); });
}

void RecipientPicker::mnuEliminaContatto_Click()
{
    guarded(m_ctx, [&] {
        const qint64 contact = selectedContact();
        if (contact < 0)
            return;
        if (m_ctx.message(Icon::Question,
                          Texts::tr("Si desidera cancellare definitivamente il contatto dalla rubrica?"),
                          Buttons::YesNo)
            != Answer::Yes)
            return;
        // Both lists lose it through the notifier, so OK cannot write it back.
        deleteContact(m_ctx.db(), m_ctx.notifier(), contact);
    });
}

void RecipientPicker::groupsChanged()
{
    guarded(m_ctx, [&] {
        // The members shown follow their own changes; a group that is gone
        // or renamed changes the combo, and a group gone the list.
        ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames);
        QComboBox *groups = m_ui->cb_gruppi;
        const std::optional<qint64> shown =
            groups->currentIndex() < 0 ? std::nullopt : std::optional(groups->currentData().toLongLong());
        if (shown != m_elenco->group())
            cb_gruppi_Click();
    });
}

} // namespace brio
