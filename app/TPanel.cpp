#include "TPanel.h"

#include <QHBoxLayout>
#include <QLabel>

TPanel::TPanel(QWidget* parent) : QFrame(parent), FLabel(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(FLabel);
    FLabel->setAlignment(Qt::AlignCenter);
}

QString TPanel::Caption() const
{
    return FLabel->text();
}

void TPanel::SetCaption(const QString& text)
{
    FLabel->setText(text);
}

void TPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (OnResize)
        OnResize();
}
