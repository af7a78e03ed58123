#include "ui/addressbook/ContactEditor.h"
#include "core/Texts.h"
#include "ui_ContactEditor.h"

#include "addressbook/BirthDate.h"
#include "addressbook/Contacts.h"
#include "compose/NumberRules.h"
#include "ui/ListRoutines.h"
#include "ui/ScreenReader.h"

#include <QSignalBlocker>
#include <QValidator>

namespace brio {

namespace {

// Selects the first entry so that currentIndexChanged is emitted even when
// it was selected already (its text may have been typed over).
void selectFirst(QComboBox *combo)
{
    {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(-1);
    }
    combo->setCurrentIndex(0);
}

// A text box's size in characters, as the book's columns count them: a
// character outside the basic plane is two QChars, which maxLength alone
// would count twice, opening a stored name cut (and maybe cut in half).
class CharacterLimit final : public QValidator
{
public:
    CharacterLimit(int characters, QObject *parent)
        : QValidator(parent)
        , m_characters(characters)
    {
    }

    State validate(QString &input, int &) const override
    {
        return QStringView(input).toUcs4().size() <= m_characters ? Acceptable : Invalid;
    }

private:
    int m_characters;
};

void limitCharacters(QLineEdit *box)
{
    const int characters = box->maxLength();
    box->setMaxLength(2 * characters);
    box->setValidator(new CharacterLimit(characters, box));
}

void uncheck(QRadioButton *option)
{
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

} // namespace

ContactEditor::ContactEditor(Context &ctx, QWidget *parent, qint64 contact, qint64 group)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::ContactEditor>())
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    limitPrefixCombo(m_ui->cb_prefisso);
    for (QLineEdit *box : {m_ui->txt_nominativo, m_ui->txt_indirizzo, m_ui->txt_CAP, m_ui->txt_citta, m_ui->txt_prov,
                           m_ui->txt_regione, m_ui->txt_email})
        limitCharacters(box);
    connect(m_ui->cb_paese, &QComboBox::currentIndexChanged, this, &ContactEditor::cb_paese_Click);
    connect(m_ui->cmd_inserisci, &QPushButton::clicked, this, &ContactEditor::cmd_inserisci_Click);
    connect(m_ui->cmd_elimina, &QPushButton::clicked, this, &ContactEditor::cmd_elimina_Click);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::reject);
    Form_Load(contact, group);
}

ContactEditor::~ContactEditor() = default;

void ContactEditor::showModal(Context &ctx, QWidget *parent, qint64 contact)
{
    ContactEditor editor(ctx, parent, contact);
    editor.exec();
}

ContactEditor *ContactEditor::showModeless(Context &ctx, QWidget *parent, qint64 group)
{
    auto *editor = new ContactEditor(ctx, parent, -1, group);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->show();
    return editor;
}

void ContactEditor::Form_Load(qint64 contact, qint64 group)
{
    guarded(m_ctx, [&] {
        LoadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::ContactPlacement);
        if (group != -1) {
            const int row = m_ui->cb_gruppi->findData(QVariant(qlonglong(group)));
            if (row >= 0)
                m_ui->cb_gruppi->setCurrentIndex(row);
        }
        LoadCountryCombo(m_ctx, m_ui->cb_paese);
        const bool modify = contact != -1;
        m_ContactId = modify ? contact : -1;
        if (modify)
            LoadContact();
        m_ui->cmd_inserisci->setText(modify ? Texts::tr("Modifica") : Texts::tr("&Inserisci"));
        m_ui->lbl_gruppo->setVisible(!modify);
        m_ui->cb_gruppi->setVisible(!modify);
        m_ui->Line2->setVisible(!modify);
        m_ui->cmd_elimina->setVisible(modify);
    });
}

void ContactEditor::cb_paese_Click()
{
    // Leaving the box re-selects the country shown: the prefix stays.
    const QString country = m_ui->cb_paese->currentText();
    if (country == m_prefixCountry)
        return;
    m_prefixCountry = country;
    guarded(m_ctx, [&] { LoadPrefixCombo(m_ctx, m_ui->cb_paese, m_ui->cb_prefisso); });
}

void ContactEditor::LoadContact()
{
    const std::optional<Contact> c = loadContact(m_ctx.db(), m_ContactId);
    if (!c)
        return;
    const NumberParts parts = splitStoredNumber(c->number);
    m_ui->txt_nominativo->setText(c->name);
    // The country chosen from the list, not only written over the box:
    // leaving the box would choose it then, and offer its prefixes in
    // place of the contact's.
    const int country = m_ui->cb_paese->findText(parts.country);
    if (country >= 0)
        m_ui->cb_paese->setCurrentIndex(country);
    else
        m_ui->cb_paese->setEditText(parts.country);
    m_ui->cb_prefisso->setEditText(parts.prefix);
    m_ui->txt_Numero->setText(parts.subscriber);
    m_ui->txt_indirizzo->setText(c->address);
    m_ui->txt_CAP->setText(c->postCode);
    m_ui->txt_citta->setText(c->city);
    m_ui->msk_data_di_nascita->setText(StoredToBirthDate(c->birthDate));
    m_ui->txt_prov->setText(c->province);
    m_ui->txt_regione->setText(c->region);
    m_ui->txt_email->setText(c->email);
    m_ui->optMaschio->setChecked(c->sex == QLatin1String("M"));
    m_ui->optFemmina->setChecked(c->sex == QLatin1String("F"));
}

bool ContactEditor::checkFields()
{
    const bool prefixOk = CheckPrefix(m_ctx, m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText());
    const bool numberOk = CheckSubscriberNumber(m_ctx, m_ui->txt_Numero->text());
    if (!prefixOk) {
        m_ctx.message(Icon::Exclamation, Texts::tr("Prefisso errato. Selezionare un prefisso corretto."));
        m_ui->cb_prefisso->setEditText(QString());
        m_ui->cb_prefisso->setFocus();
        return false;
    }
    if (!numberOk) {
        m_ctx.message(Icon::Exclamation,
                      Texts::tr("Il numero del destinatario non è corretto. Riprovare l'inserimento"));
        m_ui->txt_Numero->clear();
        m_ui->txt_Numero->setFocus();
        return false;
    }
    if (m_ui->txt_Numero->text().trimmed().isEmpty() || m_ui->txt_nominativo->text().trimmed().isEmpty()) {
        m_ctx.message(Icon::Critical,
                      Texts::tr("Sono necessari almeno il numero di cellulare ed il nome del contatto."));
        return false;
    }
    QLineEdit *date = m_ui->msk_data_di_nascita;
    if (!IsBirthDateValid(date->displayText(), true)) {
        m_ctx.message(Icon::Critical, Texts::tr("Data di nascita errata."));
        date->setFocus();
        date->selectAll();
        return false;
    }
    return true;
}

void ContactEditor::cmd_inserisci_Click()
{
    guarded(m_ctx, [&] {
        if (!checkFields())
            return;
        Contact c;
        c.name = m_ui->txt_nominativo->text();
        c.number = fullNumber(m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText(),
                              m_ui->txt_Numero->text());
        c.address = m_ui->txt_indirizzo->text();
        c.postCode = m_ui->txt_CAP->text();
        c.city = m_ui->txt_citta->text();
        c.province = m_ui->txt_prov->text();
        c.region = m_ui->txt_regione->text();
        c.email = m_ui->txt_email->text();
        c.birthDate = BirthDateToStored(m_ui->msk_data_di_nascita->displayText());
        if (m_ui->optMaschio->isChecked())
            c.sex = QStringLiteral("M");
        else if (m_ui->optFemmina->isChecked())
            c.sex = QStringLiteral("F");
        const bool insert = m_ContactId == -1;
        const qint64 group = insert && m_ui->cb_gruppi->isEnabled() && m_ui->cb_gruppi->currentIndex() >= 0
                                 ? m_ui->cb_gruppi->currentData().toLongLong()
                                 : kWholeAddressBook;
        const SaveOutcome saved = saveContact(m_ctx.db(), m_ctx.notifier(), m_ContactId, c, group);
        if (saved.id == kNewContact) {
            m_ctx.message(Icon::Critical, Texts::tr("Il numero di cellulare corrisponde già al contatto ")
                                              + saved.holder.toUpper() + QLatin1Char('.'));
            m_ui->txt_Numero->selectAll();
            m_ui->txt_Numero->setFocus();
            return;
        }
        if (!insert) {
            accept();
            return;
        }
        ClearContactFields();
        m_ContactId = -1;
    });
}

void ContactEditor::cmd_elimina_Click()
{
    guarded(m_ctx, [&] {
        deleteContact(m_ctx.db(), m_ctx.notifier(), m_ContactId);
        accept();
    });
}

void ContactEditor::ClearContactFields()
{
    m_ui->txt_nominativo->clear();
    selectFirst(m_ui->cb_paese);
    selectFirst(m_ui->cb_prefisso);
    for (QLineEdit *box : {m_ui->txt_Numero, m_ui->txt_indirizzo, m_ui->txt_CAP, m_ui->txt_citta,
                           m_ui->msk_data_di_nascita, m_ui->txt_prov, m_ui->txt_regione, m_ui->txt_email})
        box->clear();
    uncheck(m_ui->optMaschio);
    uncheck(m_ui->optFemmina);
    m_ui->txt_nominativo->setFocus();
}

} // namespace brio
