#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QXmlStreamReader;

// A relationship of a package part: its type (a URI) and the part it leads to.
struct PackageRelationship
{
    QString type;
    QString target; // the part's name in the zip archive

    // The transitional and the strict schemas name the types under different roots, so a
    // type is known by its last segment ("officeDocument", "worksheet").
    bool IsOf(QLatin1StringView kind) const;
};

// A zip package (the container of today's office files) held in memory and read through
// minizip. Its parts are read as XML, each no further than `maxPartBytes` once unpacked,
// since a small damaged or hostile file may unpack to gigabytes. Where a part cannot be
// read, `damage` says what is wrong with it, for the caller's message.
class ZipPackage
{
public:
    ZipPackage(QByteArrayView bytes, qint64 maxPartBytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // False when the bytes are no zip archive minizip can open.
    bool IsOpen() const;
    // The members the central directory counts; nothing when it cannot say.
    std::optional<qint64> MemberCount() const;
    // Lists the members once, so that looking up a part does not go through the whole
    // central directory every time. Until then no part is found.
    void ListMembers();
    // Part names are compared without regard to case, as the package format wants.
    bool Has(const QString& part) const;

    // Parses the part with `parse`; false with `damage` when the part is missing or damaged,
    // or `parse` raised an error on the reader.
    bool Read(const QString& part, const std::function<void(QXmlStreamReader&)>& parse,
              QString* damage);
    // The relationships of `part` ("" for the package itself), by id, their targets
    // resolved to part names; external targets are left out.
    bool ReadRelationships(const QString& part, QHash<QString, PackageRelationship>* relationships,
                           QString* damage);

private:
    struct Zip;
    std::unique_ptr<Zip> zip_;
};
