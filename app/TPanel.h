#pragma once
// A bevelled panel with a centred caption.

#include <QFrame>

class QLabel;

class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);
    QString Caption() const;
    void SetCaption(const QString& text);

private:
    QLabel* FLabel;
};
