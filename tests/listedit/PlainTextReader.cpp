// Another X client: prints the clipboard's plain text with CR and LF made visible.
#include <QApplication>
#include <QClipboard>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    for (const char c : text) {
        if (c == '\r')
            std::fputs("<CR>", stdout);
        else if (c == '\n')
            std::fputs("<LF>", stdout);
        else
            std::fputc(c, stdout);
    }
    std::fputc('\n', stdout);
    return 0;
}
