#include "TSpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A spin field beside a second control that can take the focus away.
struct TSpinWindow {
    QWidget Window;
    TSpinEdit* Spin = new TSpinEdit(50, 600, 200, &Window);
    QLineEdit* Other = new QLineEdit(&Window);

    TSpinWindow()
    {
        auto* layout = new QVBoxLayout(&Window);
        layout->addWidget(Spin);
        layout->addWidget(Other);
        Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
        Window.activateWindow();
        Spin->setFocus();
        QCoreApplication::processEvents();
    }
    void MoveFocusAway()
    {
        Other->setFocus();
        QCoreApplication::processEvents();
    }
    void Type(const QString& text)
    {
        Spin->SetText("");
        QTest::keyClicks(Spin, text);
    }
};

} // namespace

TEST(SpinEditRead, IntegerTextOrTheMinimum)
{
    struct {
        const char* Text;
        int Value;
    } cases[] = {{"200", 200}, {"  42 ", 42}, {"+7", 7}, {"-3", -3}, {"5000", 5000},
                 {"", 50},     {"-", 50},     {"1.5", 50}, {"abc", 50}, {"12a", 50},
                 {"99999999999", 50}, {"1 2", 50}};
    TSpinEdit spin(50, 600, 200);
    for (const auto& c : cases) {
        spin.SetText(c.Text);
        EXPECT_EQ(spin.Value(), c.Value) << '"' << c.Text << '"';
    }
}

TEST(SpinEditKeys, OnlyNumberCharactersAndControlKeysAreTyped)
{
    const QChar dot('.');
    for (const char* ok : {"0", "9", "+", "-", ".", "\b", "\x16", "\x01", "\x7f", ""})
        EXPECT_TRUE(TSpinEdit::AcceptsTyped(QString::fromLatin1(ok), dot)) << int(ok[0]);
    for (const char* refused : {"a", " ", ",", "\r", "\n", "e", "x"})
        EXPECT_FALSE(TSpinEdit::AcceptsTyped(QString::fromLatin1(refused), dot)) << int(refused[0]);
    EXPECT_TRUE(TSpinEdit::AcceptsTyped(",", QChar(',')));
}

TEST(SpinEditKeys, TypedTextKeepsOnlyTheAllowedCharacters)
{
    TSpinWindow w;
    w.Type("1a2b");
    EXPECT_EQ(w.Spin->Text(), "12");
    w.Type("-4.5");
    EXPECT_EQ(w.Spin->Text(), "-4.5");
    EXPECT_EQ(w.Spin->Value(), 50);
    w.Type("30");
    QTest::keyClick(w.Spin, Qt::Key_Return);
    EXPECT_EQ(w.Spin->Text(), "30");   // Enter is refused and changes nothing
}

TEST(SpinEditFocus, OutOfRangeNumbersGoToTheNearestBoundOnFocusLoss)
{
    TSpinWindow w;
    w.Type("5000");
    EXPECT_EQ(w.Spin->Value(), 5000);   // read as typed while it has the focus
    w.MoveFocusAway();
    EXPECT_EQ(w.Spin->Text(), "600");

    w.Spin->setFocus();
    w.Type("7");
    w.MoveFocusAway();
    EXPECT_EQ(w.Spin->Value(), 50);

    w.Spin->setFocus();
    w.Type("1.5");
    w.MoveFocusAway();
    EXPECT_EQ(w.Spin->Text(), "1.5");   // not an integer: stays as typed
    EXPECT_EQ(w.Spin->Value(), 50);
}

TEST(SpinEditPaste, AnyTextCanBePasted)
{
    TSpinWindow w;
    w.Spin->SetText("");
    QApplication::clipboard()->setText("abc");
    QTest::keyClick(w.Spin, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.Spin->Text(), "abc");
    EXPECT_EQ(w.Spin->Value(), 50);
    w.MoveFocusAway();
    EXPECT_EQ(w.Spin->Text(), "abc");

    w.Spin->setFocus();
    w.Spin->SetText("");
    QApplication::clipboard()->setText("700");
    QTest::keyClick(w.Spin, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.Spin->Value(), 700);
    w.MoveFocusAway();
    EXPECT_EQ(w.Spin->Value(), 600);
}

TEST(SpinEditStep, ArrowsStepByOneInsideTheRange)
{
    TSpinWindow w;
    w.Spin->SetValue(599);
    QTest::keyClick(w.Spin, Qt::Key_Up);
    EXPECT_EQ(w.Spin->Value(), 600);
    QTest::keyClick(w.Spin, Qt::Key_Up);
    EXPECT_EQ(w.Spin->Value(), 600);
    QTest::keyClick(w.Spin, Qt::Key_Down);
    EXPECT_EQ(w.Spin->Value(), 599);

    w.Spin->SetValue(51);
    w.Spin->stepBy(-5);
    EXPECT_EQ(w.Spin->Value(), 50);
    w.Spin->SetText("abc");
    w.Spin->stepBy(1);
    EXPECT_EQ(w.Spin->Value(), 51);
    w.Spin->SetText("9000");
    w.Spin->stepBy(-1);
    EXPECT_EQ(w.Spin->Value(), 600);
}
