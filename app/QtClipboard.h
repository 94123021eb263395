#pragma once
// The system clipboard through Qt. A registered format travels under a MIME
// type derived from its lower-cased name, so every running copy of the program
// finds it; CF_TEXT travels as text/plain without its terminating zero.

#include "Clipboard.h"

#include <QString>

#include <memory>

class QMimeData;

class TQtClipboard : public TClipboardBackend {
public:
    TQtClipboard();
    ~TQtClipboard() override;

    bool Acquire() override;
    void Release() override;
    void Empty() override;
    void Put(uint16_t format, const std::string& formatName, const std::vector<uint8_t>& bytes) override;
    bool Has(uint16_t format, const std::string& formatName) override;
    std::vector<uint8_t> Get(uint16_t format, const std::string& formatName) override;

    // text/plain for CF_TEXT, else application/x-plinkavorte-format;name="<lower-cased name>".
    static QString MimeTypeFor(uint16_t format, const std::string& formatName);

private:
    // Collected during one opening, handed to the system clipboard at Release.
    std::unique_ptr<QMimeData> FPending;
    bool FWritten = false;
};
