#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QToolButton;

namespace custodia {

// The top of the help bar: the logo with the bar's title painted beside it in large bold letters with
// a light shadow, and the expand and close buttons in the top right corner.
class HelpBarHeader final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTitleGap = 10; // between the logo and the title
    static constexpr int kInset = 4;

    HelpBarHeader(const QString& title, const QPixmap& logo, QWidget* parent = nullptr);

    QToolButton& CloseButton() const { return *m_close; }
    QToolButton& ExpandButton() const { return *m_expand; }
    QRect LogoRect() const;
    // Where the title's text begins: its left edge and its top.
    QPoint TitlePosition() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceButtons();

    QString m_title;
    QPixmap m_logo;
    QFont m_titleFont;
    QToolButton* m_close = nullptr;
    QToolButton* m_expand = nullptr;
};

} // namespace custodia
