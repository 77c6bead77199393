#include "ui/common/celltips.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>

namespace kestrovalin {

namespace {

class CutCellTips : public QObject {
public:
    explicit CutCellTips(QAbstractItemView* view)
        : QObject(view), m_view(view), m_viewport(view->viewport()) {
        m_viewport->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Compared with the pointer kept: the viewport's last events come while the view is destroyed.
        if (watched != m_viewport || event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect cell = m_view->visualRect(index);
        if (index.isValid() && !text.isEmpty() && m_view->sizeHintForIndex(index).width() > cell.width())
            QToolTip::showText(help->globalPos(), text, m_viewport, cell);
        else
            QToolTip::hideText();
        return true;
    }

private:
    QAbstractItemView* m_view;
    QWidget* m_viewport;
};

} // namespace

void tipCutCells(QAbstractItemView* view) {
    new CutCellTips(view);
}

} // namespace kestrovalin
