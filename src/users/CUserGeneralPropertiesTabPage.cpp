#include "users/CUserGeneralPropertiesTabPage.h"

#include "store/TextRules.h"
#include "store/UserRecord.h"
#include "ui/StoredTextValidator.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace custodia {

// The core's rule, the one custodiactl applies too.
bool IsStorablePassword(const QString& password)
{
    return IsAcceptablePassword(password.toStdString());
}

CUserGeneralPropertiesTabPage::CUserGeneralPropertiesTabPage(
    const WordTable& words, UiServices& ui, UserEntry& entry, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_ui(ui)
    , m_entry(entry)
{
    setObjectName(QStringLiteral("generalPage"));
    const UserRecord& user = entry.user;
    m_userName = AddField("userName", userrecord::kMaxUserNameLength, user.userName);
    m_fullName = AddField("fullName", userrecord::kMaxFullNameLength, user.fullName);
    m_description = AddField("description", userrecord::kMaxDescriptionLength, user.description);
    // Both boxes start with the stored password, so an untouched password passes the comparison.
    m_password = AddField("password", kMaxPasswordLength, user.password);
    m_confirmation = AddField("confirmPassword", kMaxPasswordLength, user.password);
    m_password->setEchoMode(QLineEdit::Password);
    m_confirmation->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout(this);
    const std::pair<Word, QLineEdit*> rows[] = {
        { Word::UserNameFieldLabel, m_userName },
        { Word::UserFullNameLabel, m_fullName },
        { Word::UserDescriptionLabel, m_description },
        { Word::UserPasswordLabel, m_password },
        { Word::UserConfirmPasswordLabel, m_confirmation },
    };
    for (const auto& [labelWord, field] : rows) {
        auto* label = new QLabel(WordText(words, labelWord), this);
        label->setBuddy(field);
        form->addRow(label, field);
        field->setAccessibleName(label->text());
    }
}

QLineEdit* CUserGeneralPropertiesTabPage::AddField(const char* objectName, size_t maxBytes, const std::string& text)
{
    auto* field = new QLineEdit(StoredText(text), this);
    field->setObjectName(QLatin1String(objectName));
    LimitStoredText(*field, maxBytes);
    return field;
}

QString CUserGeneralPropertiesTabPage::TrimmedUserName() const
{
    const QString name = m_userName->text();
    qsizetype first = 0;
    while (first < name.size() && name.at(first).isSpace())
        ++first;
    return name.mid(first);
}

void CUserGeneralPropertiesTabPage::Refuse(int textWord, int captionWord)
{
    m_ui.ShowMessage(this, WordText(m_words, textWord), WordText(m_words, captionWord), UiServices::Icon::Critical,
        UiServices::Buttons::Ok);
}

bool CUserGeneralPropertiesTabPage::ValidateAndApply()
{
    // Compared as typed, case-sensitively: two boxes that differ only in letter case do not match.
    if (m_password->text() != m_confirmation->text()) {
        Refuse(WordNumber(Word::PasswordsDiffer), WordNumber(Word::PasswordsDifferCaption));
        m_password->setFocus();
        return false;
    }
    const QString name = TrimmedUserName();
    if (name.isEmpty()) {
        Refuse(WordNumber(Word::EmptyUserName), WordNumber(Word::CheckYourInputCaption));
        m_userName->setFocus();
        return false;
    }
    if (!IsStorablePassword(m_password->text())) {
        Refuse(WordNumber(Word::PasswordCharacters), WordNumber(Word::CheckYourInputCaption));
        m_password->setFocus();
        return false;
    }
    // A text put in by a program bypasses the validators; refuse it rather than cut it.
    struct Field {
        QString text;
        QLineEdit* edit;
        size_t maxBytes;
        std::string* stored;
    };
    UserRecord user = m_entry.user;
    const Field fields[] = {
        { name, m_userName, userrecord::kMaxUserNameLength, &user.userName },
        { m_fullName->text(), m_fullName, userrecord::kMaxFullNameLength, &user.fullName },
        { m_description->text(), m_description, userrecord::kMaxDescriptionLength, &user.description },
        { m_password->text(), m_password, kMaxPasswordLength, &user.password },
    };
    for (const Field& field : fields) {
        const std::optional<std::string> stored = StoredOrRefused(field.text, *field.edit, m_ui, m_words);
        if (!stored)
            return false;
        if (stored->size() > field.maxBytes) {
            Refuse(WordNumber(Word::TextTooLong), WordNumber(Word::CheckYourInputCaption));
            return false;
        }
        *field.stored = *stored;
    }
    m_entry.user = user;
    return true;
}

} // namespace custodia
