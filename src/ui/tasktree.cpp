#include "ui/tasktree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TTaskTree::TTaskTree(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("TaskTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);   // hot-tracking of the node under the mouse
    setAttribute(Qt::WA_Hover);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && !current->isSelected())
            current->setSelected(true);
        emit SelectionChanged();
    });
    // The commands act on the current node, so it always shows as selected (a Ctrl+click would
    // otherwise clear the highlight and leave the task in force unseen).
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* current = currentItem();
        if (current && !current->isSelected())
            current->setSelected(true);
    });
}

void TTaskTree::Reset(const QStringList& names)
{
    {
        const QSignalBlocker blocker(this);
        clear();
        m_root = new QTreeWidgetItem(this, QStringList{RootCaption()});
        for (const QString& name : names)
            new QTreeWidgetItem(m_root, QStringList{name});
    }
    setCurrentItem(m_root);   // runs the selection handling for the root
    expandAll();
}

QStringList TTaskTree::TaskNames() const
{
    QStringList names;
    if (!m_root)
        return names;
    for (int i = 0; i < m_root->childCount(); ++i)
        names.append(m_root->child(i)->text(0));
    return names;
}

QStringList TTaskTree::AllCaptions() const
{
    QStringList captions;
    if (m_root)
        captions.append(m_root->text(0));
    captions.append(TaskNames());
    return captions;
}

void TTaskTree::AddTask(const QString& name)
{
    auto* item = new QTreeWidgetItem(m_root, QStringList{name});
    m_root->setExpanded(true);
    setCurrentItem(item);
}

std::optional<QString> TTaskTree::SelectedTask() const
{
    const QTreeWidgetItem* item = currentItem();
    if (!item || item == m_root || item->text(0) == RootCaption())
        return std::nullopt;
    return item->text(0);
}

void TTaskTree::RemoveSelectedTask()
{
    QTreeWidgetItem* item = currentItem();
    if (!item || item == m_root || !m_root)
        return;
    const int index = m_root->indexOfChild(item);
    QTreeWidgetItem* next = m_root->child(index + 1);
    if (!next)
        next = index > 0 ? m_root->child(index - 1) : m_root;
    {
        // The node goes away without a selection change of its own; the neighbour's follows.
        const QSignalBlocker blocker(this);
        setCurrentItem(next);
        delete m_root->takeChild(index);
    }
    emit SelectionChanged();
}

void TTaskTree::UpdateSelectedTask(const QString& name)
{
    QTreeWidgetItem* item = currentItem();
    if (!item || item == m_root)
        return;
    item->setText(0, name);
    emit SelectionChanged();
}

void TTaskTree::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && SelectedTask()) {
        event->accept();
        emit EditRequested();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TTaskTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && item && item != m_root) {
        // The first click of the pair has made it the selected node.
        setCurrentItem(item);
        event->accept();
        emit EditRequested();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}
