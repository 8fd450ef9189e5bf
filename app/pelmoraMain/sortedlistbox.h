#pragma once
#include <QListView>
#include <vector>

class SortedNameModel;

// The sorted list box of the main window: a list view over a SortedNameModel,
// with the item operations the stock commands use.
class SortedListBox : public QListView
{
    Q_OBJECT
public:
    explicit SortedListBox(QWidget *parent = nullptr);

    SortedNameModel *names() const { return m_model; }

    void Clear();
    int Add(const QByteArray &name);
    // The whole batch at once: sorted once, one repaint.
    void Assign(std::vector<QByteArray> names);
    int Count() const;
    // The name of entry i; an index that names no entry throws the list-index error.
    QByteArray Item(int i) const;

    // Single selection: the selected entry, -1 when none. Multiple selection:
    // the entry with the focus.
    int ItemIndex() const;
    // Selects entry i alone (-1 clears the selection); does not report a user selection.
    void SetItemIndex(int i);

    bool Selected(int i) const;
    void SetSelected(int i, bool selected);
    int SelCount() const;

    // The entry equal to the whole name, letter case ignored; -1 when none.
    int IndexOfExact(const QByteArray &name) const;

    void setItemHeight(int height);
    int itemHeight() const { return m_itemHeight; }

signals:
    // Any mouse button pressed on the list, before the list handles it.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &position);
    // The user changed the selection with the mouse or the keyboard.
    void userSelected();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    SortedNameModel *m_model;
    int m_itemHeight = 0;
};
