#pragma once
// The list keys over a QListWidget, as the window wires them.

#include "Errors.h"
#include "ListEditing.h"

#include <QListWidget>
#include <QString>

#include <string>

inline uint16_t VirtualKeyFromQt(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key);
    switch (key) {
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return 0;
    }
}

inline unsigned ShiftFromQt(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? unsigned(ssShift) : 0u) |
           (modifiers & Qt::AltModifier ? unsigned(ssAlt) : 0u) |
           (modifiers & Qt::ControlModifier ? unsigned(ssCtrl) : 0u);
}

class TListWidgetEditing : public IEditableList {
public:
    explicit TListWidgetEditing(QListWidget& list) : FList(list) {}
    int Count() override { return FList.count(); }
    std::string Entry(int i) override { return FList.item(i)->text().toStdString(); }
    bool Selected(int i) override { return FList.item(i)->isSelected(); }
    void SelectAll() override { FList.selectAll(); }
    void Remove(int i) override { delete FList.takeItem(i); }
    void Append(const std::string& line) override { FList.addItem(QString::fromStdString(line)); }
    void SetCaption(const std::string& text) override { Caption = text; }

    std::string Caption;

private:
    QListWidget& FList;
};
