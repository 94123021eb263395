// A running copy of the list and its keys for the test between two processes.
//   copy <ready-file> <done-file> <entry>...   select all, Ctrl+C, then stay until done-file exists
//   paste                                       Ctrl+V into an empty list, print each entry and the caption
#include "Errors.h"
#include "ListWidgetEditing.h"
#include "QtClipboard.h"
#include "ListClipboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

int Copy(QApplication& app, int argc, char** argv, TListClipboard& clipboard, uint16_t windowFormat)
{
    QListWidget widget;
    widget.setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int i = 4; i < argc; ++i)
        widget.addItem(QString::fromLocal8Bit(argv[i]));
    TListWidgetEditing list(widget);
    const unsigned ctrl = ShiftFromQt(Qt::ControlModifier);
    FileListKeyDown(list, clipboard, windowFormat, VirtualKeyFromQt(Qt::Key_A), ctrl);
    FileListKeyDown(list, clipboard, windowFormat, VirtualKeyFromQt(Qt::Key_C), ctrl);
    QFile ready(QString::fromLocal8Bit(argv[2]));
    if (!ready.open(QIODevice::WriteOnly))
        return 3;
    ready.close();
    // On X11 the owner must stay alive while others read.
    const QString done = QString::fromLocal8Bit(argv[3]);
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFile::exists(done) || clock.elapsed() > 60000)
            app.quit();
    });
    poll.start(50);
    return app.exec();
}

int Paste(TListClipboard& clipboard, uint16_t windowFormat)
{
    QListWidget widget;
    TListWidgetEditing list(widget);
    FileListKeyDown(list, clipboard, windowFormat, VirtualKeyFromQt(Qt::Key_V), ShiftFromQt(Qt::ControlModifier));
    for (int i = 0; i < widget.count(); ++i)
        std::printf("entry:%s\n", widget.item(i)->text().toLocal8Bit().constData());
    std::printf("caption:%s\n", list.Caption.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TQtClipboard backend;
    const uint16_t windowFormat = RegisterClipboardFormat("My format");
    TListClipboard clipboard(backend);
    try {
        if (argc >= 4 && std::strcmp(argv[1], "copy") == 0)
            return Copy(app, argc, argv, clipboard, windowFormat);
        if (argc == 2 && std::strcmp(argv[1], "paste") == 0)
            return Paste(clipboard, windowFormat);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s copy <ready> <done> <entry>... | paste\n", argv[0]);
    return 2;
}
