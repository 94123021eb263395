// The layout at the default font, and at larger fonts and other styles:
// nothing cut, nothing off the window, the minimum size grows with the font.

#include "TFilenameEdit.h"
#include "TListBox.h"
#include "TPanel.h"
#include "TShape.h"
#include "TSpinEdit.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionSpinBox>
#include <QToolButton>

namespace {

// Design placement at 96 dpi, inside the settings panel.
struct TPlace {
    const char* Name;
    QWidget* Widget;
    QRect Design;
};

QList<TPlace> DesignPlaces(TMainWindow& w)
{
    return {{"aSize", w.aSize, {16, 13, 53, 26}},          {"aFramSize", w.aFramSize, {75, 13, 44, 26}},
            {"Frame", w.Frame, {129, 16, 66, 17}},         {"square", w.square, {193, 16, 66, 17}},
            {"swatch", w.FColourSwatch, {272, 12, 49, 24}}, {"Clearit", w.Clearit, {334, 16, 59, 17}},
            {"IncSubs", w.IncSubs, {403, 16, 76, 17}},     {"ZipFile", w.ZipFile, {16, 46, 370, 24}},
            {"Open", w.FOpenButton, {403, 44, 64, 25}},     {"bar", w.FProgressBar, {16, 83, 289, 17}},
            {"STOP", w.FStopButton, {323, 79, 64, 25}},     {"GO", w.FGoButton, {403, 79, 64, 25}},
            {"status", w.FStatusPanel, {5, 115, 477, 25}}};
}

// Room the style gives a control's text, against what the text needs.
void ExpectCaptionWhole(QWidget* widget)
{
    const QFontMetrics metrics = widget->fontMetrics();
    QStyle* style = widget->style();
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect room = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        EXPECT_GE(room.width(), metrics.size(Qt::TextShowMnemonic, box->text()).width()) << box->text().toStdString();
        EXPECT_GE(box->height(), metrics.height()) << box->text().toStdString();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        EXPECT_GE(room.width(), metrics.size(Qt::TextShowMnemonic, button->text()).width()) << button->text().toStdString();
        EXPECT_GE(room.height(), metrics.height()) << button->text().toStdString();
    } else if (auto* spin = qobject_cast<TSpinEdit*>(widget)) {
        QStyleOptionSpinBox option;
        option.initFrom(spin);
        option.subControls = QStyle::SC_All;
        option.frame = true;
        const QRect field = style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, spin);
        EXPECT_GE(field.width(), metrics.horizontalAdvance(QString::number(spin->MaxValue())));
        EXPECT_GE(field.height(), metrics.height());
    }
}

// The control lies wholly inside the window.
void ExpectInside(TMainWindow& window, QWidget* widget, const char* name)
{
    const QRect inWindow(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(window.rect().contains(inWindow)) << name;
}

} // namespace

TEST_F(WindowTest, DefaultLookFollowsTheDesign)
{
    // The default font: the design's gaps, not grown ones.
    ASSERT_LE(MainWindow->fontMetrics().height(), 15) << "not the default 9 pt font";
    EXPECT_EQ(MainWindow->minimumSize(), QSize(497, 401));
    EXPECT_EQ(MainWindow->size(), QSize(497, 401));
    // Within a few pixels of the design: the style sizes fields and buttons.
    for (const TPlace& place : DesignPlaces(*MainWindow)) {
        const QRect at(place.Widget->mapTo(MainWindow->FSettingsPanel, QPoint(0, 0)), place.Widget->size());
        EXPECT_NEAR(at.left(), place.Design.left(), 4) << place.Name;
        EXPECT_NEAR(at.center().y(), place.Design.center().y(), 4) << place.Name;
        EXPECT_NEAR(at.width(), place.Design.width(), 4) << place.Name;
    }
    EXPECT_NEAR(MainWindow->FSettingsPanel->height(), 145, 4);
    EXPECT_EQ(MainWindow->FFileList->y(), 5 + MainWindow->FSettingsPanel->height());
}

TEST_F(WindowTest, ListZipFieldAndStatusPanelStretchWithTheWindow)
{
    const int list = MainWindow->FFileList->width();
    const int field = MainWindow->ZipFile->width();
    const int status = MainWindow->FStatusPanel->width();
    const int goRight = MainWindow->width() - MainWindow->FGoButton->mapTo(MainWindow.get(), QPoint(0, 0)).x();
    const int sizeLeft = MainWindow->aSize->mapTo(MainWindow.get(), QPoint(0, 0)).x();
    MainWindow->resize(800, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(MainWindow->FFileList->width(), list + 800 - 497);
    EXPECT_EQ(MainWindow->ZipFile->width(), field + 800 - 497);
    EXPECT_EQ(MainWindow->FStatusPanel->width(), status + 800 - 497);
    EXPECT_GT(MainWindow->FFileList->height(), 700 - 401);
    // The right column follows the right edge; the first row stays left.
    EXPECT_EQ(MainWindow->width() - MainWindow->FGoButton->mapTo(MainWindow.get(), QPoint(0, 0)).x(), goRight);
    EXPECT_EQ(MainWindow->aSize->mapTo(MainWindow.get(), QPoint(0, 0)).x(), sizeLeft);
    // Never smaller than the minimum.
    MainWindow->resize(200, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(MainWindow->size(), MainWindow->minimumSize());
}

class LargeFontTest : public WindowTest, public ::testing::WithParamInterface<std::tuple<int, const char*>> {
protected:
    void SetUp() override
    {
        FOldFont = QApplication::font();
        FOldStyle = QApplication::style()->name();
        const auto [points, style] = GetParam();
        if (*style)
            QApplication::setStyle(QStyleFactory::create(style));
        QFont font = FOldFont;
        font.setPointSize(points);
        QApplication::setFont(font);
        WindowTest::SetUp();
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        QApplication::setFont(FOldFont);
        QApplication::setStyle(QStyleFactory::create(FOldStyle));
    }
    QFont FOldFont;
    QString FOldStyle;
};

TEST_P(LargeFontTest, NoCaptionFieldOrRowIsCut)
{
    MainWindow->FFileList->addItem("/photos/g_j_y_underscore.jpg");
    MainWindow->FFileList->addItem("/photos/second_entry.jpg");
    QFont bold = MainWindow->FFileList->font();
    bold.setBold(true);
    MainWindow->FFileList->item(0)->setFont(bold);   // as a run marks its entry
    QCoreApplication::processEvents();

    for (const TPlace& place : DesignPlaces(*MainWindow)) {
        ExpectCaptionWhole(place.Widget);
        ExpectInside(*MainWindow, place.Widget, place.Name);
    }
    const QFontMetrics metrics = MainWindow->fontMetrics();
    EXPECT_GE(MainWindow->ZipFile->Edit()->height(), metrics.height());
    EXPECT_GE(MainWindow->ZipFile->BrowseButton()->width(), metrics.horizontalAdvance("..."));
    EXPECT_GE(MainWindow->FStatusPanel->contentsRect().height(), metrics.height());
    for (int row = 0; row < 2; ++row)
        EXPECT_GE(MainWindow->FFileList->visualItemRect(MainWindow->FFileList->item(row)).height(),
                  QFontMetrics(bold).height());
    // No two controls of the settings panel overlap.
    const QList<TPlace> places = DesignPlaces(*MainWindow);
    for (int i = 0; i < places.size(); ++i)
        for (int j = i + 1; j < places.size(); ++j)
            EXPECT_FALSE(places[i].Widget->geometry().intersects(places[j].Widget->geometry()) &&
                         places[i].Widget->parentWidget() == places[j].Widget->parentWidget())
                << places[i].Name << " and " << places[j].Name;
    // The window is at least as large as at the default font, and grows with it.
    EXPECT_GE(MainWindow->minimumWidth(), 497);
    EXPECT_GE(MainWindow->minimumHeight(), 401);
    EXPECT_EQ(MainWindow->size(), MainWindow->minimumSize());
    if (std::get<0>(GetParam()) >= 12) {
        EXPECT_GT(MainWindow->minimumWidth(), 497);
    }
}

INSTANTIATE_TEST_SUITE_P(FontsAndStyles, LargeFontTest,
                         ::testing::Combine(::testing::Values(9, 11, 13, 14), ::testing::Values("", "Fusion", "Windows")),
                         [](const auto& info) {
                             const char* style = std::get<1>(info.param);
                             return "Pt" + std::to_string(std::get<0>(info.param)) + (*style ? style : "DefaultStyle");
                         });

TEST_F(WindowTest, FontChangeWhileShownGrowsTheMinimum)
{
    const QSize before = MainWindow->minimumSize();
    QFont font = MainWindow->font();
    font.setPointSize(14);
    MainWindow->setFont(font);
    QCoreApplication::processEvents();
    EXPECT_GT(MainWindow->minimumWidth(), before.width());
    EXPECT_GT(MainWindow->minimumHeight(), before.height());
    ExpectCaptionWhole(MainWindow->IncSubs);
    ExpectInside(*MainWindow, MainWindow->FGoButton, "GO");
}
