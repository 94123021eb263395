#include "RememberedSettings.h"

#include "MainWindow.h"
#include "PreviewWindow.h"
#include "TFilenameEdit.h"
#include "TShape.h"
#include "TSpinEdit.h"

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace {

std::optional<int> IntIn(const QSettings& store, const char* key, int min, int max)
{
    bool ok = false;
    const int value = store.value(key).toString().toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> Tick(const QSettings& store, const char* key)
{
    const QString text = store.value(key).toString();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt;
}

std::optional<TColor> Colour(const QSettings& store, const char* key)
{
    static const QRegularExpression rgb(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    const QString text = store.value(key).toString();
    if (!rgb.match(text).hasMatch())
        return std::nullopt;
    return TColorOf(QColor(text));
}

QString ColourText(TColor colour)
{
    return QColorOf(colour).name(QColor::HexRgb);
}

// A position some screen shows, so the preview cannot come back out of sight.
bool OnSomeScreen(const QPoint& at)
{
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(at))
            return true;
    return false;
}

void LoadControls(const QSettings& store, TMainWindow& window)
{
    if (const auto size = IntIn(store, "size", window.aSize->MinValue(), window.aSize->MaxValue()))
        window.aSize->SetValue(*size);
    if (const auto width = IntIn(store, "frameWidth", window.aFramSize->MinValue(), window.aFramSize->MaxValue()))
        window.aFramSize->SetValue(*width);
    if (const auto frame = Tick(store, "frame")) {
        window.Frame->setChecked(*frame);
        window.FrameClick();
    }
    if (const auto square = Tick(store, "square"))
        window.square->setChecked(*square);
    if (const auto subs = Tick(store, "includeSubfolders"))
        window.IncSubs->setChecked(*subs);
    if (const auto background = Colour(store, "background"))
        window.FColourSwatch->SetBrushColor(*background);
    if (const auto border = Colour(store, "border"))
        window.FColourSwatch->SetPenColor(*border);
    if (const QVariant archive = store.value("archive"); archive.typeId() == QMetaType::QString)
        window.ZipFile->SetText(archive.toString());
}

} // namespace

QString TRememberedSettings::DefaultFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("plinkavorte"),
                     QStringLiteral("plinkavorte"))
        .fileName();
}

void TRememberedSettings::Load(TMainWindow& window, TPreviewWindow& preview) const
{
    if (!QFileInfo(FFile).isFile())
        return;
    const QSettings store(FFile, QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return;
    LoadControls(store, window);
    if (const QVariant geometry = store.value("window/geometry"); geometry.typeId() == QMetaType::QByteArray)
        window.RestorePlace(geometry.toByteArray());
    const auto x = IntIn(store, "preview/x", -100000, 100000);
    const auto y = IntIn(store, "preview/y", -100000, 100000);
    if (x && y && OnSomeScreen(QPoint(*x, *y)))
        preview.PlaceAt(QPoint(*x, *y));
}

bool TRememberedSettings::Save(const TMainWindow& window, const TPreviewWindow& preview) const
{
    // A file that could not be read is replaced, not merged into.
    if (QFileInfo(FFile).isFile() && QSettings(FFile, QSettings::IniFormat).status() != QSettings::NoError)
        QFile::remove(FFile);
    QDir().mkpath(QFileInfo(FFile).absolutePath());
    QSettings store(FFile, QSettings::IniFormat);
    store.clear();
    store.setValue("size", std::clamp(window.aSize->Value(), window.aSize->MinValue(), window.aSize->MaxValue()));
    store.setValue("frame", window.Frame->isChecked());
    store.setValue("frameWidth",
                   std::clamp(window.aFramSize->Value(), window.aFramSize->MinValue(), window.aFramSize->MaxValue()));
    store.setValue("square", window.square->isChecked());
    store.setValue("background", ColourText(window.FColourSwatch->BrushColor()));
    store.setValue("border", ColourText(window.FColourSwatch->PenColor()));
    store.setValue("includeSubfolders", window.IncSubs->isChecked());
    store.setValue("archive", window.ZipFile->Text());
    store.setValue("window/geometry", window.saveGeometry());
    if (preview.Placed()) {
        store.setValue("preview/x", preview.pos().x());
        store.setValue("preview/y", preview.pos().y());
    }
    store.sync();
    return store.status() == QSettings::NoError;
}

void TRememberedSettings::Forget() const
{
    QFile::remove(FFile);
}
