#include "users/CUpdateDatabasePathDialog.h"

#include "platform/Platform.h"
#include "ui/NumberText.h"
#include "ui/StoredTextValidator.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"
#include "users/LoggerDatabasePath.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kMinimumPathFieldWidth = 320;

} // namespace

CUpdateDatabasePathDialog::CUpdateDatabasePathDialog(
    const WordTable& words, UiServices& ui, DatabaseList& databases, int slot, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
    , m_databases(databases)
    , m_slot(slot)
{
    setObjectName(QStringLiteral("databasePathDialog"));
    setWindowTitle(QStringLiteral("%1 %2").arg(WordText(words, Word::DatabasePathTitle), ZeroPadded(slot + 1, 2)));

    auto* box = new QGroupBox(this);
    auto* pathLabel = new QLabel(WordText(words, Word::DatabasePathLabel), box);
    m_path = AddPathField("path", databases.GetPath(slot), databaselist::kMaxPathLength);
    m_path->setAccessibleName(pathLabel->text());
    pathLabel->setBuddy(m_path);
    m_browse = new QPushButton(WordText(words, Word::Browse), box);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);

    m_mirrorSwitch = new QCheckBox(WordText(words, Word::MirrorDatabasePathLabel), box);
    m_mirrorSwitch->setObjectName(QStringLiteral("mirrorSwitch"));
    m_mirrorPath = AddPathField("mirrorPath", databases.GetMirrorPath(slot), databaselist::kMaxPathLength);
    // A check box cannot be a buddy; the field takes its text as its name.
    m_mirrorPath->setAccessibleName(m_mirrorSwitch->text());
    m_mirrorBrowse = new QPushButton(WordText(words, Word::Browse), box);
    m_mirrorBrowse->setObjectName(QStringLiteral("mirrorBrowse"));
    m_mirrorBrowse->setAutoDefault(false);

    auto* descriptionLabel = new QLabel(WordText(words, Word::UserDescriptionLabel), box);
    m_description = AddPathField("description", databases.GetDescription(slot), databaselist::kMaxDescriptionLength);
    m_description->setAccessibleName(descriptionLabel->text());
    descriptionLabel->setBuddy(m_description);

    auto* grid = new QGridLayout(box);
    grid->addWidget(pathLabel, 0, 0);
    grid->addWidget(m_path, 0, 1);
    grid->addWidget(m_browse, 0, 2);
    grid->addWidget(m_mirrorSwitch, 1, 0);
    grid->addWidget(m_mirrorPath, 1, 1);
    grid->addWidget(m_mirrorBrowse, 1, 2);
    grid->addWidget(descriptionLabel, 2, 0);
    grid->addWidget(m_description, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    m_path->setMinimumWidth(kMinimumPathFieldWidth);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(WordText(words, Word::Ok));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(WordText(words, Word::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CUpdateDatabasePathDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUpdateDatabasePathDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(buttons);

    // Tab order follows the rows, each field before its Browse button.
    setTabOrder(m_path, m_browse);
    setTabOrder(m_browse, m_mirrorSwitch);
    setTabOrder(m_mirrorSwitch, m_mirrorPath);
    setTabOrder(m_mirrorPath, m_mirrorBrowse);
    setTabOrder(m_mirrorBrowse, m_description);

    const bool mirrorOn = databases.IsMirrorOn(slot);
    m_mirrorSwitch->setChecked(mirrorOn);
    OnMirrorSwitched(mirrorOn);
    connect(m_mirrorSwitch, &QCheckBox::toggled, this, &CUpdateDatabasePathDialog::OnMirrorSwitched);
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(*m_path); });
    connect(m_mirrorBrowse, &QPushButton::clicked, this, [this] { Browse(*m_mirrorPath); });
}

QLineEdit* CUpdateDatabasePathDialog::AddPathField(const char* objectName, const std::string& text, size_t maxBytes)
{
    auto* field = new QLineEdit(StoredText(text), this);
    field->setObjectName(QLatin1String(objectName));
    LimitStoredText(*field, maxBytes);
    return field;
}

void CUpdateDatabasePathDialog::OnMirrorSwitched(bool on)
{
    // Switched off, the mirror path keeps its text, which is still saved.
    m_mirrorPath->setEnabled(on);
    m_mirrorBrowse->setEnabled(on);
}

void CUpdateDatabasePathDialog::Browse(QLineEdit& field)
{
    const QString fileName = QLatin1String(kLoggerDatabaseFileName);
    const QString initialFile
        = field.text().isEmpty() ? fileName : field.text() + QLatin1Char(kPathSeparator) + fileName;
    const std::optional<QString> chosen = ChooseLoggerDatabase(m_ui, this, windowTitle(), initialFile);
    if (!chosen)
        return;
    // Another file than a logger database stands as it was chosen.
    field.setText(LoggerDatabaseFolderOf(*chosen).value_or(*chosen));
}

void CUpdateDatabasePathDialog::accept()
{
    // Browse can bring a path longer than the list holds; it is refused rather than cut.
    for (QLineEdit* field : { m_path, m_mirrorPath }) {
        if (!FitsStoredText(field->text(), databaselist::kMaxPathLength)) {
            m_ui.ShowMessage(this, WordText(m_words, Word::TextTooLong), WordText(m_words, Word::CheckYourInputCaption),
                UiServices::Icon::Critical, UiServices::Buttons::Ok);
            field->setFocus();
            return;
        }
    }
    const auto path = StoredOrRefused(m_path->text(), *m_path, m_ui, m_words);
    const auto mirrorPath = path ? StoredOrRefused(m_mirrorPath->text(), *m_mirrorPath, m_ui, m_words) : std::nullopt;
    const auto description
        = mirrorPath ? StoredOrRefused(m_description->text(), *m_description, m_ui, m_words) : std::nullopt;
    if (!description)
        return;
    m_databases.SetPath(m_slot, *path);
    m_databases.SetMirrorPath(m_slot, *mirrorPath);
    m_databases.SetMirrorOn(m_slot, m_mirrorSwitch->isChecked());
    m_databases.SetDescription(m_slot, *description);
    QDialog::accept();
}

} // namespace custodia
