#include "helpbar/HelpTextView.h"

#include "parsers/HelpText.h"

#include <QAbstractTextDocumentLayout>
#include <QFontInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>

namespace custodia {

namespace {

QTextCharFormat FormatOf(HelpStyle style, int baseHeight)
{
    const HelpStyleLook look = LookOfHelpStyle(style);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, HelpStyleHeight(style, baseHeight)));
    font.setBold(look.bold);
    font.setItalic(look.italic);
    QTextCharFormat format;
    format.setFont(font);
    format.setForeground(QColor(look.red, look.green, look.blue));
    return format;
}

} // namespace

HelpTextView::HelpTextView(QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // Keyboard users can move through the text and select from it; nothing can change it.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, kBackground);
    setPalette(palette);
}

int HelpTextView::BaseHeight() const
{
    return QFontInfo(font()).pixelSize();
}

void HelpTextView::ShowHelp(const HelpText& help)
{
    m_highlight.reset();
    setExtraSelections({});
    clear();
    const int baseHeight = BaseHeight();
    const std::u32string& characters = help.Characters();
    QTextCursor cursor(document());
    for (const HelpStyleRun& run : help.Runs()) {
        const QString piece = QString::fromUcs4(characters.data() + run.start, run.length);
        cursor.insertText(piece, FormatOf(run.style, baseHeight));
    }
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

void HelpTextView::RemoveHighlight()
{
    m_highlight.reset();
    setExtraSelections({});
}

// The highlight lies over the text as an extra selection, so taking it away leaves the text exactly
// as it was, whatever styles the range spans.
void HelpTextView::Highlight(Range range, Placement placement)
{
    RemoveHighlight();
    const int end = document()->characterCount() - 1;
    const int start = std::clamp(range.position, 0, end);
    const int stop = std::clamp(range.position + range.length, start, end);
    QTextEdit::ExtraSelection selection;
    selection.cursor = QTextCursor(document());
    selection.cursor.setPosition(start);
    selection.cursor.setPosition(stop, QTextCursor::KeepAnchor);
    selection.format.setFontUnderline(true);
    selection.format.setForeground(kHighlightColour);
    setExtraSelections({ selection });
    m_highlight = Range { start, stop - start };

    // The caret goes there too, so that reading on with the keyboard starts at the highlight.
    QTextCursor caret(document());
    caret.setPosition(start);
    setTextCursor(caret);
    ScrollTo(start, placement);
}

int HelpTextView::TopPosition() const
{
    // A little below the edge: right at it the line above may answer.
    return cursorForPosition(QPoint(0, 2)).position();
}

bool HelpTextView::IsShown(int position) const
{
    const int top = LineTop(position) - verticalScrollBar()->value();
    return top >= 0 && top < viewport()->height();
}

void HelpTextView::resizeEvent(QResizeEvent* event)
{
    // At another width the text flows anew and the same scroll value shows other lines: the line that
    // was at the top stays there, and a highlighted hit that was in view stays in view.
    const int top = TopPosition();
    const bool highlightShown = m_highlight && IsShown(m_highlight->position);
    QTextEdit::resizeEvent(event);
    ScrollTo(top, Placement::Top);
    if (highlightShown && !IsShown(m_highlight->position))
        ScrollTo(m_highlight->position, Placement::Top);
}

int HelpTextView::LineTop(int position) const
{
    const QTextBlock block = document()->findBlock(position);
    const QRectF blockRect = document()->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout != nullptr ? layout->lineForTextPosition(position - block.position()) : QTextLine();
    return static_cast<int>(blockRect.top() + (line.isValid() ? line.y() : 0));
}

void HelpTextView::ScrollTo(int position, Placement placement)
{
    QScrollBar* bar = verticalScrollBar();
    int top = LineTop(position);
    if (placement == Placement::BelowTop) {
        // A third of the number of pages in lines, as the bar has always done; but at least one line,
        // and never so many that a match in a long text would be scrolled out of a short view.
        const int pages = bar->pageStep() > 0 ? (bar->maximum() - bar->minimum()) / bar->pageStep() : 0;
        const int lineHeight = std::max(1, QFontMetrics(FormatOf(HelpStyle::Plain, BaseHeight()).font()).lineSpacing());
        const int viewLines = viewport()->height() / lineHeight;
        top -= std::clamp(pages / 3, 1, std::max(1, viewLines / 3)) * lineHeight;
    }
    bar->setValue(std::clamp(top, bar->minimum(), bar->maximum()));
}

} // namespace custodia
