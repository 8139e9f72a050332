#include "app/SupportDialog.h"

#include "app/PictureColumn.h"
#include "helpbar/CUrlLabel.h"
#include "parsers/BitmapFile.h"
#include "parsers/SupportText.h"
#include "parsers/TextCharacters.h"
#include "ui/BitmapPixmap.h"
#include "ui/WordText.h"
#include "words/WordTable.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace custodia {

namespace {

const char kSplashFileName[] = "splash.bmp";
const char kMailTo[] = "mailto:";

// Without a picture, a frame of the usual picture size keeps its place.
constexpr QSize kPictureFrameSize(330, 250);
constexpr int kTitleHeight = 30;
constexpr int kTitleTop = 5;
constexpr int kTextColumnWidth = 300;
constexpr int kSupportTextHeight = 180;

QFont TitleFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kTitleHeight);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferQuality);
    return font;
}

// The file keeps its line ends as "\r\n"; the text box wants paragraphs.
QString DisplayedSupportText()
{
    QString text = QString::fromStdString(ToUtf8Text(ReadSupportText()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

} // namespace

SupportDialog::SupportDialog(const WordTable& words, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_title(WordText(words, Word::SupportTitle))
{
    setObjectName(QStringLiteral("supportDialog"));
    setWindowTitle(m_title);
    BitmapFile bitmap;
    if (bitmap.LoadBitmapFile(kSplashFileName))
        m_picture = ToPixmap(bitmap);
    BuildWidgets(words, ui);
    SetNotice(WordText(words, Word::NoticeLine));
}

void SupportDialog::BuildWidgets(const WordTable& words, UiServices& ui)
{
    const PictureColumn pictureColumn
        = MakePictureColumn(this, m_picture, kPictureFrameSize, PictureColumn::NoticePlace::AtBottom);
    m_pictureFrame = pictureColumn.frame;
    m_notice = pictureColumn.notice;
    QVBoxLayout* left = pictureColumn.layout;

    m_supportText = new QPlainTextEdit(DisplayedSupportText(), this);
    m_supportText->setObjectName(QStringLiteral("supportText"));
    m_supportText->setReadOnly(true);
    // Tab goes on to the links.
    m_supportText->setTabChangesFocus(true);
    m_supportText->setAccessibleName(m_title);
    m_supportText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_supportText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_supportText->setMinimumHeight(kSupportTextHeight);

    m_cancel = new QPushButton(WordText(words, Word::Close), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &SupportDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);

    const int titleRoom = kTitleTop + QFontMetrics(TitleFont()).height() + 4;
    auto* right = new QVBoxLayout;
    right->addSpacing(titleRoom);
    right->addWidget(m_supportText, 1);
    right->addWidget(BuildContacts(words, ui));
    right->addLayout(buttons);

    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("textColumn"));
    const int titleWidth = QFontMetrics(TitleFont()).horizontalAdvance(m_title) + 4;
    column->setMinimumWidth(std::max(kTextColumnWidth, titleWidth));
    column->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(kPictureInset, kPictureInset, 12, 10);
    outer->setSpacing(12);
    outer->addLayout(left);
    outer->addWidget(column, 1);

    setTabOrder(m_supportText, m_links[0]);
    setTabOrder(m_links[0], m_links[1]);
    setTabOrder(m_links[1], m_links[2]);
    setTabOrder(m_links[2], m_cancel);
}

QWidget* SupportDialog::BuildContacts(const WordTable& words, UiServices& ui)
{
    auto* contacts = new QFrame(this);
    contacts->setObjectName(QStringLiteral("contactsFrame"));
    contacts->setFrameShape(QFrame::StyledPanel);
    contacts->setFrameShadow(QFrame::Sunken);
    auto* grid = new QGridLayout(contacts);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(1, 1);

    const std::array<Word, kLinkCount> labels { Word::SupportWebLabel, Word::SupportMailLabel,
        Word::SupportSalesLabel };
    const std::array<Word, kLinkCount> links { Word::SupportWebAddress, Word::SupportMailAddress,
        Word::SupportSalesAddress };
    for (int i = 0; i < kLinkCount; ++i) {
        const auto index = static_cast<size_t>(i);
        auto* label = new QLabel(WordText(words, labels[index]), contacts);
        label->setObjectName(QStringLiteral("contactLabel%1").arg(i + 1));
        auto* link = new CUrlLabel(ui, contacts);
        link->setObjectName(QStringLiteral("contactLink%1").arg(i + 1));
        const QString address = WordText(words, links[index]);
        link->setText(address);
        // The web address opens as it stands; the others are mail addresses.
        link->SetURL(i == 0 ? address : QString::fromLatin1(kMailTo) + address);
        label->setBuddy(link);
        grid->addWidget(label, i, 0);
        grid->addWidget(link, i, 1, Qt::AlignLeft);
        m_links[index] = link;
    }
    return contacts;
}

void SupportDialog::SetNotice(const QString& text)
{
    m_notice->setText(text);
}

QString SupportDialog::SupportText() const
{
    return m_supportText->toPlainText();
}

void SupportDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    // A frameless box still needs an edge against what lies behind it.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = TitleFont();
    painter.setFont(font);
    // Just left of the support text, as the other painted titles stand.
    const int x = m_supportText->mapTo(this, QPoint(0, 0)).x() - 2;
    const int baseline = kTitleTop + QFontMetrics(font).ascent();
    // White one pixel down and to the right, black over it: a light shadow under the title.
    painter.setPen(Qt::white);
    painter.drawText(x + 1, baseline + 1, m_title);
    painter.setPen(Qt::black);
    painter.drawText(x, baseline, m_title);
    if (!m_picture.isNull())
        painter.drawPixmap(QPoint(kPictureInset, kPictureInset), m_picture);
}

} // namespace custodia
