#pragma once

#include <QLabel>
#include <QString>

class QTimer;
class UiServices;

namespace custodia {

// A text that is a link: link colours, underlined while the pointer is over it, a pointing hand and
// the target as tooltip. A click, or Enter or Space while it has the focus, opens the target through
// the UI services; a failure beeps and says why in a message box.
class CUrlLabel final : public QLabel {
    Q_OBJECT

public:
    static constexpr int kHoverCheckInterval = 100; // milliseconds
    static inline const QColor kLinkColour { 0, 0, 140 };
    static inline const QColor kVisitedColour { 85, 26, 139 };
    static inline const QColor kHoverColour { 255, 0, 0 };

    explicit CUrlLabel(UiServices& ui, QWidget* parent = nullptr);
    ~CUrlLabel() override;

    // The target opened by a click; until one is set, the shown text is the target.
    void SetURL(const QString& target);
    QString Target() const;

    bool IsHovering() const { return m_hovering; }
    bool IsVisited() const { return m_visited; }
    // The colour the text is drawn in now.
    QColor TextColour() const;

    // Opens the target; visited when that succeeded.
    void Open();

protected:
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void StartHovering();
    void StopHovering();
    void CheckPointerStillOver();
    void UpdateLook();

    UiServices& m_ui;
    QString m_target;
    bool m_hovering = false;
    bool m_visited = false;
    QTimer* m_hoverTimer = nullptr;
};

} // namespace custodia
