#include "ui/main/ComposePanel.h"

#include "compose/Compression.h"
#include "compose/MessageState.h"
#include "compose/NumberRules.h"
#include "context/Context.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "sms/GsmText.h"
#include "store/Database.h"
#include "ui/EntryListView.h"
#include "ui/ListRoutines.h"
#include "ui/WhileShown.h"
#include "ui/groups/GroupListModel.h"
#include "ui/main/MessageTextEdit.h"
#include "ui/main/RecipientListModel.h"
#include "ui_ComposePanel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTimer>
#include <functional>

namespace brio {

namespace {

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Selects an option button so that its handler runs even when it was
// already selected.
void select(QRadioButton *option, const std::function<void()> &handler)
{
    if (option->isChecked())
        handler();
    else
        option->setChecked(true);
}

} // namespace

ComposePanel::ComposePanel(Context &ctx, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ComposePanel>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    finishControls();
    connectHandlers();
}

ComposePanel::~ComposePanel() = default;

// --- construction ---------------------------------------------------------

void ComposePanel::finishControls()
{
    m_mnuPopupSingoli = named(new QMenu(this), "mnuPopupSingoli");
    m_mnuEliminaSingolo = addMenuItem(m_mnuPopupSingoli, "mnuEliminaSingolo", Texts::tr("&Elimina da invio corrente"));
    m_mnuPopupGruppi = named(new QMenu(this), "mnuPopupGruppi");
    m_mnuEliminaGruppo = addMenuItem(m_mnuPopupGruppi, "mnuEliminaGruppo", Texts::tr("&Elimina da invio corrente"));

    m_recipients = new RecipientListModel(m_ctx, this);
    m_groups = new GroupListModel(m_ctx, chosenGroupEntries, this);
    m_ui->lst_destinatari->setModel(m_recipients);
    m_ui->lst_gruppi->setModel(m_groups);
    m_ui->lst_destinatari->setPopup(m_mnuPopupSingoli);
    m_ui->lst_gruppi->setPopup(m_mnuPopupGruppi);
    for (EntryListView *list : {m_ui->lst_destinatari, m_ui->lst_gruppi})
        list->setCommandKeys({Qt::Key_Delete});
    // The lists are hidden for the whole address book, and the entry frames
    // share one place: the window keeps its shape meanwhile.
    for (QWidget *w : {static_cast<QWidget *>(m_ui->fr_destinatari), static_cast<QWidget *>(m_ui->fr_invio_singolo),
                       static_cast<QWidget *>(m_ui->fr_invio_gruppi), static_cast<QWidget *>(m_ui->fr_tutta_Rubrica)}) {
        QSizePolicy keep = w->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        w->setSizePolicy(keep);
    }

    m_ui->cb_paese->addItem(designCountry());
    limitPrefixCombo(m_ui->cb_prefisso);
    m_ui->cb_prefisso->addItems(designPrefixes());
    m_ui->txt_numero->setMaxLength(kSubscriberMaxLength);
    const QFontMetrics fm = m_ui->txt_numero->fontMetrics();
    m_ui->txt_numero->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00000000")) + 16);
    m_ui->msk_data->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00-00-00000")) + 16);
    m_ui->msk_ora->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00:000")) + 16);
    m_ui->txt_messaggio->setFixedHeight(m_ui->txt_messaggio->fontMetrics().lineSpacing() * 4 + 12);
    m_ui->lbl_messaggio->setText(messageCounterText(QString()));
    m_ui->fr_ucs2->setVisible(false);
}

void ComposePanel::connectHandlers()
{
    auto onSelect = [this](QRadioButton *option, void (ComposePanel::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                guarded(m_ctx, [&] { (this->*handler)(); });
        });
    };
    onSelect(m_ui->opt_invio_immediato, &ComposePanel::opt_invio_immediato_Click);
    onSelect(m_ui->opt_invio_differito, &ComposePanel::opt_invio_differito_Click);
    onSelect(m_ui->opt_invio_singolo, &ComposePanel::opt_invio_singolo_Click);
    onSelect(m_ui->opt_invio_gruppo, &ComposePanel::opt_invio_gruppo_Click);
    onSelect(m_ui->opt_Tutta_Rubrica, &ComposePanel::opt_Tutta_Rubrica_Click);

    // The country's prefixes follow the selected country, chosen by the user
    // or by the program.
    connect(m_ui->cb_paese, &QComboBox::currentIndexChanged, this, &ComposePanel::cb_paese_Click);
    connect(m_ui->cmd_singolo_aggiungi, &QPushButton::clicked, this, &ComposePanel::cmd_singolo_aggiungi_Click);
    connect(m_ui->cmd_gruppi_aggiungi, &QPushButton::clicked, this, &ComposePanel::cmd_gruppi_aggiungi_Click);
    connect(m_mnuEliminaSingolo, &QAction::triggered, this, &ComposePanel::mnuEliminaSingolo_Click);
    connect(m_mnuEliminaGruppo, &QAction::triggered, this, &ComposePanel::mnuEliminaGruppo_Click);
    connect(m_ui->lst_destinatari, &EntryListView::keyCommand, this, &ComposePanel::mnuEliminaSingolo_Click);
    connect(m_ui->lst_gruppi, &EntryListView::keyCommand, this, &ComposePanel::mnuEliminaGruppo_Click);
    connect(m_ui->cmd_invia, &QPushButton::clicked, this, &ComposePanel::sendRequested);
    connect(m_ui->txt_messaggio, &QPlainTextEdit::textChanged, this, &ComposePanel::txt_messaggio_Change);
    connect(m_ui->cmd_sostituisci, &QPushButton::clicked, this, &ComposePanel::cmd_sostituisci_Click);
    m_recount = new QTimer(this);
    m_recount->setSingleShot(true);
    m_recount->setInterval(0);
    connect(m_recount, &QTimer::timeout, this, [this] { guarded(m_ctx, [&] { refreshCount(); }); });
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::contactChanged, this, &ComposePanel::contactChanged),
            connect(&n, &Notifier::messageContactsChanged, this, &ComposePanel::messageContactsChanged),
            connect(&n, &Notifier::groupsChanged, this, &ComposePanel::groupsChanged),
            connect(&n, &Notifier::messageStateReloaded, this, &ComposePanel::messageStateReloaded)};
    });
}

void ComposePanel::load()
{
    // The frames only: the message left by the last run is emptied after
    // this, and counting its recipients first would cost a query over all
    // of them.
    opt_invio_immediato_Click();
    showFrames(true, false, false);
    {
        // Selecting the country raises its click, which fills the prefixes.
        const QSignalBlocker block(m_ui->cb_paese);
        m_ui->cb_paese->setCurrentIndex(-1);
    }
    m_ui->cb_paese->setCurrentIndex(0);
    LoadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames);
}

void ComposePanel::loadCountries()
{
    LoadCountryCombo(m_ctx, m_ui->cb_paese);
}

void ComposePanel::focusRecipientMode()
{
    // Not the first option of the tab order, which a screen reader would
    // read as unchecked.
    for (QRadioButton *option : {m_ui->opt_Tutta_Rubrica, m_ui->opt_invio_singolo, m_ui->opt_invio_gruppo}) {
        if (option->isChecked())
            option->setFocus();
    }
}

// --- message state --------------------------------------------------------

void ComposePanel::clear()
{
    clearMessageState(m_ctx.db());
    m_recipients->setEntries({});
    m_groups->setEntries({});
    m_ui->txt_messaggio->setText(QString());
    m_ui->txt_numero->clear();
    m_ui->msk_data->clear();
    m_ui->msk_ora->clear();
    select(m_ui->opt_invio_immediato, [this] { opt_invio_immediato_Click(); });
    select(m_ui->opt_invio_singolo, [this] { opt_invio_singolo_Click(); });
    refreshRecipientCount();
}

void ComposePanel::refreshRecipientCount()
{
    emit recipientCountChanged(recipientCountText(recipientCount(m_ctx.db())));
}

void ComposePanel::reload()
{
    const WaitCursor wait;
    const MessageStateContent content = readMessageState(m_ctx.db());
    m_recipients->mergeEntries(content.numbers + content.contacts);
    m_groups->mergeEntries(content.groups);
    if (content.text)
        m_ui->txt_messaggio->setText(*content.text);
}

void ComposePanel::messageStateReloaded()
{
    guarded(m_ctx, [&] {
        reload();
        // Recipients put back while the whole book was chosen would be
        // hidden and ignored by the send: the lists come back into view.
        const bool listed = m_recipients->rowCount() + m_groups->rowCount() > 0;
        if (m_ui->opt_Tutta_Rubrica->isChecked() && listed)
            select(m_ui->opt_invio_singolo, [this] { opt_invio_singolo_Click(); });
        else
            refreshCount();
    });
}

QString ComposePanel::messageText() const
{
    return m_ui->txt_messaggio->text();
}

void ComposePanel::setMessageText(const QString &text)
{
    m_ui->txt_messaggio->setText(text);
}

void ComposePanel::setMaxParts(int parts)
{
    m_ui->txt_messaggio->setMaxParts(parts);
}

EntryListView *ComposePanel::recipientList() const
{
    return m_ui->lst_destinatari;
}

// --- recipient mode and send time ------------------------------------------

void ComposePanel::showFrames(bool single, bool groups, bool wholeBook)
{
    m_ui->fr_invio_singolo->setVisible(single);
    m_ui->fr_invio_gruppi->setVisible(groups);
    m_ui->fr_tutta_Rubrica->setVisible(wholeBook);
    m_ui->fr_destinatari->setVisible(!wholeBook);
}

void ComposePanel::opt_invio_singolo_Click()
{
    showFrames(true, false, false);
    refreshRecipientCount();
}

void ComposePanel::opt_invio_gruppo_Click()
{
    showFrames(false, true, false);
    refreshRecipientCount();
}

void ComposePanel::opt_Tutta_Rubrica_Click()
{
    showFrames(false, false, true);
    // The message state stays as it is: hidden, and ignored by the send.
    const qint64 total = addressBookCount(m_ctx.db());
    m_ui->lb_Tutta_Rubrica->setText(wholeAddressBookText(total));
    emit recipientCountChanged(recipientCountText(total));
}

void ComposePanel::setDeferredFieldsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui->lb_data), static_cast<QWidget *>(m_ui->msk_data),
                       static_cast<QWidget *>(m_ui->lb_ora), static_cast<QWidget *>(m_ui->msk_ora)})
        w->setEnabled(enabled);
}

void ComposePanel::opt_invio_immediato_Click()
{
    setDeferredFieldsEnabled(false);
}

void ComposePanel::opt_invio_differito_Click()
{
    setDeferredFieldsEnabled(true);
}

// --- recipient entry --------------------------------------------------------

void ComposePanel::cb_paese_Click()
{
    guarded(m_ctx, [&] { LoadPrefixCombo(m_ctx, m_ui->cb_paese, m_ui->cb_prefisso); });
}

void ComposePanel::cmd_singolo_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        const bool prefixOk = CheckPrefix(m_ctx, m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText());
        const bool numberOk = CheckSubscriberNumber(m_ctx, m_ui->txt_numero->text());
        if (!prefixOk) {
            m_ctx.message(Icon::Exclamation, Texts::tr("Prefisso errato. Selezionare un prefisso corretto."));
            m_ui->cb_prefisso->setCurrentIndex(0);
            m_ui->cb_prefisso->setFocus();
            return;
        }
        if (!numberOk) {
            m_ctx.message(Icon::Exclamation,
                          Texts::tr("Il numero del destinatario non è corretto. Riprovare l'inserimento"));
            m_ui->txt_numero->clear();
            m_ui->txt_numero->setFocus();
            return;
        }
        const QString number =
            fullNumber(m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText(), m_ui->txt_numero->text());
        qint64 id = 0;
        try {
            id = addTypedNumber(m_ctx.db(), number);
        } catch (const Error &e) {
            if (e.number() != ErrorNo::DuplicateKey)
                throw;
            m_ctx.message(Icon::Information,
                          Texts::tr("Numero già presente nell'invio corrente, per evitare invii duplicati alla "
                                    "stessa persona non verrà aggiunto."));
            m_ui->txt_numero->clear();
            m_ui->cb_prefisso->setFocus();
            return;
        }
        m_recipients->append({number, -id});
        refreshRecipientCount();
        m_ui->txt_numero->clear();
        m_ui->cb_prefisso->setCurrentIndex(0);
        m_ui->cb_prefisso->setFocus();
    });
}

void ComposePanel::cmd_gruppi_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        if (!m_ui->cb_gruppi->isEnabled() || m_ui->cb_gruppi->currentIndex() < 0)
            return;
        const qint64 group = m_ui->cb_gruppi->currentData().toLongLong();
        const QString name = m_ui->cb_gruppi->currentText();
        const qint64 members = groupMemberCount(m_ctx.db(), group);
        if (members <= 0) {
            m_ctx.message(Icon::Critical, Texts::tr("Il gruppo ") + name.toUpper()
                                              + Texts::tr(" non contiene contatti. Impossibile aggiungerlo "
                                                          "alla lista dei destinatari."));
            return;
        }
        if (const std::optional<qint64> row = addGroupEntry(m_ctx.db(), group))
            m_groups->append({groupEntryText(name, members), *row});
        refreshRecipientCount();
    });
}

void ComposePanel::removeSelectedRecipient()
{
    const int row = m_ui->lst_destinatari->selectedRow();
    if (row < 0)
        return;
    removeRecipient(m_ctx.db(), m_recipients->entry(row).data);
    m_recipients->removeAt(row);
    refreshRecipientCount();
}

void ComposePanel::removeSelectedGroup()
{
    const int row = m_ui->lst_gruppi->selectedRow();
    if (row < 0)
        return;
    removeGroupEntry(m_ctx.db(), m_groups->entry(row).data);
    m_groups->removeAt(row);
    refreshRecipientCount();
}

void ComposePanel::mnuEliminaSingolo_Click()
{
    guarded(m_ctx, [&] { removeSelectedRecipient(); });
}

void ComposePanel::mnuEliminaGruppo_Click()
{
    guarded(m_ctx, [&] { removeSelectedGroup(); });
}

// --- changes made elsewhere -------------------------------------------------

void ComposePanel::contactChanged(qint32 id, const QString &, const QString &, bool removed)
{
    // The list follows by itself (a deleted contact has left it already).
    // The count changes only with the book counted, or for a contact of the
    // message or of its groups: counting reads the whole book, too slow for
    // every contact saved.
    // An import or a sync announces contact after contact: the count waits
    // for the last of them.
    if (removed || m_ui->opt_Tutta_Rubrica->isChecked() || m_recipients->rowOf(id) >= 0 || m_groups->rowCount() > 0)
        m_recount->start();
}

void ComposePanel::messageContactsChanged()
{
    guarded(m_ctx, [&] {
        loadRecipients();
        refreshCount();
    });
}

void ComposePanel::loadRecipients()
{
    const WaitCursor wait;
    m_recipients->mergeEntries(messageRecipientEntries(m_ctx.db(), true));
}

void ComposePanel::refreshCount()
{
    // With the whole address book chosen, panel 1 counts the book.
    if (m_ui->opt_Tutta_Rubrica->isChecked())
        opt_Tutta_Rubrica_Click();
    else
        refreshRecipientCount();
}

void ComposePanel::groupsChanged()
{
    guarded(m_ctx, [&] {
        ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames);
        // The chosen groups follow by themselves; a deleted one has left the
        // message too.
        refreshCount();
    });
}

// --- the text ----------------------------------------------------------------

void ComposePanel::txt_messaggio_Change()
{
    guarded(m_ctx, [&] {
        const QString text = m_ui->txt_messaggio->text();
        m_ui->lbl_messaggio->setText(messageCounterText(text));
        const QString notice = ucs2NoticeText(text);
        m_ui->lbl_ucs2->setText(notice);
        m_ui->fr_ucs2->setVisible(!notice.isEmpty());
        // Only characters outside the alphabet have look-alikes.
        m_ui->cmd_sostituisci->setEnabled(!notice.isEmpty() && replaceLookalikes(text) != text);
    });
    emit messageTextChanged();
}

void ComposePanel::cmd_sostituisci_Click()
{
    guarded(m_ctx, [&] {
        QTextCursor cursor = m_ui->txt_messaggio->textCursor();
        int caret = cursor.position();
        const QString replaced = replaceLookalikes(m_ui->txt_messaggio->text(), &caret);
        m_ui->txt_messaggio->setText(replaced);
        cursor = m_ui->txt_messaggio->textCursor();
        cursor.setPosition(qMin(caret, int(m_ui->txt_messaggio->text().size())));
        m_ui->txt_messaggio->setTextCursor(cursor);
        m_ui->txt_messaggio->setFocus();
    });
}

} // namespace brio
