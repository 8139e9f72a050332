#include "helpbar/CHelpBar.h"

#include "helpbar/HelpBarHeader.h"
#include "helpbar/HelpBarSettings.h"
#include "helpbar/HelpTextView.h"
#include "parsers/BitmapFile.h"
#include "parsers/HelpSearch.h"
#include "ui/BitmapPixmap.h"
#include "ui/ItemIcons.h"
#include "ui/WordText.h"
#include "words/WordTable.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

// The icons are compiled into the UI library, a static library, and registered on first use.
static void RegisterHelpBarIcons()
{
    if (!QFile::exists(QStringLiteral(":/icons/search-16.png")))
        Q_INIT_RESOURCE(custodia);
}

namespace custodia {

namespace {

constexpr int kPositionRole = Qt::UserRole;
constexpr int kLengthRole = Qt::UserRole + 1;
constexpr int kSectionRole = Qt::UserRole + 2; // true for a hit list's section row
constexpr int kListsHeight = 170;
constexpr int kTextHeight = 330;
// Room left of the controls for the drag zone, and the text box's margin on the other sides.
constexpr int kEdgeMargin = 6;
constexpr int kMargin = 2;

QIcon HelpBarIcon(const char* name, QStyle::StandardPixmap fallback)
{
    RegisterHelpBarIcons();
    QIcon icon;
    for (const char* size : { "-16.png", "-32.png" }) {
        const QString path = QStringLiteral(":/icons/") + QLatin1String(name) + QLatin1String(size);
        if (QFile::exists(path))
            icon.addFile(path);
    }
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

void SetTips(QWidget& widget, const QString& tip)
{
    widget.setToolTip(tip);
    widget.setStatusTip(tip);
    widget.setAccessibleName(tip);
}

QPixmap LoadLogo()
{
    BitmapFile logo;
    if (logo.LoadBitmapFile(CHelpBar::kLogoFileName))
        return ToPixmap(logo);
    return ApplicationIcon().pixmap(32, 32);
}

QListWidget* MakeList(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(accessibleName);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, CHelpBar::kListBackground);
    palette.setColor(QPalette::Text, Qt::black);
    list->setPalette(palette);
    return list;
}

QListWidgetItem* MakeRow(const QString& text, int position, int length)
{
    auto* item = new QListWidgetItem(text);
    item->setData(kPositionRole, position);
    item->setData(kLengthRole, length);
    return item;
}

} // namespace

CHelpBar::CHelpBar(const WordTable& words, QMainWindow& frame, const std::string& helpBaseName)
    : QDockWidget(WordText(words, Word::HelpWindowTitle), &frame)
    , m_frame(frame)
    , m_hintText(WordText(words, Word::HelpSearchHint))
    , m_noMatchesText(WordText(words, Word::HelpNoMatches))
    , m_expandTip(WordText(words, Word::HelpExpandTooltip))
    , m_restoreTip(WordText(words, Word::HelpRestoreTooltip))
{
    setObjectName(QStringLiteral("helpBar"));
    // The bar's own buttons close and expand it; it stays docked at the right.
    setFeatures(QDockWidget::NoDockWidgetFeatures);
    setAllowedAreas(Qt::RightDockWidgetArea);

    m_header = new HelpBarHeader(windowTitle(), LoadLogo(), this);
    SetTips(*m_header, WordText(words, Word::HelpTitleTooltip));
    SetTips(m_header->CloseButton(), WordText(words, Word::HelpCloseTooltip));
    m_header->CloseButton().setIcon(HelpBarIcon("helpbar-close", QStyle::SP_TitleBarCloseButton));
    connect(&m_header->CloseButton(), &QToolButton::clicked, this, &CHelpBar::closeRequested);
    connect(&m_header->ExpandButton(), &QToolButton::clicked, this, &CHelpBar::ToggleExpanded);
    UpdateExpandButton();
    setTitleBarWidget(m_header);
    setWidget(BuildContents(words));

    for (QWidget* area : { static_cast<QWidget*>(m_header), widget() }) {
        area->setMouseTracking(true);
        area->installEventFilter(this);
    }

    LoadHelp(words, helpBaseName);
    ShowOnlyRow(*m_hits, m_hintText);
}

QWidget* CHelpBar::BuildContents(const WordTable& words)
{
    auto* contents = new QWidget(this);
    contents->setObjectName(QStringLiteral("helpBarContents"));
    m_text = new HelpTextView(contents);
    m_text->setObjectName(QStringLiteral("helpText"));
    m_text->setAccessibleName(WordText(words, Word::HelpTitleTooltip));

    auto* splitter = new QSplitter(Qt::Vertical, contents);
    splitter->setObjectName(QStringLiteral("helpBarSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(BuildLists(words));
    splitter->addWidget(m_text);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ kListsHeight, kTextHeight });

    auto* layout = new QVBoxLayout(contents);
    layout->setContentsMargins(kEdgeMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(4);
    layout->addWidget(BuildSearchRow(words));
    layout->addWidget(splitter, 1);
    return contents;
}

QWidget* CHelpBar::BuildSearchRow(const WordTable& words)
{
    auto* row = new QWidget(this);
    auto* label = new QLabel(WordText(words, Word::HelpSearchLabel), row);
    label->setObjectName(QStringLiteral("searchLabel"));
    m_searchBox = new QLineEdit(row);
    m_searchBox->setObjectName(QStringLiteral("searchBox"));
    m_searchBox->setToolTip(m_hintText);
    m_searchBox->setStatusTip(m_hintText);
    m_searchBox->setClearButtonEnabled(true);
    label->setBuddy(m_searchBox);
    m_searchButton = new QToolButton(row);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setIcon(HelpBarIcon("search", QStyle::SP_FileDialogContentsView));
    SetTips(*m_searchButton, WordText(words, Word::HelpSearchTooltip));
    // Enter in the search box searches, as the search button is the bar's default button.
    connect(m_searchBox, &QLineEdit::returnPressed, this, &CHelpBar::Search);
    connect(m_searchButton, &QToolButton::clicked, this, &CHelpBar::Search);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(m_searchBox, 1);
    layout->addWidget(m_searchButton);
    return row;
}

QWidget* CHelpBar::BuildLists(const WordTable& words)
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("helpTabs"));
    m_contents = MakeList("contentsList", WordText(words, Word::HelpContentsTab), m_tabs);
    m_hits = MakeList("hitList", WordText(words, Word::HelpSearchResultsTab), m_tabs);
    m_tabs->addTab(m_contents, WordText(words, Word::HelpContentsTab));
    m_tabs->addTab(m_hits, WordText(words, Word::HelpSearchResultsTab));
    // A double click, or Enter on a row.
    connect(m_contents, &QListWidget::itemActivated, this, &CHelpBar::ShowContentsRow);
    connect(m_hits, &QListWidget::itemActivated, this, &CHelpBar::ShowHit);
    return m_tabs;
}

void CHelpBar::LoadHelp(const WordTable& words, const std::string& baseName)
{
    std::string languageName;
    std::string extension = HelpFile::kFallbackExtension;
    if (!words.ReadLanguageFile(languageName, extension))
        extension = HelpFile::kFallbackExtension;
    m_help.Load(baseName, extension);
    m_text->ShowHelp(m_help.GetText());
    FillContents();
}

void CHelpBar::FillContents()
{
    m_contents->clear();
    for (const HelpTitle& title : m_help.GetText().Titles())
        m_contents->addItem(MakeRow(StoredText(title.text), title.position, title.length));
}

void CHelpBar::ShowOnlyRow(QListWidget& list, const QString& text)
{
    list.clear();
    auto* item = new QListWidgetItem(text, &list);
    item->setForeground(kGreyRowColour);
    if (&list == m_hits)
        m_showsHits = false;
}

void CHelpBar::Search()
{
    m_tabs->setCurrentIndex(kSearchResultsTab);
    // A character the code page lacks is in no help text: such a search finds nothing.
    const std::optional<std::string> searched = ToStoredText(m_searchBox->text());
    const std::vector<HelpHit> hits = searched ? SearchHelpText(m_help.GetText(), *searched) : std::vector<HelpHit> {};
    if (hits.empty()) {
        ShowOnlyRow(*m_hits, m_noMatchesText);
        m_text->RemoveHighlight();
        return;
    }
    m_hits->clear();
    m_showsHits = true;
    QListWidgetItem* firstMatch = nullptr;
    for (const HelpHit& hit : hits) {
        QListWidgetItem* item = MakeRow(StoredText(hit.text), hit.position, hit.length);
        item->setData(kSectionRole, hit.kind == HelpHit::Kind::Section);
        m_hits->addItem(item);
        if (firstMatch == nullptr && hit.kind == HelpHit::Kind::Match)
            firstMatch = item;
    }
    m_hits->setCurrentItem(firstMatch);
    ShowHit(firstMatch);
}

void CHelpBar::ShowContentsRow(QListWidgetItem* item)
{
    if (item == nullptr)
        return;
    m_text->Highlight(
        { item->data(kPositionRole).toInt(), item->data(kLengthRole).toInt() }, HelpTextView::Placement::Top);
}

void CHelpBar::ShowHit(QListWidgetItem* item)
{
    if (!m_showsHits || item == nullptr)
        return;
    const bool section = item->data(kSectionRole).toBool();
    m_text->Highlight({ item->data(kPositionRole).toInt(), item->data(kLengthRole).toInt() },
        section ? HelpTextView::Placement::Top : HelpTextView::Placement::BelowTop);
}

void CHelpBar::FocusSearch()
{
    m_searchBox->setFocus(Qt::ShortcutFocusReason);
    m_searchBox->selectAll();
}

void CHelpBar::SetShown(bool shown)
{
    setVisible(shown);
    RememberHelpBarShown(shown);
}

void CHelpBar::ToggleExpanded()
{
    if (m_expanded) {
        m_expanded = false;
        ResizeTo(m_widthBeforeExpanding);
    } else {
        m_widthBeforeExpanding = width();
        m_expanded = true;
        ResizeTo(m_frame.width());
    }
    UpdateExpandButton();
    // The button moved from under the pointer without the pointer leaving it, so the status bar would
    // keep the tip of what the button did before.
    QStatusTipEvent tip(m_header->ExpandButton().underMouse() ? m_header->ExpandButton().statusTip() : QString());
    QCoreApplication::sendEvent(&m_header->ExpandButton(), &tip);
}

void CHelpBar::UpdateExpandButton()
{
    QToolButton& button = m_header->ExpandButton();
    button.setIcon(m_expanded ? HelpBarIcon("helpbar-restore", QStyle::SP_TitleBarNormalButton)
                              : HelpBarIcon("helpbar-expand", QStyle::SP_TitleBarMaxButton));
    SetTips(button, m_expanded ? m_restoreTip : m_expandTip);
}

void CHelpBar::ResizeTo(int width)
{
    m_frame.resizeDocks({ this }, { std::max(width, minimumSizeHint().width()) }, Qt::Horizontal);
}

void CHelpBar::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    if (m_widthRestored)
        return;
    m_widthRestored = true;
    if (const int width = RememberedHelpBarWidth(); width > 0)
        ResizeTo(width);
}

void CHelpBar::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    // An expanded bar gives its width back later; the width to keep is the one from before. A bar that
    // fills the window because nothing else is shown (no accounts before the log-on) has none to keep.
    const QWidget* rest = m_frame.centralWidget();
    if (m_widthRestored && isVisible() && !m_expanded && (rest == nullptr || rest->isVisible()))
        RememberHelpBarWidth(width());
}

bool CHelpBar::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* area = qobject_cast<QWidget*>(watched); area != nullptr && HandleEdgeDrag(area, event))
        return true;
    return QDockWidget::eventFilter(watched, event);
}

// Dragging the bar's left edge: moving left widens the bar, moving right narrows it.
bool CHelpBar::HandleEdgeDrag(QWidget* area, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const int x = area->mapTo(this, mouse->position().toPoint()).x();
    const bool inZone = x >= 0 && x < kDragZoneWidth;
    const int globalX = mouse->globalPosition().toPoint().x();
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && inZone) {
        m_dragging = true;
        m_dragStartX = globalX;
        m_dragStartWidth = width();
        return true;
    }
    if (type == QEvent::MouseMove) {
        if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            ResizeTo(std::max(0, m_dragStartWidth + m_dragStartX - globalX));
            return true;
        }
        m_dragging = false;
        if (inZone)
            area->setCursor(Qt::SizeHorCursor);
        else
            area->unsetCursor();
        return false;
    }
    if (type == QEvent::MouseButtonRelease && m_dragging) {
        m_dragging = false;
        return true;
    }
    return false;
}

} // namespace custodia
