#include "ui/addressbook/RecipientPicker.h"
#include "core/Texts.h"
#include "ui_RecipientPicker.h"

#include "addressbook/ChosenContacts.h"
#include "addressbook/Contacts.h"
#include "groups/Groups.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/ScreenReader.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/ContactListModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace brio {

namespace {

// What a drag from the address-book list carries.
const QString kElencoDrag = QStringLiteral("application/x-briosms-lst_elenco");

} // namespace

RecipientPicker::RecipientPicker(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::RecipientPicker>())
    , m_elenco(new ContactListModel(kElencoDrag, this))
    , m_destinatari(new ContactListModel(QString(), this))
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

    QListView *elenco = m_ui->lst_elenco;
    QListView *destinatari = m_ui->lst_destinatari;
    elenco->setModel(m_elenco);
    destinatari->setModel(m_destinatari);
    for (QListView *list : {elenco, destinatari}) {
        // Equal rows: the view does not measure 100,000 entries one by one.
        list->setUniformItemSizes(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
        showWholeEntries(list);
    }
    elenco->setDragEnabled(true);
    elenco->setDragDropMode(QAbstractItemView::DragOnly);
    destinatari->setAcceptDrops(true);
    destinatari->viewport()->setAcceptDrops(true);

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
            connect(&n, &Notifier::contactChanged, this, &RecipientPicker::contactChanged),
            connect(&n, &Notifier::groupsChanged, this, &RecipientPicker::groupsChanged)};
    });
    Form_Load();
}

RecipientPicker::~RecipientPicker() = default;

RecipientPicker *RecipientPicker::showFor(Context &ctx, QWidget *parent)
{
    RecipientPicker *picker = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *open = qobject_cast<RecipientPicker *>(w);
        if (open && &open->m_ctx == &ctx && open->isVisible())
            picker = open;
    }
    if (!picker) {
        const WaitCursor wait;
        picker = new RecipientPicker(ctx, parent);
        connect(picker, &QDialog::finished, picker, &QObject::deleteLater);
    }
    picker->show();
    picker->raise();
    picker->activateWindow();
    return picker;
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
        m_elenco->setEntries(groups->currentIndex() < 0
                                 ? ListEntries()
                                 : memberEntries(m_ctx.db(), groups->currentData().toLongLong()));
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
        m_ctx.state.PendingContactId = qint32(contact);
        ContactEditor::showModal(m_ctx, this);
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

bool RecipientPicker::belongsToShownList(qint64 contact)
{
    QComboBox *groups = m_ui->cb_gruppi;
    if (groups->currentIndex() < 0)
        return false;
    const qint64 group = groups->currentData().toLongLong();
    return group == kWholeAddressBook || isMember(m_ctx.db(), group, contact);
}

void RecipientPicker::contactChanged(qint32 id, const QString &name, const QString &number, bool removed)
{
    guarded(m_ctx, [&] {
        const QString text = contactEntryText(name, number);
        if (const int row = m_destinatari->rowOf(id); row >= 0) {
            if (removed)
                m_destinatari->removeAt(row);
            else
                m_destinatari->setText(row, text);
        }
        // lst_elenco as reloading it would show it: the entry in its place
        // by name, or gone.
        const int row = m_elenco->rowOf(id);
        const bool wasSelected = row >= 0 && row == selectedRow(m_ui->lst_elenco);
        if (row >= 0)
            m_elenco->removeAt(row);
        if (removed || !belongsToShownList(id))
            return;
        const int at = m_elenco->sortedRow(name);
        m_elenco->insert(at, {text, id});
        if (wasSelected)
            m_ui->lst_elenco->setCurrentIndex(m_elenco->index(at));
    });
}

void RecipientPicker::groupsChanged()
{
    guarded(m_ctx, [&] {
        // The members shown may have changed; the entry the user chose stays
        // chosen while it is listed.
        const qint64 chosen = selectedContact();
        ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames);
        cb_gruppi_Click();
        const int row = chosen < 0 ? -1 : m_elenco->rowOf(chosen);
        if (row >= 0) {
            m_ui->lst_elenco->setCurrentIndex(m_elenco->index(row));
            m_ui->lst_elenco->scrollTo(m_elenco->index(row));
        }
    });
}

bool RecipientPicker::eventFilter(QObject *watched, QEvent *event)
{
    QListView *elenco = m_ui->lst_elenco;
    QListView *destinatari = m_ui->lst_destinatari;
    for (QListView *list : {elenco, destinatari}) {
        QMenu *popup = list == elenco ? m_mnuPopupElenco : m_mnupopup;
        if (watched == list->viewport() && event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
            guarded(m_ctx, [&] { popUpOverEntry(list, popup, pos); });
            return true;
        }
        // The menu key and Shift+F10 open the menu of the selected entry.
        if ((watched == list || watched == list->viewport()) && event->type() == QEvent::ContextMenu) {
            if (static_cast<QContextMenuEvent *>(event)->reason() != QContextMenuEvent::Mouse) {
                const int row = selectedRow(list);
                if (row >= 0)
                    popup->exec(list->viewport()->mapToGlobal(
                        list->visualRect(list->model()->index(row, 0)).center()));
            }
            return true;
        }
    }
    if (watched == destinatari && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        selectCurrentIfNone(destinatari);
        mnuEscludiInvio_Click();
        return true;
    }
    // Only entries dragged from the address-book list are taken.
    if (watched == destinatari->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (drag->mimeData()->hasFormat(kElencoDrag))
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (drop->mimeData()->hasFormat(kElencoDrag)) {
                drop->acceptProposedAction();
                cmd_add_Click();
            }
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace brio
