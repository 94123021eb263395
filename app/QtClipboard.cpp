#include "QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace {

QClipboard* SystemClipboard()
{
    // Without a GUI application there is no clipboard to be had.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard();
}

QString QuotedParameter(const std::string& value)
{
    QString quoted = QStringLiteral("\"");
    for (const char c : value) {
        if (c == '"' || c == '\\')
            quoted += QLatin1Char('\\');
        quoted += QLatin1Char(c);
    }
    return quoted + QLatin1Char('"');
}

} // namespace

TQtClipboard::TQtClipboard() = default;
TQtClipboard::~TQtClipboard() = default;

QString TQtClipboard::MimeTypeFor(uint16_t format, const std::string& formatName)
{
    if (format == CF_TEXT)
        return QStringLiteral("text/plain");
    if (formatName.empty())
        return QStringLiteral("application/x-plinkavorte-format;id=%1").arg(format);
    return QStringLiteral("application/x-plinkavorte-format;name=") + QuotedParameter(formatName);
}

bool TQtClipboard::Acquire()
{
    if (!SystemClipboard())
        return false;
    FPending.reset();
    FWritten = false;
    return true;
}

void TQtClipboard::Release()
{
    QClipboard* clipboard = SystemClipboard();
    if (FWritten && clipboard)
        clipboard->setMimeData(FPending.release());   // the clipboard takes ownership
    FPending.reset();
    FWritten = false;
}

void TQtClipboard::Empty()
{
    FPending = std::make_unique<QMimeData>();
    FWritten = true;
}

void TQtClipboard::Put(uint16_t format, const std::string& formatName, const std::vector<uint8_t>& bytes)
{
    if (!FPending)
        Empty();
    auto end = bytes.end();
    // Plain text on X11 has an explicit length; the C terminator is not part of it.
    if (format == CF_TEXT)
        end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(end - bytes.begin()));
    FPending->setData(MimeTypeFor(format, formatName), data);
}

bool TQtClipboard::Has(uint16_t format, const std::string& formatName)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return false;
    const QMimeData* data = clipboard->mimeData();
    return data && data->hasFormat(MimeTypeFor(format, formatName));
}

std::vector<uint8_t> TQtClipboard::Get(uint16_t format, const std::string& formatName)
{
    std::vector<uint8_t> bytes;
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data) {
        const QByteArray block = data->data(MimeTypeFor(format, formatName));
        bytes.assign(block.begin(), block.end());
    }
    if (format == CF_TEXT)
        bytes.push_back(0);
    return bytes;
}
