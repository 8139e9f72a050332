#include "app/LogonDialog.h"

#include "app/PictureColumn.h"
#include "app/ProcessSecrets.h"
#include "parsers/BitmapFile.h"
#include "platform/FileException.h"
#include "store/LogonArguments.h"
#include "store/PasswordFileStore.h"
#include "store/Session.h"
#include "ui/ApplicationName.h"
#include "ui/BackgroundCall.h"
#include "ui/BitmapPixmap.h"
#include "ui/FileErrorReport.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QFont>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace custodia {

namespace {

const char kSplashFileName[] = "splash.bmp";

// Command-line arguments come in the platform's own encoding, not the suite's code page.
QString ArgumentText(const std::string& argument)
{
    return QString::fromLocal8Bit(QByteArray::fromStdString(argument));
}

// The picture sits 16 pixels in from the top left; without one, a frame of the usual picture size
// keeps the place.
constexpr int kPictureInset = 16;
constexpr QSize kPictureFrameSize(327, 247);
// Room above the fields for the painted title, subtitle and version.
constexpr int kPaintedTextHeight = 84;
constexpr int kTextColumnWidth = 300;

constexpr int kTitleTop = 5;
constexpr int kSubtitleTop = 35;
constexpr int kVersionTop = 55;

QFont PaintFont(int pixelHeight, QFont::Weight weight)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferQuality);
    return font;
}

// Draws a text with its top, not its baseline, at y.
void DrawTextAt(QPainter& painter, const QFont& font, const QColor& colour, int x, int y, const QString& text)
{
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(x, y + QFontMetrics(font).ascent(), text);
}

// A user file in the current directory that fails while it is read proves nothing about its records:
// the safe reading is that a log-on is needed.
bool LogonRequiredHere()
{
    try {
        return PasswordFileStore::IsLogonRequired();
    } catch (const FileException&) {
        return true;
    }
}

} // namespace

LogonDialog::LogonDialog(Session& session, const WordTable& words, UiServices& ui, const QString& title,
    const QString& subtitle, const QString& version, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint)
    , m_session(session)
    , m_words(words)
    , m_ui(ui)
    , m_title(title)
    , m_subtitle(subtitle)
    , m_version(version)
{
    setObjectName(QStringLiteral("logonDialog"));
    BitmapFile bitmap;
    if (bitmap.LoadBitmapFile(kSplashFileName))
        m_picture = ToPixmap(bitmap);
    BuildWidgets();
    if (const auto& name = m_session.GetUserName())
        m_userName->setText(ArgumentText(*name));
    if (const auto& password = m_session.GetPassword())
        m_password->setText(ArgumentText(*password));
}

void LogonDialog::BuildWidgets()
{
    const PictureColumn column
        = MakePictureColumn(this, m_picture, kPictureFrameSize, PictureColumn::NoticePlace::UnderPicture);
    m_pictureFrame = column.frame;
    m_notice = column.notice;
    QVBoxLayout* left = column.layout;

    m_textColumn = new QWidget(this);
    m_textColumn->setMinimumWidth(kTextColumnWidth);
    auto makeField = [this](const char* name, int maxLength) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        field->setMaxLength(maxLength);
        field->hide();
        return field;
    };
    m_userName = makeField("userName", kMaxUserNameLength);
    m_password = makeField("password", kMaxPasswordLength);
    m_password->setEchoMode(QLineEdit::Password);
    m_loginPathField = makeField("loginPath", kMaxLoginPathLength);
    m_userNameLabel = new QLabel(this);
    m_passwordLabel = new QLabel(this);
    m_loginPathLabel = new QLabel(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(m_userNameLabel, m_userName);
    form->addRow(m_passwordLabel, m_password);
    form->addRow(m_loginPathLabel, m_loginPathField);

    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setAutoDefault(false);
    m_ok->hide();
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &LogonDialog::OnOk);
    connect(m_cancel, &QPushButton::clicked, this, &LogonDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* right = new QVBoxLayout(m_textColumn);
    right->setContentsMargins(0, 0, 0, 0);
    right->addSpacing(kPaintedTextHeight);
    right->addLayout(form);
    right->addStretch();
    right->addLayout(buttons);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(kPictureInset, kPictureInset, 12, 10);
    outer->setSpacing(12);
    outer->addLayout(left);
    outer->addWidget(m_textColumn, 1);

    m_splashTimer = new QTimer(this);
    m_splashTimer->setObjectName(QStringLiteral("splashTimer"));
    m_splashTimer->setSingleShot(true);
    connect(m_splashTimer, &QTimer::timeout, this, [this] { done(Accepted); });
}

void LogonDialog::SetNotice(const QString& text)
{
    m_notice->setText(text);
}

void LogonDialog::SetButtonTexts(const QString& ok, const QString& cancel)
{
    m_ok->setText(ok);
    m_cancel->setText(cancel);
}

void LogonDialog::SetUserNameLabel(const QString& text)
{
    m_userNameLabel->setText(text);
}
void LogonDialog::SetPasswordLabel(const QString& text)
{
    m_passwordLabel->setText(text);
}
void LogonDialog::SetLoginPathLabel(const QString& text)
{
    m_loginPathLabel->setText(text);
}
void LogonDialog::SetDefaultLoginPath(const QString& path)
{
    m_loginPathField->setText(path);
}

void LogonDialog::SetMessage(LogonMessage message, const QString& text)
{
    m_messages.at(static_cast<size_t>(message)) = text;
}

int LogonDialog::RunAtStartup()
{
    m_startupMode = true;
    Initialise();
    return exec();
}

void LogonDialog::showEvent(QShowEvent* event)
{
    Initialise();
    QDialog::showEvent(event);
}

void LogonDialog::Initialise()
{
    if (m_initialised)
        return;
    m_initialised = true;
    if (m_startupMode) {
        m_logonRequired = LogonRequiredHere();
        m_session.SetLogonRequired(m_logonRequired);
        if (m_logonRequired)
            m_startupMode = false;
    }
    if (m_startupMode)
        m_splashTimer->start(m_splashInterval);
    if (m_logonRequired) {
        ShowLogonFields();
        LogonFromArguments();
    } else {
        m_userNameLabel->hide();
        m_passwordLabel->hide();
        m_loginPathLabel->hide();
    }
}

void LogonDialog::ShowLogonFields()
{
    m_ok->show();
    m_ok->setDefault(true);
    for (QLineEdit* field : { m_userName, m_password, m_loginPathField })
        field->show();
    m_userName->setFocus();
}

void LogonDialog::LogonFromArguments()
{
    LogonArguments found = ParseLogonArguments(m_arguments);
    m_session.SetUserName(found.userName);
    m_session.SetPassword(found.password);
    // The password field holds it from here on; no other copy of it stays.
    WipePasswordArguments(m_arguments);
    if (found.userName)
        m_userName->setText(ArgumentText(*found.userName));
    if (found.password) {
        m_password->setText(ArgumentText(*found.password));
        WipeText(*found.password);
    }
    // One press of OK, as if the user had made it, once the dialog runs and can be ended.
    if (found.userName || found.password)
        QTimer::singleShot(0, this, &LogonDialog::OnOk);
}

void LogonDialog::OnOk()
{
    if (!m_logonRequired) {
        done(Accepted);
        return;
    }
    m_loginPath = ToPath(m_loginPathField->text()).Bytes();
    const auto userName = ToStoredText(m_userName->text());
    const auto password = ToStoredText(m_password->text());
    // A character the suite's code page lacks cannot be in any stored name or password.
    if (!userName || !password) {
        ShowMessage(userName ? LogonMessage::WrongPassword : LogonMessage::NoSuchUser);
        return;
    }
    LogonOutcome outcome;
    const bool read = RunReportingFileErrors(this, m_words, m_ui, [&] {
        outcome = RunThrough(m_calls, [&](const FileEnvironment& environment) {
            const NativePath loginPath(m_loginPath);
            return AttemptLogon(m_session, PasswordFileStore(loginPath, environment),
                DatabaseListStore(loginPath, environment), *userName, *password);
        });
    });
    if (!read || outcome.kind == LogonOutcome::Kind::Incomplete)
        return;
    m_groupNumber = outcome.groupNumber;
    if (outcome.kind == LogonOutcome::Kind::Refused) {
        ShowMessage(outcome.message);
        return;
    }
    done(Accepted);
}

void LogonDialog::ShowMessage(LogonMessage message)
{
    m_ui.ShowMessage(this, m_messages.at(static_cast<size_t>(message)), QString::fromLatin1(kApplicationName),
        UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void LogonDialog::reject()
{
    done(m_logonRequired ? Rejected : Accepted);
}

void LogonDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        OnOk();
        return;
    }
    QDialog::keyPressEvent(event);
}

int LogonDialog::TextColumnX() const
{
    return m_textColumn->x();
}

void LogonDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int x = TextColumnX();
    const QFont titleFont = PaintFont(30, QFont::Bold);
    // White first, one pixel down and right, then black over it: a light shadow under the title.
    DrawTextAt(painter, titleFont, Qt::white, x + 1, kTitleTop + 1, m_title);
    DrawTextAt(painter, titleFont, Qt::black, x, kTitleTop, m_title);
    DrawTextAt(painter, PaintFont(18, QFont::Normal), Qt::black, x, kSubtitleTop, m_subtitle);
    DrawTextAt(painter, PaintFont(16, QFont::Normal), Qt::black, x, kVersionTop, m_version);
    if (!m_picture.isNull())
        painter.drawPixmap(m_pictureFrame->pos(), m_picture);
}

} // namespace custodia
