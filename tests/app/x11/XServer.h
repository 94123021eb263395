#pragma once
// What the X server of xvfb-run says about the program's windows, asked
// with the x11-utils tools, and the small window manager the tests run
// under, as a desktop has one.

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

// The client windows from bottom to top, as the window manager stacks them.
QList<WId> StackingOrder();
// Where a window stands in that order; -1 when it is not managed (yet).
int StackingPlace(const QWidget* window);
// The title the window manager shows (_NET_WM_NAME).
QString ShownTitle(const QWidget* window);
// Runs xdotool with the arguments and waits for it.
bool XdoTool(const QStringList& arguments);

// Starts openbox on the display and waits until it manages windows; its
// settings and caches go to a scratch folder.
class TWindowManager {
public:
    TWindowManager();
    ~TWindowManager();
    bool Running() const { return FReady; }

private:
    QTemporaryDir FHome;
    QProcess FProcess;
    bool FReady = false;
};
