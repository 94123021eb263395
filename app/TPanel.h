#pragma once
// A bevelled panel with a centred caption.

#include <QFrame>

#include <functional>

class QLabel;

class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);
    QString Caption() const;
    void SetCaption(const QString& text);

    // Runs after every change of size; controls that follow an edge go there.
    std::function<void()> OnResize;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* FLabel;
};
