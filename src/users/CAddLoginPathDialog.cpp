#include "users/CAddLoginPathDialog.h"

#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/LoginPathList.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "ui/DialogHeader.h"
#include "ui/FailureReport.h"
#include "ui/ItemIcons.h"
#include "ui/StoredTextValidator.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"
#include "users/CFolderDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kMinimumPathFieldWidth = 360;

} // namespace

CAddLoginPathDialog::CAddLoginPathDialog(const WordTable& words, UiServices& ui, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
{
    setObjectName(QStringLiteral("addLoginPathDialog"));
    setWindowTitle(WordText(words, Word::AddLoginPathTitle));

    auto* box = new QGroupBox(WordText(words, Word::LoginPathBox), this);
    m_path = new QLineEdit(box);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setAccessibleName(box->title());
    m_path->setMinimumWidth(kMinimumPathFieldWidth);
    // The managed list keeps a login path in one record of "custo.cfg".
    LimitStoredText(*m_path, loginpaths::kMaxPathLength, TextBytes::Path);
    m_browse = new QPushButton(WordText(words, Word::Browse), box);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    auto* row = new QHBoxLayout(box);
    row->addWidget(m_path, 1);
    row->addWidget(m_browse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(WordText(words, Word::Ok));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(WordText(words, Word::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddLoginPathDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddLoginPathDialog::reject);
    connect(m_browse, &QPushButton::clicked, this, &CAddLoginPathDialog::OnBrowse);

    auto* layout = new QVBoxLayout(this);
    AddDialogHeader(*layout, ItemIcon(ItemImage::LoginPath), WordText(words, Word::AddLoginPathHeader));
    layout->addWidget(box);
    layout->addStretch();
    layout->addWidget(buttons);
}

void CAddLoginPathDialog::OnBrowse()
{
    CFolderDialog browser(m_ui, QLatin1String(kFolderBrowserTitle), m_path->text(), this);
    if (browser.DoModal() == CFolderDialog::Chosen)
        m_path->setText(browser.GetFolderPath());
}

void CAddLoginPathDialog::Refuse(const QString& text)
{
    m_ui.ShowMessage(this, text, WordText(m_words, Word::CheckYourInputCaption), UiServices::Icon::Critical,
        UiServices::Buttons::Ok);
    m_path->setFocus();
}

void CAddLoginPathDialog::accept()
{
    const std::string given = ToPath(m_path->text()).Bytes();
    if (!FitsStoredText(m_path->text(), loginpaths::kMaxPathLength, TextBytes::Path)) {
        Refuse(WordText(m_words, Word::TextTooLong));
        return;
    }
    const Result<std::string> made = MakeDirectoryPath(given);
    if (!made && made.Error().refusal == Failure::Refusal::BadValue) {
        Refuse(WordText(m_words, Word::LoginPathRefused));
        return;
    }
    if (!made) {
        Refuse(WordText(m_words, Word::LoginPathNotMade) + QStringLiteral("\n\n")
            + FailureCauseText(m_words, made.Error()));
        return;
    }
    const std::string& path = *made;
    // The folder is usable without a user file, but no one can log on there until it has one.
    if (const Status created = PasswordFileStore(NativePath(path)).Create(); !created) {
        m_ui.ShowMessage(this,
            WordText(m_words, Word::NoUserFileMade) + QStringLiteral("\n\n")
                + FailureCauseText(m_words, created.Error()),
            WordText(m_words, Word::CheckYourInputCaption), UiServices::Icon::Warning, UiServices::Buttons::Ok);
    }
    m_resultPath = NativePath(path);
    m_path->setText(PathText(m_resultPath));
    QDialog::accept();
}

} // namespace custodia
