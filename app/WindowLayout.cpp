// The main window's layout: the rows of the settings panel over the list.
// Sizes are those of the design at 96 dpi with the default font; every
// control grows to what its text needs, and the gaps grow with the font.

#include "MainWindow.h"

#include "TFilenameEdit.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kClientWidth = 497;
constexpr int kClientHeight = 401;
// Line height of the default font (9 pt sans at 96 dpi); gaps grow beyond it.
constexpr double kDesignLineHeight = 14.0;

struct TDesignSize {
    QWidget* Widget;
    int Width;
    int Height;
};

// What a control needs to show its text whole. A push button's own hint
// holds a style's minimum width (80 pixels in Fusion), wider than the design.
QSize NeededSize(QWidget* widget)
{
    const auto* button = qobject_cast<QPushButton*>(widget);
    if (!button)
        return widget->sizeHint();
    const QStyle* style = button->style();
    const QFontMetrics metrics = button->fontMetrics();
    const int frame = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                           style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
    const int text = metrics.size(Qt::TextShowMnemonic, button->text()).width();
    return {text + frame + 2 * metrics.averageCharWidth(), button->sizeHint().height()};
}

} // namespace

double TMainWindow::FontFactor() const
{
    return std::max(1.0, fontMetrics().height() / kDesignLineHeight);
}

int TMainWindow::Gap(int designPixels) const
{
    return static_cast<int>(std::lround(designPixels * FontFactor()));
}

void TMainWindow::PlaceControls()
{
    auto* window = new QVBoxLayout(this);
    window->setSpacing(0);
    window->addWidget(FSettingsPanel);
    window->addWidget(FFileList, 1);

    auto* panel = new QVBoxLayout(FSettingsPanel);
    panel->setSpacing(0);
    FGrid = new QGridLayout;
    panel->addLayout(FGrid);
    panel->addWidget(FStatusPanel);

    auto* sizes = new QHBoxLayout;
    sizes->setSpacing(0);
    QWidget* firstRow[] = {aSize, aFramSize, Frame, square, FColourSwatch, Clearit};
    for (size_t i = 0; i < std::size(firstRow); ++i) {
        if (i > 0) {
            FRowGaps[i - 1] = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
            sizes->addSpacerItem(FRowGaps[i - 1]);
        }
        sizes->addWidget(firstRow[i], 0, Qt::AlignVCenter);
    }
    sizes->addStretch(1);
    FProgressRow = new QHBoxLayout;
    FProgressRow->setSpacing(0);
    FProgressRow->addWidget(FProgressBar, 1, Qt::AlignVCenter);
    FProgressGap = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    FProgressRow->addSpacerItem(FProgressGap);
    FProgressRow->addWidget(FStopButton, 0, Qt::AlignVCenter);

    // The right column (Inc subs, Open, GO) keeps to the window's right edge.
    // The field and the bar end a little short of the first row, as designed.
    auto* zipRow = new QHBoxLayout;
    zipRow->setSpacing(0);
    zipRow->addWidget(ZipFile, 1, Qt::AlignVCenter);
    FZipRowEnd = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    zipRow->addSpacerItem(FZipRowEnd);
    FProgressRowEnd = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    FProgressRow->addSpacerItem(FProgressRowEnd);

    FGrid->addLayout(sizes, 0, 0);
    FGrid->addWidget(IncSubs, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    FGrid->addLayout(zipRow, 1, 0);
    FGrid->addWidget(FOpenButton, 1, 1, Qt::AlignLeft | Qt::AlignVCenter);
    FGrid->addLayout(FProgressRow, 2, 0);
    FGrid->addWidget(FGoButton, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
    FGrid->setColumnStretch(0, 1);

    SizeFromFont();
    resize(minimumSize());
}

void TMainWindow::SizeFromFont()
{
    if (!FGrid)
        return;
    const TDesignSize designs[] = {
        {aSize, 53, 26},         {aFramSize, 44, 26},     {Frame, 66, 17},       {square, 66, 17},
        {FColourSwatch, 49, 24}, {Clearit, 59, 17},       {IncSubs, 76, 17},     {ZipFile, 370, 24},
        {FOpenButton, 64, 25},   {FProgressBar, 289, 17}, {FStopButton, 64, 25}, {FGoButton, 64, 25},
    };
    for (const TDesignSize& d : designs) {
        const bool stretches = d.Widget == ZipFile || d.Widget == FProgressBar;
        const QSize hint = NeededSize(d.Widget);
        const QSize wanted(std::max(stretches ? Gap(d.Width) : d.Width, hint.width()), std::max(d.Height, hint.height()));
        d.Widget->setMinimumSize(wanted);
        if (!stretches)
            d.Widget->setMaximumWidth(wanted.width());
    }
    PlaceFirstRow();

    layout()->setContentsMargins(5, 5, 5, 5);
    FSettingsPanel->layout()->setContentsMargins(5, Gap(13), 5, 5);
    FGrid->setContentsMargins(Gap(11), 0, Gap(3), Gap(8));
    FGrid->setHorizontalSpacing(Gap(10));
    FGrid->setVerticalSpacing(Gap(8));
    for (int row = 0; row < 3; ++row)
        FGrid->setRowMinimumHeight(row, Gap(26));
    FProgressGap->changeSize(Gap(18), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    FZipRowEnd->changeSize(Gap(7), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    FProgressRowEnd->changeSize(Gap(6), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    FStatusPanel->setMinimumHeight(std::max(25, FStatusPanel->sizeHint().height()));
    FFileList->setMinimumHeight(Gap(236));
    layout()->invalidate();

    setMinimumSize(QSize(kClientWidth, kClientHeight).expandedTo(layout()->totalMinimumSize()));
}

// Each control of the first row at its design place, grown with the font,
// and pushed right only as far as the ones before it need.
void TMainWindow::PlaceFirstRow()
{
    struct TRowPlace {
        QWidget* Widget;
        int Left;
        int MinGap;   // a check box's own margin is gap enough after it
    };
    const TRowPlace places[] = {{aSize, 16, 0},  {aFramSize, 75, 6},     {Frame, 129, 6},
                                {square, 193, 0}, {FColourSwatch, 272, 6}, {Clearit, 334, 6}};
    const int panelMargin = 5;
    int end = panelMargin + Gap(11) + aSize->minimumWidth();
    for (size_t i = 1; i < std::size(places); ++i) {
        const int gap = std::max(Gap(places[i].MinGap), Gap(places[i].Left) - end);
        FRowGaps[i - 1]->changeSize(gap, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
        end += gap + places[i].Widget->minimumWidth();
    }
}
