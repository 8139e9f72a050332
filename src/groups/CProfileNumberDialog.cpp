#include "groups/CProfileNumberDialog.h"

#include "groups/ProfileFieldRules.h"
#include "ui/DialogHeader.h"
#include "ui/ItemIcons.h"
#include "ui/StoredTextValidator.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kPathRow = 0;
constexpr int kNumberRow = 1;
constexpr int kNameRow = 2;

} // namespace

CProfileNumberDialog::CProfileNumberDialog(
    const WordTable& words, UiServices& ui, Word title, Word header, Word okButton, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
{
    setWindowTitle(Text(title));

    auto* box = new QGroupBox(Text(Word::SaveGroupAsGroupBox), this);
    m_fields = new QGridLayout(box);

    m_numberEdit = new QLineEdit(box);
    m_numberEdit->setObjectName(QStringLiteral("numberEdit"));
    m_numberEdit->setMaxLength(kGroupNumberDigits);
    m_numberEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    // Three digits need little room; the name beside the number needs it more.
    m_numberEdit->setMaximumWidth(m_numberEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 2);
    auto* numberLabel = new QLabel(Text(Word::GroupNumberLabel), box);
    numberLabel->setBuddy(m_numberEdit);

    m_nameEdit = new QLineEdit(box);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setValidator(new GroupNameValidator(this));
    auto* nameLabel = new QLabel(Text(Word::GroupNameLabel), box);
    nameLabel->setBuddy(m_nameEdit);

    m_fields->addWidget(numberLabel, kNumberRow, 0);
    m_fields->addWidget(m_numberEdit, kNumberRow, 1, Qt::AlignLeft);
    m_fields->addWidget(nameLabel, kNameRow, 0);
    m_fields->addWidget(m_nameEdit, kNameRow, 1);
    m_fields->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_okButton = buttons->addButton(Text(okButton), QDialogButtonBox::AcceptRole);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    QPushButton* cancelButton = buttons->addButton(Text(Word::Cancel), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CProfileNumberDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CProfileNumberDialog::reject);

    auto* layout = new QVBoxLayout(this);
    AddDialogHeader(*layout, ItemIcon(ItemImage::Group), Text(header));
    layout->addWidget(box);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

QString CProfileNumberDialog::Text(Word word) const
{
    return WordText(m_words, word);
}

void CProfileNumberDialog::SetPathWidget(QWidget* widget)
{
    auto* label = new QLabel(Text(Word::ProfileLoginPathLabel), widget->parentWidget());
    label->setBuddy(widget);
    m_fields->addWidget(label, kPathRow, 0);
    m_fields->addWidget(widget, kPathRow, 1);
    setTabOrder(widget, m_numberEdit);
    setTabOrder(m_numberEdit, m_nameEdit);
    setTabOrder(m_nameEdit, m_okButton);
}

// The number is what a run after a clash needs changed, so every run starts there, ready to overtype.
void CProfileNumberDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_numberEdit->setFocus();
    m_numberEdit->selectAll();
}

void CProfileNumberDialog::setVisible(bool visible)
{
    // A rerun after a clash opens where the last run was, as the supervisor left it: placing it anew
    // counted the window frame in once more each time and walked it across the screen.
    if (!visible && isVisible())
        m_geometry = saveGeometry();
    else if (visible && !isVisible() && !m_geometry.isEmpty())
        restoreGeometry(m_geometry);
    QDialog::setVisible(visible);
}

void CProfileNumberDialog::accept()
{
    // The name is taken as it stands, blank or empty included; only the number is checked.
    const std::optional<std::string> name = StoredOrRefused(m_nameEdit->text(), *m_nameEdit, m_ui, m_words);
    if (!name)
        return;
    m_name = *name;
    const GroupNumberReading reading = ReadGroupNumber(m_numberEdit->text());
    if (reading.number && !reading.trimmedText.isEmpty()) {
        m_number = *reading.number;
        QDialog::accept();
        return;
    }
    m_numberEdit->setText(reading.trimmedText);
    m_ui.ShowMessage(this, Text(Word::GroupNumberOutOfRange), Text(Word::CheckYourInputCaption),
        UiServices::Icon::Critical, UiServices::Buttons::Ok);
    m_numberEdit->setFocus();
    m_numberEdit->selectAll();
}

} // namespace custodia
