#pragma once
// An independent reader of what the program wrote: the end record, the
// central directory and each entry's bytes, inflated with zlib.

#include <zlib.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

struct TZipListingEntry {
    QString Name;
    uint32_t Crc = 0;
    QByteArray Data;
};

struct TZipListing {
    QString Comment;
    std::vector<TZipListingEntry> Entries;
    QStringList Names() const
    {
        QStringList names;
        for (const auto& e : Entries)
            names << e.Name;
        return names;
    }
    QSize PictureSize(int i) const { return QImage::fromData(Entries.at(i).Data, "JPG").size(); }
};

namespace zip_listing_detail {

inline uint32_t Le(const QByteArray& b, qsizetype at, int bytes)
{
    if (at < 0 || at + bytes > b.size())
        throw std::runtime_error("record outside the file");
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

inline QByteArray Inflate(const QByteArray& packed, uint32_t size)
{
    QByteArray out(static_cast<qsizetype>(size), '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        throw std::runtime_error("inflateInit2");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = size;
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("inflate failed");
    return out;
}

} // namespace zip_listing_detail

inline TZipListing ReadZipListing(const QString& path)
{
    using namespace zip_listing_detail;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot open archive");
    const QByteArray b = file.readAll();
    const qsizetype end = b.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0)
        throw std::runtime_error("no end record");
    TZipListing listing;
    const uint32_t count = Le(b, end + 10, 2);
    qsizetype at = Le(b, end + 16, 4);
    listing.Comment = QString::fromLatin1(b.mid(end + 22, Le(b, end + 20, 2)));
    for (uint32_t i = 0; i < count; ++i) {
        if (Le(b, at, 4) != 0x02014b50)
            throw std::runtime_error("bad central record");
        TZipListingEntry entry;
        const uint32_t method = Le(b, at + 10, 2);
        entry.Crc = Le(b, at + 16, 4);
        const uint32_t packed = Le(b, at + 20, 4), size = Le(b, at + 24, 4);
        const uint32_t nameLength = Le(b, at + 28, 2), extra = Le(b, at + 30, 2), comment = Le(b, at + 32, 2);
        const uint32_t local = Le(b, at + 42, 4);
        entry.Name = QString::fromLatin1(b.mid(at + 46, nameLength));
        const qsizetype data = local + 30 + Le(b, local + 26, 2) + Le(b, local + 28, 2);
        const QByteArray raw = b.mid(data, packed);
        entry.Data = method == 8 ? Inflate(raw, size) : raw;
        if (crc32(0, reinterpret_cast<const Bytef*>(entry.Data.data()), static_cast<uInt>(entry.Data.size())) !=
            entry.Crc)
            throw std::runtime_error("CRC mismatch");
        listing.Entries.push_back(entry);
        at += 46 + nameLength + extra + comment;
    }
    return listing;
}
